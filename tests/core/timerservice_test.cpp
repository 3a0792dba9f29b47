#include "core/timerservice.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexa {
namespace {

TEST(ManualTimerService, FiresInTimeOrderAndHonoursStopInsideCallback) {
    ManualTimerService timers;
    std::vector<std::pair<int, std::int64_t>> fired;
    timers.Start(1, 100, [&] { fired.emplace_back(1, timers.Now()); });
    timers.Start(2, 250, [&] {
        fired.emplace_back(2, timers.Now());
        timers.Stop(1);
    });
    timers.Advance(400);
    const std::vector<std::pair<int, std::int64_t>> expected = {{1, 100}, {1, 200}, {2, 250}};
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(timers.Now(), 400);
    EXPECT_FALSE(timers.IsRunning(1));
    EXPECT_TRUE(timers.IsRunning(2));
}

TEST(ManualTimerService, RestartChangesPeriodFromNow) {
    ManualTimerService timers;
    int count = 0;
    timers.Start(7, 1000, [&] {
        ++count;
        timers.Start(7, 8000, [&] { ++count; });
    });
    timers.Advance(1000);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(timers.PeriodOf(7), 8000);
    timers.Advance(7999);
    EXPECT_EQ(count, 1);
    timers.Advance(1);
    EXPECT_EQ(count, 2);
}

} // namespace
} // namespace vexa
