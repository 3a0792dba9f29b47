#include "sim/drivecycle.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexa {
namespace {

TEST(DriveCycle, ShiftsUpAndDownThroughEveryGearWithoutSkipping) {
    std::vector<int> gears;
    for (std::int64_t ms = 0; ms < DriveCycle::kPeriodMs; ms += 100) {
        const DriveState state = DriveCycle::At(ms);
        ASSERT_GE(state.speedKmh, 0.0) << ms;
        ASSERT_GE(state.throttle, 0.0) << ms;
        ASSERT_LE(state.throttle, 1.0) << ms;
        ASSERT_GE(state.engineRpm, 700.0) << ms;
        if (gears.empty() || gears.back() != state.gear)
            gears.push_back(state.gear);
    }
    EXPECT_EQ(gears, (std::vector<int>{1, 2, 3, 4, 3, 2, 1}));
}

TEST(DriveCycle, StandsCruisesAndWarmsUp) {
    const DriveState standing = DriveCycle::At(5000);
    EXPECT_EQ(standing.speedKmh, 0.0);
    EXPECT_EQ(standing.gear, 1);
    EXPECT_FALSE(standing.clutchLocked);

    const DriveState cruising = DriveCycle::At(60000);
    EXPECT_NEAR(cruising.speedKmh, 100.0, 3.0);
    EXPECT_EQ(cruising.gear, 4);
    EXPECT_EQ(cruising.oldGear, 3);
    EXPECT_TRUE(cruising.clutchLocked);
    EXPECT_DOUBLE_EQ(cruising.engineRpm, cruising.turbineRpm);

    // The same point of the next cycle drives the same, only warmer.
    const DriveState later = DriveCycle::At(60000 + 5 * DriveCycle::kPeriodMs);
    EXPECT_DOUBLE_EQ(later.speedKmh, cruising.speedKmh);
    EXPECT_GT(later.coolantC, cruising.coolantC + 20);
    EXPECT_GT(later.oilC, cruising.oilC + 20);
}

} // namespace
} // namespace vexa
