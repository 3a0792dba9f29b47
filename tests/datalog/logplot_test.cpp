// The time plot's geometry: zoom and pan along the time axis, lines that keep every peak
// with a bounded number of points, ticks, and the gear changes.
#include "datalog/logplot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vexa {
namespace {

TEST(LogTimeAxis, ZoomKeepsTheTimeUnderThePointerAndPanStaysInTheLog) {
    LogTimeAxis axis;
    axis.Reset(10.0, 110.0, 1000);
    EXPECT_DOUBLE_EQ(axis.TimeAt(250.0), 35.0);

    axis.Zoom(4.0, 250.0);
    EXPECT_DOUBLE_EQ(axis.Span(), 25.0);
    EXPECT_DOUBLE_EQ(axis.TimeAt(250.0), 35.0);

    EXPECT_DOUBLE_EQ(axis.Begin(), 28.75);
    axis.Pan(200.0); // dragged right by a fifth of the width: five seconds earlier
    EXPECT_DOUBLE_EQ(axis.Begin(), 23.75);
    axis.Pan(10000.0);
    EXPECT_DOUBLE_EQ(axis.Begin(), 10.0);
    axis.Pan(-1e6);
    EXPECT_DOUBLE_EQ(axis.End(), 110.0);
    EXPECT_DOUBLE_EQ(axis.Span(), 25.0);

    axis.Zoom(1e9, 500.0);
    EXPECT_DOUBLE_EQ(axis.Span(), LogTimeAxis::kMinSpan);
    axis.Zoom(1e-9, 500.0);
    EXPECT_DOUBLE_EQ(axis.Begin(), 10.0);
    EXPECT_DOUBLE_EQ(axis.End(), 110.0);

    axis.Zoom(10.0, 0.0);
    axis.Follow(50.0);
    EXPECT_LE(axis.Begin(), 50.0);
    EXPECT_GE(axis.End(), 50.0);

    LogTimeAxis single;
    single.Reset(3.0, 3.0, 100); // one row still gets a span
    EXPECT_DOUBLE_EQ(single.Span(), 1.0);
}

DataLog Saw(std::size_t rows, double rate) {
    DataLog log;
    DataLogChannel channel;
    channel.name = "Saw";
    for (std::size_t i = 0; i < rows; ++i) {
        log.times.push_back(static_cast<double>(i) / rate);
        channel.values.push_back(static_cast<double>(i % 100));
    }
    channel.minimum = 0;
    channel.maximum = 99;
    log.channels.push_back(channel);
    return log;
}

TEST(ChannelLines, AnHourOfRowsGivesAFewPointsAPixelAndKeepsEveryPeak) {
    DataLog log = Saw(72000, 20.0);
    log.channels[0].values[31234] = 500.0; // one spike
    log.channels[0].maximum = 500.0;
    LogTimeAxis axis;
    axis.Reset(log.StartTime(), log.EndTime(), 800);
    const ValueScale scale(log.channels[0], 0.0, 200.0);
    ChannelLines lines;
    BuildChannelLines(log, log.channels[0], axis, scale, lines);
    EXPECT_LE(lines.points.size(), 4u * 801u);
    ASSERT_EQ(lines.runStarts, (std::vector<std::size_t>{0}));
    const auto top =
        std::min_element(lines.points.begin(), lines.points.end(),
                         [](const PlotPoint& a, const PlotPoint& b) { return a.y < b.y; });
    EXPECT_DOUBLE_EQ(top->y, scale.YAt(500.0));
    EXPECT_DOUBLE_EQ(std::floor(top->x), std::floor(axis.XAt(log.times[31234])));
    const auto bottom =
        std::max_element(lines.points.begin(), lines.points.end(),
                         [](const PlotPoint& a, const PlotPoint& b) { return a.y < b.y; });
    EXPECT_DOUBLE_EQ(bottom->y, scale.YAt(0.0));

    // Zoomed in to a second, every row is a point of its own, plus one each side.
    axis.Zoom(3600.0, 400.0);
    BuildChannelLines(log, log.channels[0], axis, scale, lines);
    const auto shown = std::count_if(log.times.begin(), log.times.end(), [&](double t) {
        return t >= axis.Begin() && t <= axis.End();
    });
    EXPECT_EQ(lines.points.size(), static_cast<std::size_t>(shown) + 2);
}

TEST(ChannelLines, GapsSplitTheLineAndLevelsAreSteps) {
    DataLog log;
    log.times = {0, 1, 2, 3, 4};
    DataLogChannel numeric;
    numeric.values = {1, 2, std::nan(""), 4, 5};
    numeric.minimum = 1;
    numeric.maximum = 5;
    DataLogChannel gear;
    gear.enumerated = true;
    gear.levels = {"1st", "2nd"};
    gear.values = {0, 0, 1, 1, 0};
    LogTimeAxis axis;
    axis.Reset(0, 4, 400);
    ChannelLines lines;
    const ValueScale numericScale(numeric, 0, 100);
    BuildChannelLines(log, numeric, axis, numericScale, lines);
    EXPECT_EQ(lines.runStarts, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(lines.points.size(), 4u);

    const ValueScale gearScale(gear, 0, 100);
    BuildChannelLines(log, gear, axis, gearScale, lines);
    const double first = gearScale.YAt(0), second = gearScale.YAt(1);
    EXPECT_EQ(lines.points, (std::vector<PlotPoint>{{0, first},
                                                    {100, first},
                                                    {200, first},
                                                    {200, second},
                                                    {300, second},
                                                    {400, second},
                                                    {400, first}}));
    EXPECT_LT(second, first); // the second level above the first
}

TEST(TimeTicks, StepsSuitTheSpan) {
    const struct {
        double begin, end;
        int maxTicks;
        double step;
        std::size_t count;
        const char* firstLabel;
    } cases[] = {
        {0.0, 10.0, 10, 1.0, 11, "0 s"},           {0.13, 0.9, 8, 0.1, 8, "0.2 s"},
        {5.0, 65.0, 4, 15.0, 4, "0:15"},           {0.0, 3600.0, 8, 600.0, 7, "0:00"},
        {3500.0, 7300.0, 4, 1800.0, 3, "1:00:00"},
    };
    for (const auto& c : cases) {
        double step = 0.0;
        const std::vector<double> ticks = TimeTicks(c.begin, c.end, c.maxTicks, step);
        EXPECT_DOUBLE_EQ(step, c.step) << c.begin << ".." << c.end;
        ASSERT_EQ(ticks.size(), c.count) << c.begin << ".." << c.end;
        EXPECT_EQ(TimeLabel(ticks.front(), step), c.firstLabel);
    }
}

TEST(GearChannel, FoundByNameAndItsChangesListed) {
    DataLog log;
    log.channels.resize(3);
    log.channels[0].name = "Commanded gear";
    log.channels[0].enumerated = true;
    log.channels[1].name = "Speed";
    log.channels[2].name = "GEAR";
    EXPECT_EQ(FindGearChannel(log), 2);
    log.channels[2].name = "Gears engaged"; // numeric: not taken on a part of its name
    EXPECT_EQ(FindGearChannel(log), 0);
    log.channels[0].enumerated = false;
    EXPECT_EQ(FindGearChannel(log), -1);

    DataLogChannel gear;
    gear.values = {1, 1, std::nan(""), 2, 2, 3, std::nan(""), 3, 2};
    EXPECT_EQ(ValueChanges(gear), (std::vector<std::size_t>{3, 5, 8}));
}

TEST(LogReplay, MovesAtTheChosenSpeedAndStopsAtTheEnd) {
    LogReplay replay;
    replay.speed = 4.0;
    bool running = true;
    EXPECT_DOUBLE_EQ(replay.Advance(10.0, 250.0, 60.0, running), 11.0);
    EXPECT_TRUE(running);
    EXPECT_DOUBLE_EQ(replay.Advance(59.5, 250.0, 60.0, running), 60.0);
    EXPECT_FALSE(running);
}

} // namespace
} // namespace vexa
