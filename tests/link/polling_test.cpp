// Live-data polling on the monitor's timer (ManualTimerService) against the virtual
// controller: periods, NumTicks weighting, range and enumerated texts, formats, crosshair,
// and a failed poll.
#include "controllerfixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

struct Shown {
    int id;
    std::string text;
    float value;
    bool operator==(const Shown&) const = default;
};

class RecordingDisplay : public PollDisplay {
public:
    void OnPollData(int id, const std::string& text, const float* value) override {
        shown.push_back({id, text, value ? *value : -1.0f});
    }
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (const Shown& s : shown)
            ids.push_back(s.id);
        return ids;
    }
    std::vector<Shown> shown;
};

// RAM bytes the drive cycle leaves alone, by number: \105 is SYCONFIG (0x69).
std::string Item(const std::string& kind, const std::string& keys) {
    return "DataItem " + kind + " {\n" + keys + "}\n";
}

class Polling : public ::testing::Test, protected testing::ControllerFixture {
protected:
    void StartWith(const std::string& dataItems) {
        Start(SimOptions{}, 0,
              {{"live.def", testing::LayoutDefinition("LiveBox", 8, 0, "", dataItems)}});
        ChooseType("live.def");
        ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
    }
    void SetRam(int address, int value) {
        sim->Controller().SetRam(address, static_cast<std::uint8_t>(value));
    }
    // One timer tick at the current period.
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(controller->Monitor().timer_period());
            timers.Advance(controller->Monitor().timer_period());
        }
    }
    RecordingDisplay display;
};

TEST_F(Polling, NoDataItemsSectionRegistersNothing) {
    StartWith("");
    EXPECT_EQ(controller->start_polling(&display), 0);
    EXPECT_FALSE(controller->Poller().Polling());
    controller->Monitor().set_connected(0);
    EXPECT_EQ(controller->Monitor().timer_period(), 1000);
    Tick(3);
    EXPECT_TRUE(display.shown.empty());
    EXPECT_EQ(controller->Monitor().is_connected(), 1);
}

TEST_F(Polling, FormatsTheValueAndPacesTheTimer) {
    StartWith("[DataItems]\nDashboardUpdatePeriod 120\n" +
              Item("NumericValue",
                   "DisplayName Half\nDefMonState 1\nDisplayFormula %4.1f = M:\\105 * 0.5\n"));
    SetRam(0x69, 3);
    ASSERT_EQ(controller->start_polling(&display), 1);
    EXPECT_EQ(controller->Monitor().timer_period(), 120);
    Tick();
    EXPECT_EQ(display.shown, (std::vector<Shown>{{0, " 1.5", -1.0f}}));
    ASSERT_EQ(controller->stop_polling(1), 1);
    EXPECT_EQ(controller->Monitor().timer_period(), 1000);
}

TEST_F(Polling, LoggedItemsChooseTheDataLogPeriod) {
    StartWith("[DataItems]\n" + Item("NumericValue", "DefLogState 1\nDisplayFormula M:\\105\n"));
    ASSERT_EQ(controller->start_polling(&display), 1);
    EXPECT_EQ(controller->Monitor().timer_period(), 50);
    controller->Monitor().set_connected(0);
    Tick(); // reconnects at once at the logging period
    EXPECT_EQ(controller->Monitor().timer_period(), 50);
}

