#include "link/hiddevice.h"

#include <algorithm>
#include <cstring>

namespace vexa {

namespace {
// Used when a backend cannot tell the report lengths: 64 bytes of a full-speed HID
// report and the report id byte.
constexpr int kDefaultReportLength = 65;
} // namespace

CHidDevice::CHidDevice(HidBackend& backend, std::uint16_t vendorId, std::uint16_t productId)
    : backend_(backend), vendorId_(vendorId), productId_(productId) {}

CHidDevice::~CHidDevice() {
    close();
}

int CHidDevice::open() {
    reset_input();
    if (found_)
        drop_device();
    const std::vector<HidDeviceInfo> devices = backend_.Enumerate();
    const HidDeviceInfo* chosen = nullptr;
    for (const auto& info : devices) {
        if (info.vendorId != vendorId_ || info.productId != productId_)
            continue;
        if (chosen == nullptr || info.interfaceIndex < chosen->interfaceIndex)
            chosen = &info;
    }
    if (chosen == nullptr || !backend_.Open(chosen->path))
        return 0;
    found_ = true;
    path_ = chosen->path;
    inputReportLength_ =
        chosen->inputReportLength > 1 ? chosen->inputReportLength : kDefaultReportLength;
    outputReportLength_ =
        chosen->outputReportLength > 2 ? chosen->outputReportLength : kDefaultReportLength;
    input_.assign(static_cast<std::size_t>(inputReportLength_), 0);
    return 1;
}

void CHidDevice::close() {
    if (found_)
        drop_device();
}

void CHidDevice::drop_device() {
    backend_.Close();
    found_ = false;
}

int CHidDevice::read_report() {
    if (!found_)
        return 0;
    input_.assign(static_cast<std::size_t>(inputReportLength_), 0);
    const int r = backend_.ReadReport(input_.data(), inputReportLength_, kReportWaitMs);
    if (r <= 0 || input_[0] != 0) {
        // Silence, a failure or a foreign report: the device is dropped until the next open.
        input_.assign(input_.size(), 0);
        drop_device();
        return 0;
    }
    // Whatever lies beyond the reported length is not part of this report.
    const auto length = static_cast<std::size_t>(std::min(r, inputReportLength_));
    std::fill(input_.begin() + static_cast<std::ptrdiff_t>(length), input_.end(), 0);
    return 1;
}

int CHidDevice::read_bytes(std::uint8_t* destination, int n) {
    if (destination == nullptr || n <= 0)
        return 0;
    const int buffered = std::min(inputLength_ - inputPosition_, n);
    if (buffered > 0) {
        std::memcpy(destination, input_.data() + 1 + inputPosition_,
                    static_cast<std::size_t>(buffered));
        inputPosition_ += buffered;
    }
    const int taken = std::max(buffered, 0);
    if (taken == n)
        return n;
    inputPosition_ = 0;
    inputLength_ = 0;
    if (!read_report())
        return taken;
    // The payload runs from byte 1 up to its NUL (or the end of the report).
    const auto* payload = input_.data() + 1;
    const auto* payloadEnd = input_.data() + input_.size();
    const int payloadLength = static_cast<int>(std::find(payload, payloadEnd, 0) - payload);
    const int more = std::min(n - taken, payloadLength);
    std::memcpy(destination + taken, payload, static_cast<std::size_t>(more));
    inputPosition_ = more;
    inputLength_ = payloadLength;
    return taken + more;
}

int CHidDevice::write_bytes(const std::uint8_t* source, int n) {
    if (!found_ || source == nullptr || n <= 0)
        return 0;
    // Report id, payload, and the NUL that ends the payload.
    const int capacity = outputReportLength_ - 2;
    std::vector<std::uint8_t> report(static_cast<std::size_t>(outputReportLength_));
    for (int sent = 0; sent < n;) {
        const int chunk = std::min(capacity, n - sent);
        std::fill(report.begin(), report.end(), 0);
        std::memcpy(report.data() + 1, source + sent, static_cast<std::size_t>(chunk));
        if (backend_.WriteReport(report.data(), outputReportLength_) <= 0) {
            drop_device();
            return 0;
        }
        sent += chunk;
    }
    return n;
}

void CHidDevice::reset_input() {
    inputPosition_ = 0;
    inputLength_ = 0;
}

} // namespace vexa
