#pragma once
// The COM port read time-out rule, built on ByteTransport::ReadAvailable over a Clock.
#include "core/clock.h"
#include "link/bytetransport.h"

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
int ReadWithComTimeouts(ByteTransport& link, Clock& clock, std::uint8_t* destination, int n,
                        const ComReadTimeouts& timeouts = {});

} // namespace vexa
