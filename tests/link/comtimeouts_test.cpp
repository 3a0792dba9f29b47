// The COM read time-out rule: returns with n bytes, 50 ms after a byte with no further
// byte, or 100 ms + 5 ms a byte after the call.
#include "link/comtimeouts.h"
#include "timedarrivals.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexa {
namespace {

struct RuleCase {
    const char* name;
    std::vector<std::int64_t> arrivalsMs; // relative to the call; negative: already buffered
    int n;
    int expectedCount;
    std::int64_t expectedReturnMs;
};

TEST(ComReadTimeouts, ReturnsByCountIntervalOrTotal) {
    const RuleCase cases[] = {
        {"interval after the third byte", {0, 40, 85}, 10, 3, 135},
        {"a 55 ms gap ends the read", {0, 40, 95}, 10, 2, 90},
        {"interval, not total, ends it", {0, 40, 95}, 9, 2, 90},
        {"silent line, total 100 + 3 x 5", {}, 3, 0, 115},
        {"all bytes there at once", {0, 10, 20}, 3, 3, 20},
        {"gap above the interval ends the read", {0, 30, 90}, 10, 2, 80},
        {"total ends a steady trickle", {0, 40, 80, 120, 160}, 5, 4, 125},
        {"late first byte, then the total", {110}, 3, 1, 115},
        {"buffered bytes count at once", {-20, -10}, 2, 2, 0},
        {"byte exactly at the total is taken", {0, 40, 80, 120}, 4, 4, 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock clock;
        clock.Advance(1000);
        std::vector<std::int64_t> absolute;
        for (auto at : c.arrivalsMs)
            absolute.push_back(1000 + at);
        testing::TimedArrivals line(clock, absolute);
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(c.n) + 1, 0);
        EXPECT_EQ(ReadWithComTimeouts(line, clock, buffer.data(), c.n), c.expectedCount);
        EXPECT_EQ(clock.NowMs() - 1000, c.expectedReturnMs);
    }
}

} // namespace
} // namespace vexa
