#include "sim/simtransport.h"

#include "link/comtimeouts.h"

#include <algorithm>

namespace vexa {

namespace {

std::int64_t CeilMs(std::int64_t us) {
    return us >= 0 ? (us + 999) / 1000 : us / 1000;
}

} // namespace

SimTransport::SimTransport(Clock& clock, const SimOptions& options)
    : clock_(clock), line_(options, clock.NowMs() * 1000) {}

int SimTransport::Open(std::string& error) {
    error.clear();
    if (line_.Unplugged(NowUs())) {
        open_ = false;
        error = "The virtual controller is unplugged.";
        return 0;
    }
    open_ = true;
    return 1;
}

int SimTransport::Read(std::uint8_t* destination, int n) {
    return ReadWithComTimeouts(*this, clock_, destination, n);
}

int SimTransport::ReadAvailable(std::uint8_t* destination, int max, int waitMs) {
    if (!open_ || destination == nullptr || max <= 0 || line_.Unplugged(NowUs()))
        return 0;
    const std::int64_t limitMs = clock_.NowMs() + std::max(waitMs, 0);
    for (;;) {
        int count = 0;
        std::uint8_t byte = 0;
        while (count < max && line_.HostReceive(NowUs(), byte)) {
            // The port discards received NUL bytes.
            if (byte != 0)
                destination[count++] = byte;
        }
        if (count > 0)
            return count;
        const std::int64_t nextUs = line_.NextArrivalUs();
        const std::int64_t nowMs = clock_.NowMs();
        if (nextUs == SimLine::kNever || CeilMs(nextUs) > limitMs) {
            clock_.SleepMs(limitMs - nowMs);
            return 0;
        }
        clock_.SleepMs(std::max<std::int64_t>(CeilMs(nextUs) - nowMs, 0));
        if (line_.Unplugged(NowUs()))
            return 0;
    }
}

int SimTransport::Write(const std::uint8_t* source, int n) {
    if (!open_ || n <= 0 || line_.Unplugged(NowUs()))
        return 0;
    const std::int64_t sentUs = line_.HostSend(source, n, NowUs());
    // Flushed: the call returns once the line has carried the last byte.
    const std::int64_t waitMs = CeilMs(sentUs) - clock_.NowMs();
    if (waitMs > 0)
        clock_.SleepMs(waitMs);
    return n;
}

int SimTransport::Purge() {
    line_.PurgeArrived(NowUs());
    return 1;
}

} // namespace vexa
