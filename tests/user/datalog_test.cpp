// Data logs as a user records and replays them: recording from the virtual controller from
// the menu and the toolbar, a log opened in its own window and scrubbed through with the
// mouse and the keys, the graph's crosshair following its cursor, replay, and a file that is
// no log.
#include "datalog/datalogcontrol.h"
#include "datalog/datalogfile.h"
#include "datalog/logplotwidget.h"
#include "datalog/logwindow.h"
#include "graph/vlxview.h"
#include "link/vlxcontroller.h"
#include "userfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <cmath>
#include <filesystem>
#include <regex>

namespace vexa::testing {
namespace {

class DataLogUser : public UserTest {
protected:
    // The link's timer ticks for ms milliseconds of virtual time.
    void Poll(int ms) {
        for (int t = 0; t < ms; t += 50) {
            timers.Advance(50);
            QApplication::processEvents();
        }
    }
    CDataLogControl& Logs() { return *app->DataLogs(); }
    CDataLogWindow* OpenWithMenu(const std::string& path) {
        Logs().openDialog = [path](QWidget*, const std::string&) { return path; };
        ChooseMenuItem(Qt::Key_F, Qt::Key_G); // Open Data Lo&g...
        const std::vector<CDataLogWindow*> windows = Logs().Windows();
        return windows.empty() ? nullptr : windows.back();
    }
    CGraphEngine& Graph() { return Frame().View()->Engine(); }
};

TEST_F(DataLogUser, ARecordingStartedFromTheToolbarIsWrittenAndShownInTheStatusBar) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    QAction* item = Frame().Action(kIdDataLogStartStop);
    ConnectAndPoll();
    ASSERT_TRUE(item->isEnabled());
    EXPECT_EQ(item->text(), QStringLiteral("Start Data Log\tCtrl+L"));

    Click(ToolButton(kIdDataLogToggle));
    ASSERT_TRUE(Logs().Recording());
    EXPECT_TRUE(Frame().Action(kIdDataLogToggle)->isChecked());
    EXPECT_EQ(item->text(), QStringLiteral("Stop Data Log\tCtrl+L"));
    Poll(3000);
    const std::string path = Logs().LastPath();
    EXPECT_EQ(std::filesystem::path(path).parent_path().string(), dir.File("logs"));
    const std::string name = std::filesystem::path(path).filename().string();
    EXPECT_TRUE(std::regex_match(name, std::regex("\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d.csv")))
        << name;
    const QString status = Logs().StatusLabel()->text();
    EXPECT_TRUE(status.startsWith(QString::fromStdString("Data log " + name + ": ")))
        << status.toStdString();
    EXPECT_TRUE(Logs().StatusLabel()->isVisible());
    const std::vector<std::string> shown = DashboardValues();

