#include "core/clock.h"

#include <thread>

namespace vexa {

std::int64_t SteadyClock::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::SleepMs(std::int64_t ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &time);
#else
    localtime_r(&time, &local);
#endif
    return local;
}

SteadyClock& SteadyClock::Instance() {
    static SteadyClock clock;
    return clock;
}

} // namespace vexa
