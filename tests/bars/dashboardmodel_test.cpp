// The dashboard's columns, captions, greying and crosshair, with live values from the
// virtual controller's polling on virtual time.
#include "frame/dashboardmodel.h"
#include "link/controllerfixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

std::string Item(const std::string& kind, const std::string& keys) {
    return "DataItem " + kind + " {\n" + keys + "}\n";
}

// Speed and gear in columns 0 and 1, an unmonitored item, a monitored item of another
// type in column 2 (no box), and a temperature in column 3. \105 and \106 are RAM bytes
// the drive cycle leaves alone.
const std::string kDataItems =
    "[DataItems]\n" +
    Item("NumericValue", "LogicalName Speed\nDisplayName Speed\nDefDisplayColor 0x800000\n"
                         "DefMonState 1\nDisplayFormula %3.0f = M:\\105\nHelpText How fast\n"
                         "StatusBarTxt Vehicle speed\nToolTip Speed\n") +
    Item("EnumeratedText", "LogicalName Gear\nDisplayName Gear\nDefMonState 1\n"
                           "DisplayFormula M:\\106\nEnumText0 N\nEnumText1 1st\nEnumText2 2nd\n") +
    Item("NumericValue", "LogicalName Hidden\nDisplayName Hidden\nDisplayFormula M:\\105\n") +
    Item("Gauge", "LogicalName Odd\nDisplayName Odd\nDefMonState 1\nDisplayFormula M:\\105\n") +
    Item("NumericValue", "LogicalName Temp\nDisplayName Temp\nDefMonState 1\n"
                         "DisplayFormula %3.0f = M:\\106 + 100\n");

class DashboardModel : public ::testing::Test, protected testing::ControllerFixture {
protected:
    void StartWith(const std::string& dataItems) {
        Start(SimOptions{}, 0,
              {{"live.def", testing::LayoutDefinition("LiveBox", 8, 0, "", dataItems)}});
        ChooseType("live.def");
        ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
        model.SetDocument(doc.get());
        model.SetGraphView(&engine, [this] { ++repaints; });
    }
    void TearDown() override { model.ClearItems(); }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(controller->Monitor().timer_period());
            timers.Advance(controller->Monitor().timer_period());
        }
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const DashboardItem& item : model.Items())
            texts.push_back(item.text);
        return texts;
    }
    std::vector<bool> Enabled() const {
        std::vector<bool> enabled;
        for (const DashboardItem& item : model.Items())
            enabled.push_back(item.enabled);
        return enabled;
    }

    CGraphEngine engine{kNumCurves, kPointsPerCurve};
    int repaints = 0;
    CDashboardModel model;
};

TEST_F(DashboardModel, ColumnsFollowTheMonitoredItems) {
    StartWith(kDataItems);
    ASSERT_EQ(model.BuildFromDefinition(), 1);
    ASSERT_EQ(model.Items().size(), 3u);
    EXPECT_EQ(model.ColumnCount(), 4);
    EXPECT_EQ(model.ItemForColumn(2), -1); // the other type leaves an empty column
    EXPECT_EQ(model.ItemForColumn(3), 2);

    const DashboardItem& speed = model.Items()[0];
    EXPECT_EQ(speed.displayName, "Speed");
    EXPECT_EQ(speed.colour, 0x800000u);
    EXPECT_EQ(speed.captionRect, (DashboardRect{10, 10, 100, 30}));
    EXPECT_EQ(speed.valueRect, (DashboardRect{15, 30, 95, 80}));
    EXPECT_EQ(speed.helpText, "How fast");
    EXPECT_EQ(speed.statusBarText, "Vehicle speed");
    EXPECT_EQ(speed.toolTip, "Speed");
    EXPECT_EQ(model.Items()[1].captionRect, (DashboardRect{110, 10, 200, 30}));
    EXPECT_EQ(model.Items()[2].captionRect, (DashboardRect{310, 10, 400, 30}));
    EXPECT_EQ(model.Items()[2].column, 3);

    EXPECT_EQ(model.Caption(), kDashboardNoCommunication);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"--", "--", "--"}));
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(model.PollingSlot(), 1);
    EXPECT_TRUE(controller->Poller().Polling());
}

TEST_F(DashboardModel, WithoutDataItemsNothingIsRegistered) {
    StartWith("");
    EXPECT_EQ(model.BuildFromDefinition(), 0);
    EXPECT_TRUE(model.Items().empty());
    EXPECT_EQ(model.Caption(), kDashboardCaption);
    EXPECT_FALSE(controller->Poller().Polling());

    // A section whose items are all unmonitored makes no box and polls nothing.
    StartWith("[DataItems]\n" + Item("NumericValue", "DisplayFormula M:\\105\n"));
    EXPECT_EQ(model.BuildFromDefinition(), 1);
    EXPECT_TRUE(model.Items().empty());
    EXPECT_FALSE(controller->Poller().Polling());
    EXPECT_EQ(model.Caption(), kDashboardCaption);
}

