#include "core/timerservice.h"

#include <algorithm>

namespace vexa {

int ManualTimerService::Start(int id, int periodMs, Callback callback) {
    const int period = std::max(periodMs, 1);
    timers_[id] = Timer{period, now_ + period, std::move(callback)};
    return id;
}

void ManualTimerService::Stop(int id) {
    timers_.erase(id);
}

int ManualTimerService::PeriodOf(int id) const {
    auto it = timers_.find(id);
    return it == timers_.end() ? 0 : it->second.period;
}

void ManualTimerService::Advance(std::int64_t ms) {
    const std::int64_t end = now_ + ms;
    for (;;) {
        // Fire the earliest due timer; a callback may start or stop timers.
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](auto& a, auto& b) { return a.second.due < b.second.due; });
        if (next == timers_.end() || next->second.due > end)
            break;
        now_ = next->second.due;
        next->second.due += next->second.period;
        Callback callback = next->second.callback; // the timer may be stopped inside
        callback();
    }
    now_ = end;
}

} // namespace vexa
