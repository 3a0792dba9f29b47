#pragma once
// The virtual controller as an in-process serial port: a ByteTransport on a Clock, so reads
// keep the COM time-out rule and the line's pacing on virtual time (a ManualClock in tests,
// where waiting costs nothing) or on real time (SteadyClock). Like a real port it offers the
// one primitive, ReadAvailable; the rule itself is link/comtimeouts.h's, applied once by
// whoever reads (Read here, or CSerialPort above it).
#include "core/clock.h"
#include "link/bytetransport.h"
#include "sim/simline.h"

#include <cstdint>
#include <string>

namespace vexa {

class SimTransport : public ByteTransport {
public:
    // The clock is not owned and must outlive the transport. The controller is powered on
    // at the clock's current time; the port starts closed.
    explicit SimTransport(Clock& clock, const SimOptions& options = {});

    // Fails with a text while the device is unplugged (SimFaults::unplugAfter).
    int Open(std::string& error) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    // The COM time-out rule (ReadWithComTimeouts over ReadAvailable).
    int Read(std::uint8_t* destination, int n) override;
    // Takes the bytes that have arrived; when none has, waits up to waitMs for the next one.
    // NUL bytes are dropped. A closed or unplugged port returns 0 at once.
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override;
    // Puts the bytes on the line and returns once the last one has been sent, so at 9600
    // baud the clock moves on by about 1.04 ms a byte.
    int Write(const std::uint8_t* source, int n) override;
    int Purge() override;

    VirtualController& Controller() { return line_.Controller(); }
    SimLine& Line() { return line_; }

private:
    std::int64_t NowUs() { return clock_.NowMs() * 1000; }

    Clock& clock_;
    SimLine line_;
    bool open_ = false;
};

} // namespace vexa