TEST_F(DashboardModel, TextsEnableTheirBoxAndAFailureGreysAll) {
    StartWith(kDataItems);
    ASSERT_EQ(model.BuildFromDefinition(), 1);
    const std::string hot = " 99";
    model.OnLiveData(3, &hot, nullptr); // the column after the empty one comes first
    EXPECT_EQ(model.Caption(), kDashboardConnected);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"--", "--", " 99"}));
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, true}));

    const std::string ignored = "x";
    model.OnLiveData(2, &ignored, nullptr); // the empty column shows nothing
    model.OnLiveData(4, &ignored, nullptr); // no such column
    EXPECT_EQ(Texts(), (std::vector<std::string>{"--", "--", " 99"}));

    model.OnLiveData(PollDisplay::kPollFailedId, nullptr, nullptr);
    EXPECT_EQ(model.Caption(), kDashboardNoCommunication);
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(Texts()[2], " 99"); // the last value stays, greyed

    const std::string gear = "2nd";
    model.OnLiveData(1, &gear, nullptr);
    EXPECT_EQ(model.Caption(), kDashboardConnected);
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, true, false}));

    model.SetConnected(1);
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, true, true}));
}

TEST_F(DashboardModel, CrosshairFollowsBothCoordinatesAndHidesOnDisconnect) {
    StartWith(kDataItems);
    ASSERT_EQ(model.BuildFromDefinition(), 1);
    const float x = 3.5f;
    const float y = 40.0f;
    model.OnLiveData(PollDisplay::kCrosshairXId, nullptr, &x);
    EXPECT_EQ(engine.GetCrosshairX(), 3.5f);
    EXPECT_EQ(engine.GetCrosshairY(), -1.0f);
    model.OnLiveData(PollDisplay::kCrosshairYId, nullptr, &y);
    EXPECT_EQ(engine.GetCrosshairY(), 40.0f);
    EXPECT_EQ(repaints, 2);
    model.OnLiveData(PollDisplay::kCrosshairYId, nullptr, &y); // unchanged: no repaint
    EXPECT_EQ(repaints, 2);
    model.OnLiveData(12, nullptr, &x); // not a crosshair id
    EXPECT_EQ(repaints, 2);

    model.OnLiveData(PollDisplay::kPollFailedId, nullptr, nullptr);
    EXPECT_EQ(engine.GetCrosshairX(), -1.0f);
    EXPECT_EQ(repaints, 3);
}

TEST_F(DashboardModel, PolledValuesLandInTheirOwnColumns) {
    StartWith(kDataItems);
    sim->Controller().SetRam(0x69, 42);
    sim->Controller().SetRam(0x6A, 2);
    ASSERT_EQ(model.BuildFromDefinition(), 1);
    Tick(4); // one item a tick: speed, gear, odd (no box), temperature
    EXPECT_EQ(Texts(), (std::vector<std::string>{" 42", "2nd", "102"}));
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(model.Caption(), kDashboardConnected);
}

TEST_F(DashboardModel, AFailedPollGreysEverything) {
    StartWith("[DataItems]\n" +
              Item("NumericValue", "DisplayName Good\nDefMonState 1\nDisplayFormula M:\\105\n") +
              Item("NumericValue", "DisplayName Bad\nDefMonState 1\nDisplayFormula M:NOSUCH\n"));
    sim->Controller().SetRam(0x69, 7);
    ASSERT_EQ(model.BuildFromDefinition(), 1);
    Tick();
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, false}));
    EXPECT_EQ(model.Caption(), kDashboardConnected);
    Tick(); // the unknown symbol disconnects the monitor
    EXPECT_EQ(model.Caption(), kDashboardNoCommunication);
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false}));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"7", "--"}));
}

TEST_F(DashboardModel, ClearItemsStopsTheLiveData) {
    StartWith(kDataItems);
    ASSERT_EQ(model.BuildFromDefinition(), 1);
    Tick(2);
    model.ClearItems();
    EXPECT_FALSE(controller->Poller().Polling());
    EXPECT_TRUE(model.Items().empty());
    EXPECT_EQ(model.ColumnCount(), 0);
    EXPECT_EQ(model.Caption(), kDashboardCaption);
    EXPECT_EQ(model.PollingSlot(), 0);
    EXPECT_EQ(controller->Monitor().timer_period(), 1000);

    // Rebuilding registers again, greyed until data comes.
    ASSERT_EQ(model.BuildFromDefinition(), 1);
    EXPECT_TRUE(controller->Poller().Polling());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"--", "--", "--"}));
}

} // namespace
} // namespace vexa
