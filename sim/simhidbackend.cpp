#include "sim/simhidbackend.h"

#include <algorithm>
#include <cstring>

namespace vexa {

SimOptions SimHidBackend::Unpaced(SimOptions options) {
    options.baud = 0;
    return options;
}

SimHidBackend::SimHidBackend(Clock& clock, const SimOptions& options)
    : clock_(clock), line_(Unpaced(options), clock.NowMs() * 1000) {}

std::vector<HidDeviceInfo> SimHidBackend::Enumerate() {
    if (line_.Unplugged(NowUs()))
        return {};
    HidDeviceInfo info;
    info.path = kSimHidPath;
    info.vendorId = kSimUsbVendorId;
    info.productId = kSimUsbProductId;
    info.interfaceIndex = 0;
    info.inputReportLength = kSimHidReportLength;
    info.outputReportLength = kSimHidReportLength;
    return {info};
}

bool SimHidBackend::Open(const std::string& path) {
    open_ = path == kSimHidPath && !line_.Unplugged(NowUs());
    return open_;
}

int SimHidBackend::ReadReport(std::uint8_t* buffer, int length, int timeoutMs) {
    if (!open_ || line_.Unplugged(NowUs())) {
        open_ = false;
        return -1;
    }
    if (buffer == nullptr || length <= 0)
        return 0;
    const std::int64_t deadlineMs = clock_.NowMs() + std::max(timeoutMs, 0);
    const std::int64_t nextUs = line_.NextArrivalUs();
    if (nextUs == SimLine::kNever || nextUs > deadlineMs * 1000) {
        clock_.SleepMs(deadlineMs - clock_.NowMs());
        return 0;
    }
    if (nextUs > NowUs())
        clock_.SleepMs((nextUs + 999) / 1000 - clock_.NowMs());
    if (line_.Unplugged(NowUs())) {
        open_ = false;
        return -1;
    }
    std::uint8_t report[kSimHidReportLength] = {};
    // Room for the report id in front and the terminating NUL behind.
    int count = 0;
    std::uint8_t byte = 0;
    while (count < kSimHidReportLength - 2 && line_.HostReceive(NowUs(), byte)) {
        report[1 + count] = byte;
        // A NUL (a changed byte) ends the payload as the host reads it; keep it in the report.
        ++count;
    }
    const int size = std::min(length, kSimHidReportLength);
    std::memcpy(buffer, report, static_cast<std::size_t>(size));
    return size;
}

int SimHidBackend::WriteReport(const std::uint8_t* report, int length) {
    if (!open_ || line_.Unplugged(NowUs())) {
        open_ = false;
        return -1;
    }
    if (report == nullptr || length < 1 || report[0] != 0)
        return -1;
    int payload = 0;
    while (1 + payload < length && report[1 + payload] != 0)
        ++payload;
    line_.HostSend(report + 1, payload, NowUs());
    return length;
}

} // namespace vexa
