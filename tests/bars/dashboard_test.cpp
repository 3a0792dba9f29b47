// The "Dashboard" bar's widgets: boxes, captions, fonts and colours, greying and the dock's
// title, values from the virtual controller's polling, and a picture of the shipped 4L60E
// dashboard with live values.
#include "barsupport.h"
#include "data/datafixture.h"
#include "frame/dashboard.h"
#include "link/controllerfixture.h"
#include "support/simlink.h"

#include <QDockWidget>
#include <QLabel>

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::CountingIds;

std::string Item(const std::string& kind, const std::string& keys) {
    return "DataItem " + kind + " {\n" + keys + "}\n";
}

const std::string kDataItems =
    "[DataItems]\n" +
    Item("NumericValue", "LogicalName Speed\nDisplayName Speed\nDefDisplayColor 0x0000C0\n"
                         "DefMonState 1\nDisplayFormula %3.0f = M:\\105\nHelpText How fast\n"
                         "StatusBarTxt Vehicle speed\nToolTip Speed\n") +
    Item("Gauge", "DisplayName Odd\nDefMonState 1\nDisplayFormula M:\\105\n") +
    Item("EnumeratedText", "LogicalName Gear\nDisplayName Gear\nDefMonState 1\n"
                           "DisplayFormula M:\\106\nEnumText0 N\nEnumText1 1st\n");

class DashboardBar : public ::testing::Test, protected testing::ControllerFixture {
protected:
    void SetUp() override {
        Start(SimOptions{}, 0,
              {{"live.def", testing::LayoutDefinition("LiveBox", 8, 0, "", kDataItems)}});
        ChooseType("live.def");
        ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
        dock = std::make_unique<QDockWidget>(QStringLiteral("Dashboard"));
        dashboard = new CDashboard(&ids, dock.get());
        dock->setWidget(dashboard);
        dashboard->SetDocument(doc.get());
    }
    void TearDown() override {
        dashboard->ClearItems();
        dock.reset();
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(controller->Monitor().timer_period());
            timers.Advance(controller->Monitor().timer_period());
        }
    }

    CountingIds ids;
    std::unique_ptr<QDockWidget> dock;
    CDashboard* dashboard = nullptr;
};

TEST_F(DashboardBar, BoxesCaptionsAndGreying) {
    EXPECT_EQ(dock->windowTitle(), QStringLiteral("Dashboard"));
    ASSERT_EQ(dashboard->BuildFromDefinition(), 1);
    ASSERT_EQ(dashboard->BoxCount(), 2u);
    EXPECT_EQ(dock->windowTitle(), QStringLiteral("Dashboard - No Communication with Controller"));

    QLabel* speed = dashboard->ValueLabel(0);
    QLabel* caption = dashboard->CaptionLabel(0);
    EXPECT_EQ(speed->text(), QStringLiteral("--"));
    EXPECT_EQ(caption->text(), QStringLiteral("Speed"));
    EXPECT_EQ(speed->geometry(), QRect(15, 30, 80, 50));
    EXPECT_EQ(caption->geometry(), QRect(10, 10, 90, 20));
    // The gear keeps the third column; the second stays empty.
    EXPECT_EQ(dashboard->CaptionLabel(1)->geometry(), QRect(210, 10, 90, 20));
    EXPECT_EQ(speed->font().pointSize(), 20);
    EXPECT_EQ(caption->font().pointSize(), 8);
    EXPECT_EQ(speed->palette().color(QPalette::Active, QPalette::WindowText), QColor(0xC0, 0, 0));
    EXPECT_EQ(speed->palette().color(QPalette::Active, QPalette::Window), QColor(Qt::white));
    EXPECT_FALSE(speed->isEnabled());
    EXPECT_FALSE(caption->isEnabled());

    // Both boxes of an item carry its texts under their own ids.
    for (const int id : {dashboard->ValueId(0), dashboard->CaptionId(0)}) {
        EXPECT_NE(id, 0);
        EXPECT_EQ(ids.status[id], "Vehicle speed");
        EXPECT_EQ(ids.tips[id], "Speed");
        EXPECT_EQ(*ids.help[id], "How fast");
    }
    EXPECT_NE(dashboard->ValueId(0), dashboard->CaptionId(0));

    const std::string gear = "1st";
    dashboard->OnLiveData(2, &gear, nullptr);
    EXPECT_EQ(dock->windowTitle(), QStringLiteral("Dashboard - Connected"));
    EXPECT_EQ(dashboard->ValueLabel(1)->text(), QStringLiteral("1st"));
    EXPECT_TRUE(dashboard->ValueLabel(1)->isEnabled());
    EXPECT_FALSE(speed->isEnabled());

    dashboard->OnLiveData(PollDisplay::kPollFailedId, nullptr, nullptr);
    EXPECT_EQ(dock->windowTitle(), QStringLiteral("Dashboard - No Communication with Controller"));
    EXPECT_FALSE(dashboard->ValueLabel(1)->isEnabled());

    dashboard->ClearItems();
    EXPECT_EQ(dashboard->BoxCount(), 0u);
    EXPECT_TRUE(ids.inUse.empty());
    EXPECT_EQ(dock->windowTitle(), QStringLiteral("Dashboard"));
}

