#pragma once
// The virtual controller on a POSIX pseudo-terminal, so the real serial adapter (termios,
// time-outs, purges) talks to it as to a controller on a cable. The master side is served by
// a poll loop on real time, with the line's pacing and faults; the slave path is what a
// client opens. The loop keeps a descriptor of the slave open itself, so clients may open
// and close the port as often as they like without the master seeing a hang-up.
#include "sim/simline.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace vexa {

class SimPty {
public:
    explicit SimPty(const SimOptions& options = {});
    ~SimPty(); // stops serving and closes both sides
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;

    // Creates the pseudo-terminal (posix_openpt, grantpt, unlockpt) with its slave in raw
    // mode. Returns false with a reason in error.
    bool Open(std::string& error);
    // The slave's path, for example /dev/pts/7 (empty before Open).
    const std::string& SlavePath() const { return slavePath_; }

    // Serves in the calling thread until stop becomes true (checked at least every 50 ms;
    // a signal that interrupts the wait ends it sooner).
    void Serve(const std::atomic<bool>& stop);
    // Serves on a thread of its own until Stop() or destruction.
    bool Start(std::string& error);
    void Stop();

    // Only while not serving.
    VirtualController& Controller() { return line_.Controller(); }

private:
    std::int64_t NowUs() const;

    SimLine line_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::string pending_; // bytes for the host that the pty could not take yet
};

} // namespace vexa
