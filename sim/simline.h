#pragma once
// The wire between the host and a VirtualController, shared by every front end: it paces
// bytes at the line's baud rate in both directions, keeps the controller's programming
// delays, and injects the faults of SimOptions from its seed. Times are microseconds on the
// front end's time base; the line never reads a clock itself.
#include "sim/simoptions.h"
#include "sim/virtualcontroller.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <vector>

namespace vexa {

class SimLine {
public:
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

    // The controller is powered on at startUs.
    explicit SimLine(const SimOptions& options, std::int64_t startUs = 0);

    // The host puts n bytes on the line at nowUs. Returns the time the last of them has
    // reached the controller (nowUs when n is 0 or nothing could be sent).
    std::int64_t HostSend(const std::uint8_t* bytes, int n, std::int64_t nowUs);
    // Takes the next byte that has reached the host by nowUs. False when none has.
    bool HostReceive(std::int64_t nowUs, std::uint8_t& byte);
    // When the next byte for the host arrives (kNever when none is on its way).
    std::int64_t NextArrivalUs() const;
    // Forgets the bytes that have reached the host by nowUs; bytes still on the wire come.
    void PurgeArrived(std::int64_t nowUs);

    // Whether the device is unplugged at nowUs (it may come back, see SimFaults).
    bool Unplugged(std::int64_t nowUs);
    // Microseconds one byte takes on the wire (0 without pacing).
    std::int64_t ByteUs() const { return byteUs_; }

    VirtualController& Controller() { return controller_; }
    long ControllerBytesSent() const { return controllerSent_; }

private:
    struct Arrival {
        std::int64_t atUs;
        std::uint8_t value;
    };
    enum class Fate { Deliver, Drop };

    // Applies drop / change / delay to one byte; returns whether it still travels.
    Fate Roll(std::uint8_t& value, std::int64_t& extraUs);
    bool Chance(double probability);
    std::uint64_t NextRandom();
    void UpdatePower(std::int64_t nowUs);
    void Emit(const std::vector<TimedByte>& replies);

    SimOptions options_;
    VirtualController controller_;
    std::int64_t byteUs_ = 0;
    std::uint64_t random_;
    std::int64_t toControllerFreeUs_ = 0; // when the host-to-controller wire is free
    std::int64_t toHostFreeUs_ = 0;       // when the controller-to-host wire is free
    std::deque<Arrival> toHost_;          // in arrival order
    long controllerSent_ = 0;
    std::int64_t silentSinceUs_ = -1; // -1: not silent
    std::int64_t unpluggedSinceUs_ = -1;
    bool silenceDone_ = false;
    bool unplugDone_ = false;
    std::vector<TimedByte> replies_;
};

} // namespace vexa
