#pragma once
// Periodic timers that belong to no window. The windowed program backs them with
// QTimer; tests and the command line use ManualTimerService and advance it by hand.
#include <cstdint>
#include <functional>
#include <map>

namespace vexa {

class TimerService {
public:
    using Callback = std::function<void()>;
    virtual ~TimerService() = default;
    // Starts (or restarts, for an id already running) a timer that calls callback every
    // periodMs milliseconds. Returns the timer's id, never 0.
    virtual int Start(int id, int periodMs, Callback callback) = 0;
    virtual void Stop(int id) = 0;
};

// Timers driven by an explicit clock: Advance(ms) fires every timer whose time came,
// in time order.
class ManualTimerService : public TimerService {
public:
    int Start(int id, int periodMs, Callback callback) override;
    void Stop(int id) override;
    void Advance(std::int64_t ms);
    std::int64_t Now() const { return now_; }
    bool IsRunning(int id) const { return timers_.count(id) != 0; }
    int PeriodOf(int id) const;

private:
    struct Timer {
        int period;
        std::int64_t due;
        Callback callback;
    };
    std::map<int, Timer> timers_;
    std::int64_t now_ = 0;
};

} // namespace vexa
