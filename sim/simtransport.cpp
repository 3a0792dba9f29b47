#include "sim/simtransport.h"

#include <algorithm>

namespace vexa {

namespace {

constexpr std::int64_t kIntervalMs = 50;
constexpr std::int64_t kTotalConstantMs = 100;
constexpr std::int64_t kTotalPerByteMs = 5;

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
    if (!open_ || n <= 0 || line_.Unplugged(NowUs()))
        return 0;
    const std::int64_t startMs = clock_.NowMs();
    const std::int64_t deadlineMs = startMs + kTotalConstantMs + kTotalPerByteMs * n;
    std::int64_t lastByteMs = -1;
    int count = 0;
    for (;;) {
        std::uint8_t byte = 0;
        while (count < n && line_.HostReceive(NowUs(), byte)) {
            // The port discards received NUL bytes.
            if (byte == 0)
                continue;
            destination[count++] = byte;
            lastByteMs = clock_.NowMs();
        }
        if (count == n)
            return count;
        const std::int64_t limitMs =
            lastByteMs >= 0 ? std::min(deadlineMs, lastByteMs + kIntervalMs) : deadlineMs;
        const std::int64_t nextUs = line_.NextArrivalUs();
        const std::int64_t nowMs = clock_.NowMs();
        const std::int64_t nextMs = nextUs == SimLine::kNever ? SimLine::kNever : CeilMs(nextUs);
        if (nextMs > limitMs) {
            clock_.SleepMs(limitMs - nowMs);
            return count;
        }
        clock_.SleepMs(std::max<std::int64_t>(nextMs - nowMs, 0));
        if (line_.Unplugged(NowUs()))
            return count;
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
