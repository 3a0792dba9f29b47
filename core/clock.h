#pragma once
// Time as the protocol and the timers see it: a monotonic clock in milliseconds that
// tests replace with virtual time, so time-outs cost nothing.
#include <chrono>
#include <cstdint>
#include <ctime>

namespace vexa {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed point; never goes backwards.
    virtual std::int64_t NowMs() = 0;
    virtual void SleepMs(std::int64_t ms) = 0;
};

// The real monotonic clock.
class SteadyClock : public Clock {
public:
    std::int64_t NowMs() override;
    void SleepMs(std::int64_t ms) override;
    static SteadyClock& Instance();
};

// Virtual time: NowMs() moves only when SleepMs() or Advance() is called.
class ManualClock : public Clock {
public:
    std::int64_t NowMs() override { return now_; }
    void SleepMs(std::int64_t ms) override {
        if (ms > 0)
            now_ += ms;
    }
    void Advance(std::int64_t ms) { SleepMs(ms); }

private:
    std::int64_t now_ = 0;
};

// The calendar time of the user's time zone at time, for names and texts people read;
// thread-safe on every platform (localtime is not).
std::tm LocalTime(std::time_t time);

} // namespace vexa