TEST_F(DashboardBar, PolledValuesReachTheBoxes) {
    sim->Controller().SetRam(0x69, 88);
    sim->Controller().SetRam(0x6A, 1);
    ASSERT_EQ(dashboard->BuildFromDefinition(), 1);
    Tick(3);
    EXPECT_EQ(dashboard->ValueLabel(0)->text(), QStringLiteral(" 88"));
    EXPECT_EQ(dashboard->ValueLabel(1)->text(), QStringLiteral("1st"));
    EXPECT_TRUE(dashboard->ValueLabel(0)->isEnabled());
    EXPECT_EQ(dock->windowTitle(), QStringLiteral("Dashboard - Connected"));
}

// The shipped definition on the virtual controller driving its cycle, with the crosshair on
// the graph.
struct LiveData {
    ManualClock clock;
    ManualTimerService timers;
    SerialDeviceFactory factory;
    SimTransport sim{clock, SimOptions{}};
    testing::DataDoc data{testing::Family{2, 3}};
    CVLXController* controller = nullptr;

    LiveData() {
        controller = testing::LinkToSim(*data.doc, data.settings, factory, sim, timers, clock);
    }
    ~LiveData() { data.doc.reset(); }
    void Tick(int n) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(controller->Monitor().timer_period());
            timers.Advance(controller->Monitor().timer_period());
        }
    }
};

TEST(DashboardPicture, Shipped4L60EWithLiveValues) {
    LiveData live;
    ASSERT_TRUE(live.data.NewOfType("4l60e.def"));
    ASSERT_EQ(live.data.doc->Controller().CheckController(0, 1), 1);
    CountingIds ids;
    {
        QDockWidget dock(QStringLiteral("Dashboard"));
        auto* dashboard = new CDashboard(&ids, &dock);
        dock.setWidget(dashboard);
        dashboard->SetDocument(live.data.doc.get());
        int repaints = 0;
        dashboard->SetGraphView(&live.data.engine, [&repaints] { ++repaints; });
        ASSERT_EQ(dashboard->BuildFromDefinition(), 1);
        ASSERT_GE(dashboard->BoxCount(), 6u);
        live.clock.Advance(20000); // into the drive cycle
        live.Tick(60);
        EXPECT_EQ(dock.windowTitle(), QStringLiteral("Dashboard - Connected"));
        for (std::size_t i = 0; i < dashboard->BoxCount(); ++i) {
            EXPECT_NE(dashboard->ValueLabel(i)->text(), QStringLiteral("--")) << i;
            EXPECT_TRUE(dashboard->ValueLabel(i)->isEnabled()) << i;
        }
        EXPECT_GT(repaints, 0);
        EXPECT_GE(live.data.engine.GetCrosshairX(), 0.0f);
        EXPECT_GE(live.data.engine.GetCrosshairY(), 0.0f);
        dock.resize(dashboard->sizeHint() + QSize(0, 30));
        dock.show();
        const std::string path = testing::SaveScreenshot(dock, "dashboard_4l60e_live");
        EXPECT_FALSE(QImage(QString::fromStdString(path)).isNull());
        dashboard->ClearItems();
    }
}

} // namespace
} // namespace vexa
