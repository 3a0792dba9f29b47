#pragma once
// The COM port read time-out rule, built on ByteTransport::ReadAvailable over a Clock.
#include "core/clock.h"
#include "link/bytetransport.h"

#include <algorithm>
#include <cstdint>

namespace vexa {

// Time-outs of a read, in milliseconds: a read returns when the n bytes are there, when
// intervalMs pass after a byte with no further byte, or when totalConstantMs +
// totalPerByteMs x n have passed since the call.
struct ComReadTimeouts {
    int intervalMs = 50;
    int totalConstantMs = 100;
    int totalPerByteMs = 5;
};

// Reads up to n bytes from link with the rule above, timed on clock. Bytes already
// buffered are taken first even when the total time is spent. Returns the count, 0..n.
// Defined here so that every transport, the virtual controller's included, applies this
// one rule without linking the link layer.
inline int ReadWithComTimeouts(ByteTransport& link, Clock& clock, std::uint8_t* destination, int n,
                               const ComReadTimeouts& timeouts = {}) {
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
