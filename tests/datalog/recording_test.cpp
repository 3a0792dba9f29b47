// Recording a drive from the virtual controller (in process, on virtual time) with the
// shipped 4L60E definition: the file's header and columns, the rows' times, the values the
// dashboard showed, a pulled cable, and the crosshair replayed from the file.
#include "controllerfixture.h"
#include "datalog/datalogfile.h"
#include "datalog/datalogwriter.h"
#include "datalog/logcrosshair.h"
#include "sim/drivecycle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace vexa {
namespace {

using testing::ReadFileBytes;

// The dashboard's side: the latest text of each display slot and the crosshair.
class Dashboard : public PollDisplay {
public:
    void OnPollData(int id, const std::string& text, const float* value) override {
        if (id == kCrosshairXId && value)
            x = *value;
        else if (id == kCrosshairYId && value)
            y = *value;
        else if (id >= 0)
            texts[id] = text;
    }
    std::map<int, std::string> texts;
    float x = -1.0f;
    float y = -1.0f;
};

// What the dashboard showed when a row was written.
struct Shown {
    std::map<int, std::string> texts;
    float x, y;
};

class Recording : public ::testing::Test, protected testing::ControllerFixture {
protected:
    void StartShipped(const SimOptions& options = {}) {
        Start(options, 0,
              {{"4l60e.def", ReadFileBytes(std::string(VEXA_DATA_DIR) + "/PID2/3/4l60e.def")}});
        ChooseType("4l60e.def");
        ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
        ASSERT_EQ(controller->start_polling(&dashboard), 1);
        path = dir.File("drive.csv");
        std::string error;
        ASSERT_TRUE(writer.Open(path, DescribeDataLog(*doc, dir.File("street.gvr")), error))
            << error;
        ASSERT_EQ(controller->start_recording(&writer), 1);
    }
    // Timer ticks at the polling period on virtual time; what the dashboard showed is kept
    // for each row written.
    void Drive(std::int64_t ms) {
        for (std::int64_t t = 0; t < ms;) {
            const int period = controller->Monitor().timer_period();
            clock.Advance(period);
            timers.Advance(period);
            t += period;
            if (writer.Rows() > static_cast<long long>(shown.size()))
                shown.push_back({dashboard.texts, dashboard.x, dashboard.y});
        }
    }
    DataLog ReadLog() {
        DataLog log;
        std::string error;
        EXPECT_TRUE(ReadDataLogFile(path, log, error)) << error;
        return log;
    }

    Dashboard dashboard;
    CDataLogWriter writer{clock};
    std::string path;
    std::vector<Shown> shown;
};

TEST_F(Recording, ADriveCycleIsRecordedAsTheDashboardShowedIt) {
    StartShipped();
    Drive(DriveCycle::kPeriodMs);
    std::string error;
    ASSERT_TRUE(writer.Close(error)) << error;

    const std::string text = ReadFileBytes(path);
    EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
              "# VEXA Transmission Control 3.30 data log; controller: VEXA TCS-2 2.1/3.4; "
              "calibration: " +
                  dir.File("street.gvr") +
                  "; definition: 4l60e.def\n"
                  "Time,Speed (mph),Throttle (%),Gear,Commanded,Converter,Engine rpm,"
                  "Line press.,Fluid (F),Coolant (F),Battery (V),Solenoids\n");

    const DataLog log = ReadLog();
    ASSERT_EQ(log.Rows(), shown.size());
    // A row for each tick of the data log period, from the tick on which the last of the
    // logged items was first read.
    EXPECT_EQ(controller->Monitor().timer_period(), 50);
    EXPECT_EQ(log.Rows(), static_cast<std::size_t>(DriveCycle::kPeriodMs / 50) - 10);
    for (std::size_t row = 1; row < log.Rows(); ++row)
        ASSERT_NEAR(log.times[row] - log.times[row - 1], 0.050, 1e-9) << "row " << row;

