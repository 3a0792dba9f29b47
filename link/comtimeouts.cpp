#include "link/comtimeouts.h"

#include <algorithm>

namespace vexa {

int ReadWithComTimeouts(ByteTransport& link, Clock& clock, std::uint8_t* destination, int n,
                        const ComReadTimeouts& timeouts) {
    if (n <= 0 || destination == nullptr)
        return 0;
    const std::int64_t deadline =
        clock.NowMs() + timeouts.totalConstantMs + std::int64_t{timeouts.totalPerByteMs} * n;
    int got = 0;
    while (got < n) {
        const std::int64_t remaining = std::max<std::int64_t>(deadline - clock.NowMs(), 0);
        // Before the first byte only the total time-out applies; after it, the interval.
        const std::int64_t wait =
            got == 0 ? remaining : std::min<std::int64_t>(timeouts.intervalMs, remaining);
        const int r = link.ReadAvailable(destination + got, n - got, static_cast<int>(wait));
        if (r <= 0)
            break; // the wait passed without a byte, or the link failed
        got += std::min(r, n - got);
    }
    return got;
}

} // namespace vexa