    // Stopped with the File menu item's key.
    Key(Frame(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_FALSE(Logs().Recording());
    EXPECT_FALSE(Frame().Action(kIdDataLogToggle)->isChecked());
    EXPECT_EQ(item->text(), QStringLiteral("Start Data Log\tCtrl+L"));
    const std::string text = ReadFileBytes(path);
    EXPECT_EQ(text.rfind("# VEXA Transmission Control 3.30", 0), 0u);
    EXPECT_NE(text.find("; calibration: " + dir.File("street.gvr") +
                        "; definition: 4l60e.def\n"
                        "Time,Speed (mph),Throttle (%),Gear,Commanded,Converter,Engine rpm,"
                        "Line press.,Fluid (F),Coolant (F),Battery (V),Solenoids\n"),
              std::string::npos);
    DataLog log;
    std::string error;
    ASSERT_TRUE(ReadDataLogFile(path, log, error)) << error;
    // A row a tick once every logged item was read: 3 s at the 50 ms data log period.
    EXPECT_GE(log.Rows(), 40u);
    EXPECT_LE(log.Rows(), 60u);
    for (std::size_t row = 1; row < log.Rows(); ++row)
        EXPECT_GT(log.times[row], log.times[row - 1]);
    // The last row holds the gear and converter the dashboard showed.
    EXPECT_EQ(log.channels[2].Text(log.channels[2].values.back()), shown[2]);
    EXPECT_EQ(log.channels[4].Text(log.channels[4].values.back()), shown[4]);
    EXPECT_TRUE(Logs().StatusLabel()->text().contains(QStringLiteral("saved")));
    EXPECT_TRUE(script.shown.empty());
}

// A hand-written log over the 4L60E's crosshair items: Throttle drives x (x*9/100), Speed y.
std::string ShiftLog() {
    std::string text = "Time,Speed (mph),Throttle (%),Gear\n";
    const char* gears[] = {"1st", "2nd", "3rd", "4th"};
    for (int i = 0; i <= 100; ++i)
        text += std::to_string(i / 10) + "." + std::to_string(i % 10) + "," +
                std::to_string(i * 0.6) + "," + std::to_string(20 + (i % 50)) + "," +
                gears[std::min(i / 25, 3)] + "\n";
    return text;
}

TEST_F(DataLogUser, TheLogCursorMovesTheCrosshairWhileLivePollingGoesOn) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    ConnectAndPoll();
    Click(ToolButton(kIdDataLogToggle)); // recording while the log is looked at
    Poll(1000);
    const float liveX = Graph().GetCrosshairX();
    ASSERT_GE(liveX, 0.0f) << "the live crosshair shows";
    const int period = app->Controller()->Monitor().timer_period();

    CDataLogWindow* window = OpenWithMenu(dir.Write("shift.csv", ShiftLog()));
    ASSERT_NE(window, nullptr);
    Activate(*window);
    CLogPlot* plot = window->Plot();
    EXPECT_EQ(window->Channels()->count(), 3);
    EXPECT_EQ(plot->GearChannel(), 2);
    // The dashboard's colours for the channels the definition knows.
    EXPECT_EQ(plot->ChannelColour(0), QColor(0, 0, 0x80));

    // A click just after 3 s: Speed 18, Throttle 50, so x = 4.5 and y = 18.
    Click(plot, QPoint(static_cast<int>(std::lround(plot->XOf(3.03))), plot->height() / 2));
    EXPECT_NEAR(plot->CursorTime(), 3.0, 0.05);
    EXPECT_FLOAT_EQ(Graph().GetCrosshairX(), 50 * 9 / 100.0f);
    EXPECT_FLOAT_EQ(Graph().GetCrosshairY(), 18.0f);
    EXPECT_EQ(window->Channels()->item(2)->text().toStdString(), "Gear: 2nd");

    // The next row by key.
    Key(*window, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(plot->CursorTime(), 3.1);
    EXPECT_FLOAT_EQ(Graph().GetCrosshairY(), 31 * 0.6f);

    // Live polling goes on at its period and leaves the crosshair where the log put it.
    const long long rows = Logs().Writer()->Rows();
    Poll(1000);
    EXPECT_EQ(app->Controller()->Monitor().timer_period(), period);
    EXPECT_EQ(Logs().Writer()->Rows(), rows + 20);
    EXPECT_FLOAT_EQ(Graph().GetCrosshairY(), 31 * 0.6f);

    // Closed, the live values take the crosshair back.
    window->close();
    QApplication::processEvents();
    Poll(500);
    EXPECT_FLOAT_EQ(Graph().GetCrosshairX(), liveX);
}

TEST_F(DataLogUser, TheWheelZoomsDraggingMovesAndTicksChooseTheChannels) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CDataLogWindow* window = OpenWithMenu(dir.Write("shift.csv", ShiftLog()));
    ASSERT_NE(window, nullptr);
    Activate(*window);
    CLogPlot* plot = window->Plot();
    ASSERT_DOUBLE_EQ(plot->Axis().Span(), 10.0);

    // Two notches with the pointer in the middle: the time under it stays there.
    const double pointer = plot->rect().center().x() - plot->PlotRect().left();
    const double under = plot->Axis().TimeAt(pointer);
    WheelOver(plot, 120);
    WheelOver(plot, 120);
    EXPECT_NEAR(plot->Axis().Span(), 10.0 / 1.25 / 1.25, 1e-9);
    EXPECT_NEAR(plot->Axis().TimeAt(pointer), under, 1e-9);
    const double begin = plot->Axis().Begin();
    // Dragged to the left by a quarter of the plot: later times come into view.
    const QPoint from = plot->PlotRect().center();
    const int quarter = plot->PlotRect().width() / 4;
    QTest::mousePress(plot, Qt::LeftButton, {}, from);
    QTest::mouseMove(plot, from - QPoint(quarter / 2, 0));
    QTest::mouseMove(plot, from - QPoint(quarter, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, from - QPoint(quarter, 0));
    EXPECT_NEAR(plot->Axis().Begin() - begin, plot->Axis().Span() / 4, 0.05);
    EXPECT_DOUBLE_EQ(plot->CursorTime(), 0.0) << "a drag does not move the cursor";

    // Untick Throttle from the keyboard.
    QListWidget* channels = window->Channels();
    ASSERT_TRUE(plot->ChannelShown(1));
    Click(channels->viewport(), channels->visualItemRect(channels->item(1)).center());
    Key(*window, Qt::Key_Space);
    EXPECT_FALSE(plot->ChannelShown(1));
}

TEST_F(DataLogUser, PlayReplaysAtTheChosenSpeed) {
    Start(MakeCalibration("4l60e.def", "street.gvr"));
    CDataLogWindow* window = OpenWithMenu(dir.Write("shift.csv", ShiftLog()));
    ASSERT_NE(window, nullptr);
    Activate(*window);
    Key(*window, Qt::Key_S, Qt::AltModifier); // the speed box
    Key(*window, Qt::Key_Down);
    Key(*window, Qt::Key_Down);
    Key(*window, Qt::Key_Down);
    ASSERT_EQ(window->SpeedBox()->currentText(), QStringLiteral("10\u00D7"));
    Click(window->PlayButton());
    ASSERT_TRUE(window->Playing());
    QTest::qWait(400);
    EXPECT_GT(window->Plot()->CursorTime(), 2.0); // 0.4 s at ten times
    EXPECT_FLOAT_EQ(Graph().GetCrosshairY(),
                    static_cast<float>(window->Log().channels[0].values[static_cast<std::size_t>(
                        window->Log().RowAt(window->Plot()->CursorTime()))]));
    Click(window->PlayButton());
    EXPECT_FALSE(window->Playing());
    EXPECT_EQ(window->PlayButton()->text(), QStringLiteral("&Play"));
}

TEST_F(DataLogUser, AFileThatIsNoLogIsRefusedWithItsReason) {
    const std::string calibration = MakeCalibration("4l60e.def", "street.gvr");
    Start(calibration);
    EXPECT_EQ(OpenWithMenu(calibration), nullptr);
    ASSERT_EQ(script.Captions(), (std::vector<std::string>{kDataLogErrorCaption}));
    EXPECT_EQ(script.shown[0].text.rfind(calibration + " is not a data log: ", 0), 0u)
        << script.shown[0].text;
    EXPECT_EQ(script.shown[0].flags & 0xF0, static_cast<unsigned>(kMbIconStop));
}

} // namespace
} // namespace vexa::testing