TEST_F(Polling, NumTicksWeightsHowOftenAnItemIsRead) {
    StartWith("[DataItems]\n" + Item("NumericValue", "DefMonState 1\nDisplayFormula M:\\105\n") +
              Item("NumericValue", "DefMonState 1\nNumTicks 3\nDisplayFormula M:\\106\n"));
    ASSERT_EQ(controller->start_polling(&display), 1);
    Tick(10);
    EXPECT_EQ(display.Ids(), (std::vector<int>{0, 1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST_F(Polling, SingleItemIsReadEveryNumTicksTicks) {
    StartWith("[DataItems]\n" +
              Item("NumericValue", "DefMonState 1\nNumTicks 3\nDisplayFormula M:\\105\n"));
    ASSERT_EQ(controller->start_polling(&display), 1);
    std::vector<std::size_t> counts;
    for (int tick = 0; tick < 7; ++tick) {
        Tick();
        counts.push_back(display.shown.size());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 1, 1, 2, 2, 2, 3}));
}

TEST_F(Polling, RangeEnumeratedAndFormatTexts) {
    struct Case {
        std::string kind;
        std::string keys;
        int ram;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"NumericValue", "MaxValue 200\nDisplayFormula %3.0f = M:\\105\n", 200, "200"},
        {"NumericValue", "MaxValue 200\nMaxErrorTxt TooHighXYZ\nDisplayFormula %3.0f = M:\\105\n",
         201, "TooHig"},
        {"NumericValue", "MinValue 10\nDisplayFormula %3.0f = M:\\105\n", 9, "eL"},
        {"NumericValue", "DisplayFormula M:\\105 * 2\n", 4, "8"}, // no format: shown with %g
        {"NumericValue", "DisplayFormula %s = M:\\105\n", 7, "7"},
        {"NumericValue", "DisplayFormula %d = M:\\105 / 2\n", 7, "3.5"},
        {"NumericValue", "DisplayFormula %5.1f %f = M:\\105\n", 7, "7"},
        {"NumericValue", "DisplayFormula %%%.2f%% = M:\\105\n", 7, "%7.00%"},
        {"NumericValue", "DisplayFormula %5.1f = 2 + 3\n", 0, "eH"}, // no M: reference: raw 1000
        {"EnumeratedText",
         "EnumText0 P\nEnumText1 R\nEnumText2 Neutral1234\nDisplayFormula M:\\105 / 10\n", 29,
         "Neutra"},
        {"EnumeratedText", "EnumText0 P\nEnumText1 R\nDisplayFormula M:\\105\n", 5, ""},
        {"EnumeratedText", "EnumText0 P\nDisplayFormula M:\\105 - 20\n", 3, ""},
        {"EnumeratedText", "EnumText0 P\nEnumText1 R\nDisplayFormula M:\\105\n", 12, ""},
    };
    for (const Case& c : cases) {
        display.shown.clear();
        StartWith("[DataItems]\n" + Item(c.kind, "DefMonState 1\n" + c.keys));
        SetRam(0x69, c.ram);
        ASSERT_EQ(controller->start_polling(&display), 1);
        Tick();
        ASSERT_EQ(display.shown.size(), 1u) << c.keys;
        EXPECT_EQ(display.shown[0].text, c.expected) << c.keys;
    }
}

TEST_F(Polling, CrosshairFollowsItsFormula) {
    StartWith(
        "[DataItems]\n" +
        Item("NumericValue", "DefMonState 1\nDisplayFormula %3.0f = M:\\105\n"
                             "CrosshairMode X\nCrosshairFormula x * 2\n") +
        Item("NumericValue",
             "CrosshairMode yes\nCrosshairFormula M:\\106 + 1\nDisplayFormula M:\\106\n") +
        Item("NumericValue", "CrosshairMode Z\nCrosshairFormula 1\nDisplayFormula M:\\106\n"));
    SetRam(0x69, 21);
    SetRam(0x6A, 4);
    ASSERT_EQ(controller->start_polling(&display), 1);
    Tick(3);
    EXPECT_EQ(display.shown, (std::vector<Shown>{{0, " 21", -1.0f},
                                                 {PollDisplay::kCrosshairXId, "", 42.0f},
                                                 {PollDisplay::kCrosshairYId, "", 5.0f}}));
}

// A live value can be no number (ARCOSH of -2 here); a crosshair that looks it up on a curve
// then takes the curve's first point, and polling goes on.
TEST_F(Polling, ACrosshairOnACurveSurvivesAValueThatIsNoNumber) {
    Start(SimOptions{}, 0,
          {{"live.def",
            testing::LayoutDefinition(
                "LiveBox", 8, 0, "Shift T8 10:7:x Def:10,20,30,40,50,60,70,80,90,100,\n",
                "[DataItems]\n" + Item("NumericValue",
                                       "DefMonState 1\nDisplayFormula ARCOSH(M:\\105 -3)\n"
                                       "CrosshairMode X\nCrosshairFormula T:Shift:\n"))}});
    ChooseType("live.def");
    ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
    SetRam(0x69, 1);
    ASSERT_EQ(controller->start_polling(&display), 1);
    Tick(2);
    ASSERT_EQ(display.shown.size(), 4u);
    EXPECT_EQ(display.shown[1], (Shown{PollDisplay::kCrosshairXId, "", 10.0f}));
    EXPECT_EQ(controller->Monitor().is_connected(), 1);
}

TEST_F(Polling, FailedPollDisconnectsAndResumesAtTheLastItem) {
    StartWith("[DataItems]\n" + Item("NumericValue", "DefMonState 1\nDisplayFormula M:\\105\n") +
              Item("NumericValue", "DefMonState 1\nNumTicks 2\nDisplayFormula M:NOSUCHNAME\n") +
              Item("NumericValue", "DefMonState 1\nNumTicks 5\nDisplayFormula M:\\106\n"));
    ASSERT_EQ(controller->start_polling(&display), 1);
    Tick(2);
    EXPECT_EQ(display.Ids(), (std::vector<int>{0, PollDisplay::kPollFailedId}));
    EXPECT_EQ(controller->Monitor().is_connected(), 0);
    EXPECT_EQ(host.statusTexts.back(), kDisconnectedStatusText);
    EXPECT_EQ(controller->Poller().PollIndex(), 2);
    for (const DataItem& item : controller->Poller().Items())
        EXPECT_EQ(item.tickCounter, item.numTicks);
    Tick(); // reconnects and polls the last item first
    EXPECT_EQ(display.Ids().back(), 2);
}

TEST_F(Polling, AtMostTwentyItemsAreTaken) {
    std::string items = "[DataItems]\n" + Item("NumericValue", "DisplayName Dropped\n");
    for (int i = 0; i < 25; ++i)
        items += Item("NumericValue", "DisplayName I" + std::to_string(i) +
                                          "\nDefMonState 1\nDisplayFormula M:\\105\n");
    StartWith(items);
    ASSERT_EQ(controller->start_polling(&display), 1);
    ASSERT_EQ(controller->Poller().Items().size(), 20u);
    EXPECT_EQ(controller->Poller().Items().front().displayName, "I0");
    EXPECT_EQ(controller->Poller().Items().back().displaySlot, 19);
}

TEST(DisplayFormula, SplitAndFormatCheck) {
    std::string format, formula;
    SplitDisplayFormula("%5.1f  =  M:TPS * 2 ", format, formula);
    EXPECT_EQ(format, "%5.1f");
    EXPECT_EQ(formula, "M:TPS * 2");
    SplitDisplayFormula("=M:TPS", format, formula);
    EXPECT_EQ(format, "");
    EXPECT_EQ(formula, "=M:TPS");
    for (const char* good : {"%5.1f", "%g km/h", "%-+ #08.3e", "%lf", "%%%G%%", "%A"})
        EXPECT_TRUE(IsSingleDoubleFormat(good)) << good;
    for (const char* bad : {"", "%d", "%s", "%f %f", "%*f", "%.*f", "%Lf", "%n", "%5.1", "%",
                            "%1234f", "%.1234f", "abc"})
        EXPECT_FALSE(IsSingleDoubleFormat(bad)) << bad;
    EXPECT_EQ(FormatDisplayValue("%999.1f", 1.0).size(), 48u);
}

} // namespace
} // namespace vexa