    // Each value is what the dashboard showed at that moment: its text, or for a number,
    // the text the item's format makes of it.
    const std::vector<DataItem>& items = controller->Poller().Items();
    ASSERT_EQ(items.size(), log.channels.size());
    std::map<std::string, int> gears;
    for (std::size_t row = 0; row < log.Rows(); ++row) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            const DataItem& item = items[i];
            if (item.displaySlot == DataItem::kNoDisplaySlot ||
                shown[row].texts.count(item.displaySlot) == 0)
                continue;
            const std::string& showed = shown[row].texts.at(item.displaySlot);
            const DataLogChannel& channel = log.channels[i];
            const double value = channel.values[row];
            const std::string recorded = channel.enumerated || std::isnan(value)
                                             ? channel.Text(value)
                                             : FormatDisplayValue(item.format, value);
            ASSERT_EQ(recorded, showed) << channel.name << ", row " << row;
        }
        ++gears[log.channels[2].Text(log.channels[2].values[row])];
    }
    // The drive went through every gear.
    EXPECT_EQ(gears.size(), 4u);
}

TEST_F(Recording, TheCrosshairReplayedFromTheFileIsTheLiveOne) {
    StartShipped();
    Drive(30000);
    const DataLog log = ReadLog();
    ASSERT_EQ(log.Rows(), shown.size());
    CLogCrosshair replay(*doc, log);
    ASSERT_TRUE(replay.Available());
    float x = 0, y = 0;
    EXPECT_FALSE(replay.At(log.StartTime() - 0.001, x, y));
    int moving = 0;
    for (std::size_t row = 0; row < log.Rows(); ++row) {
        ASSERT_TRUE(replay.At(log.times[row] + 0.01, x, y));
        ASSERT_EQ(x, shown[row].x) << "row " << row;
        ASSERT_EQ(y, shown[row].y) << "row " << row;
        moving += row > 0 && (shown[row].x != shown[row - 1].x || shown[row].y != shown[row - 1].y);
    }
    EXPECT_GT(moving, 100);
}

TEST_F(Recording, APulledCableKeepsEveryRowAndTheLogGoesOnWhenItIsBack) {
    SimOptions options;
    options.faults.unplugAfter = 6000;
    options.faults.replugAfterMs = 5000;
    StartShipped(options);
    std::string before;
    for (int second = 0; second < 60 && controller->Monitor().is_connected(); ++second) {
        before = ReadFileBytes(path);
        Drive(1000);
    }
    ASSERT_EQ(controller->Monitor().is_connected(), 0) << "the cable was not pulled";
    EXPECT_TRUE(writer.LinkDown());
    const long long rowsBefore = writer.Rows();
    const std::string atLoss = ReadFileBytes(path);
    // Everything written up to the second before is still there, and every row is whole.
    EXPECT_EQ(atLoss.substr(0, before.size()), before);
    EXPECT_EQ(atLoss.back(), '\n');
    EXPECT_EQ(ReadLog().Rows(), static_cast<std::size_t>(rowsBefore));

    Drive(10000);
    EXPECT_EQ(controller->Monitor().is_connected(), 1);
    EXPECT_FALSE(writer.LinkDown());
    EXPECT_GT(writer.Rows(), rowsBefore + 10);
    const std::string after = ReadFileBytes(path);
    EXPECT_EQ(after.substr(0, atLoss.size()), atLoss);
    const DataLog log = ReadLog();
    ASSERT_EQ(log.Rows(), static_cast<std::size_t>(writer.Rows()));
    const auto resumed = static_cast<std::size_t>(rowsBefore);
    EXPECT_GT(log.times[resumed] - log.times[resumed - 1], 4.0); // the gap while unplugged
}

TEST_F(Recording, RecordingGoesOnWithoutTheDashboard) {
    StartShipped();
    controller->stop_polling(CDataPoller::kDashboardSlot);
    Drive(2000);
    EXPECT_GT(writer.Rows(), 5);
    EXPECT_EQ(controller->Monitor().timer_period(), 50);
    controller->stop_recording();
    EXPECT_EQ(controller->Monitor().timer_period(), 1000);
    const long long rows = writer.Rows();
    Drive(2000);
    EXPECT_EQ(writer.Rows(), rows);
}

TEST(CrosshairFormula, ReadsControllerFindsOnlyMReferences) {
    EXPECT_TRUE(ReadsController("M:TPS: * 2"));
    EXPECT_TRUE(ReadsController("x + m:\\105"));
    EXPECT_FALSE(ReadsController("x*9/100"));
    EXPECT_FALSE(ReadsController("T:ShiftM: + I:RPM:"));
    EXPECT_TRUE(ReadsController("T:Shift: + M:GEAR:"));
}

} // namespace
} // namespace vexa
