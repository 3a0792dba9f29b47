#include "datalog/datalogcontrol.h"

#include "core/clock.h"
#include "core/documenthost.h"
#include "core/vlxdoc.h"
#include "datalog/datalogfile.h"
#include "datalog/logcrosshair.h"
#include "datalog/logwindow.h"
#include "frame/commandids.h"
#include "frame/dashboard.h"
#include "frame/mainfrm.h"
#include "graph/vlxview.h"
#include "link/vlxcontroller.h"
#include "uicommon/textcodec.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace vexa {

// What the poller hands the log, passed on to the writer; the status bar follows it.
class CDataLogControl::Recorder : public PollRecorder {
public:
    explicit Recorder(CDataLogControl& control) : control_(control) {}
    void OnItemsLoaded(const std::vector<DataItem>& items) override {
        control_.writer_->OnItemsLoaded(items);
        control_.CheckWriter();
    }
    void OnItemRead(std::size_t index, const std::string& text, double value,
                    bool inRange) override {
        const long long rows = control_.writer_->Rows();
        control_.writer_->OnItemRead(index, text, value, inRange);
        if (control_.writer_->Rows() != rows)
            control_.ShowStatus();
        control_.CheckWriter();
    }
    void OnLinkLost() override {
        control_.writer_->OnLinkLost();
        control_.ShowStatus();
    }

private:
    CDataLogControl& control_;
};

CDataLogControl::CDataLogControl(CMainFrame& frame, CVLXDoc& doc, CVLXController& controller,
                                 std::string logDirectory,
                                 std::function<std::string()> calibrationPath, Clock& clock)
    : frame_(frame), doc_(doc), controller_(controller), directory_(std::move(logDirectory)),
      calibrationPath_(std::move(calibrationPath)), clock_(clock),
      recorder_(std::make_unique<Recorder>(*this)) {
    status_ = new QLabel(&frame);
    status_->setObjectName(QStringLiteral("DataLogStatus"));
    status_->hide();
    frame.statusBar()->addPermanentWidget(status_);

    // A recording can be stopped whatever the link does; one starts while it is up.
    const auto startOrStop = [this] { Recording() ? StopLog() : StartLog(); };
    const auto possible = [this] { return Recording() || Connected(); };
    frame.SetCommandHandler(kIdDataLogStartStop, startOrStop, possible);
    frame.SetCommandHandler(kIdDataLogToggle, startOrStop, possible,
                            [this] { return Recording() ? 1 : 0; });
    frame.SetCommandHandler(kIdDataLogOpen, [this] { OpenLog(); });

    openDialog = [](QWidget* parent, const std::string& directory) {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Open Data Log"),
                                            QFile::decodeName(directory.c_str()),
                                            QStringLiteral("Data Logs (*.csv);;All Files (*)"))
            .toStdString();
    };
}

CDataLogControl::~CDataLogControl() {
    if (Recording()) {
        controller_.stop_recording();
        std::string error;
        writer_->Close(error);
        writer_.reset();
    }
    for (OpenWindow& open : windows_) {
        if (open.window) {
            open.window->onClosed = nullptr;
            open.window->onCursorMoved = nullptr;
            delete open.window.data();
        }
    }
    windows_.clear();
    frame_.Dashboard()->Model().HoldCrosshair(false);
    // The frame asks its commands for their state until it goes.
    for (int id : {kIdDataLogStartStop, kIdDataLogToggle, kIdDataLogOpen})
        frame_.SetCommandHandler(id, {});
}

bool CDataLogControl::Connected() const {
    return controller_.Monitor().is_connected() == 1;
}

// ---- Recording ------------------------------------------------------------------------

void CDataLogControl::StartLog() {
    if (Recording() || !Connected())
        return;
    const std::time_t now = std::time(nullptr);
    const std::tm local = LocalTime(now);
    auto writer = std::make_unique<CDataLogWriter>(clock_);
    std::string error;
    if (!writer->OpenNew(directory_, local, DescribeDataLog(doc_, calibrationPath_()), error)) {
        frame_.MessageBox("The data log could not be started.\n\n" + error, kDataLogErrorCaption,
                          kMbIconStop);
        return;
    }
    writer_ = std::move(writer);
    lastPath_ = writer_->Path();
    endPending_ = false;
    if (!controller_.start_recording(recorder_.get())) {
        std::string ignored;
        writer_->Close(ignored);
        std::remove(lastPath_.c_str());
        writer_.reset();
        frame_.MessageBox("The definition of this calibration has no data items to record.",
                          kDataLogErrorCaption, kMbIconStop);
        frame_.UpdateCommandUI();
        return;
    }
    ShowStatus();
    ShowRecordingState();
}

void CDataLogControl::StopLog() {
    if (!Recording())
        return;
    controller_.stop_recording();
    std::string error;
    const bool closed = writer_->Close(error);
    const std::string problem = writer_->Problem();
    const QString name = QFileInfo(QFile::decodeName(lastPath_.c_str())).fileName();
    status_->setText(QStringLiteral("Data log %1 saved: %2 rows").arg(name).arg(writer_->Rows()));
    status_->show();
    writer_.reset();
    ShowRecordingState();
    if (!problem.empty() || !closed)
        frame_.MessageBox(problem.empty() ? error : problem, kDataLogErrorCaption, kMbIconStop);
}

void CDataLogControl::ShowRecordingState() {
    if (QAction* item = frame_.Action(kIdDataLogStartStop))
        item->setText(Recording() ? QStringLiteral("Stop Data Log\tCtrl+L")
                                  : QStringLiteral("Start Data Log\tCtrl+L"));
    frame_.UpdateCommandUI();
}

void CDataLogControl::ShowStatus() {
    if (!writer_)
        return;
    const QString name = QFileInfo(QFile::decodeName(writer_->Path().c_str())).fileName();
    status_->setText(QString::fromStdString(DataLogStatusText(
        name.toStdString(), writer_->Rows(), writer_->ElapsedMs(), writer_->LinkDown())));
    status_->show();
}

void CDataLogControl::CheckWriter() {
    // The writer ends on its own when it cannot go on; the recording is stopped after the
    // poll that found it, so no message box opens inside a poll.
    if (writer_ && !writer_->Problem().empty() && !endPending_) {
        endPending_ = true;
        QTimer::singleShot(0, this, [this] {
            if (writer_ && endPending_)
                StopLog();
        });
    }
}

// ---- Log windows ----------------------------------------------------------------------

void CDataLogControl::OpenLog() {
    const std::string path = openDialog(&frame_, directory_);
    if (!path.empty())
        OpenLogFile(path);
}

std::vector<std::int32_t> CDataLogControl::ChannelColours(const DataLog& log) {
    std::vector<std::int32_t> colours(log.channels.size(), -1);
    DataItemsSection section;
    if (!ReadDataItems(doc_, section))
        return colours;
    for (std::size_t i = 0; i < section.items.size(); ++i) {
        const DataItem& item = section.items[i];
        int channel = log.FindChannel(DataLogColumnName(item, i));
        if (channel < 0 && !item.logicalName.empty())
            channel = log.FindChannel(item.logicalName);
        if (channel >= 0)
            colours[static_cast<std::size_t>(channel)] = item.displayColour;
    }
    return colours;
}

CDataLogWindow* CDataLogControl::OpenLogFile(const std::string& path) {
    DataLog log;
    std::string error;
    if (!ReadDataLogFile(path, log, error)) {
        frame_.MessageBox(error, kDataLogErrorCaption, kMbIconStop);
        return nullptr;
    }
    const std::vector<std::int32_t> colours = ChannelColours(log);
    auto* window = new CDataLogWindow(std::move(log), path, colours, &frame_);
    OpenWindow open;
    open.window = window;
    open.crosshair = std::make_unique<CLogCrosshair>(doc_, window->Log());
    CLogCrosshair* crosshair = open.crosshair.get();
    windows_.push_back(std::move(open));
    window->onCursorMoved = [this, crosshair](double t) { MoveCrosshair(*crosshair, t); };
    window->onClosed = [this, window] { WindowClosed(window); };
    window->show();
    return window;
}

std::vector<CDataLogWindow*> CDataLogControl::Windows() const {
    std::vector<CDataLogWindow*> windows;
    for (const OpenWindow& open : windows_)
        if (open.window)
            windows.push_back(open.window);
    return windows;
}

void CDataLogControl::MoveCrosshair(CLogCrosshair& crosshair, double t) {
    if (!crosshair.Available() || !frame_.View())
        return;
    frame_.Dashboard()->Model().HoldCrosshair(true);
    float x = CLogCrosshair::kUnchanged;
    float y = CLogCrosshair::kUnchanged;
    CGraphEngine& engine = frame_.View()->Engine();
    const bool changed =
        crosshair.At(t, x, y) ? engine.SetCrosshair(x, y) : engine.SetCrosshair(-1.0f, -1.0f);
    if (changed)
        frame_.View()->RepaintNow();
}

void CDataLogControl::WindowClosed(CDataLogWindow* window) {
    std::erase_if(windows_, [window](const OpenWindow& open) {
        return !open.window || open.window == window;
    });
    if (!windows_.empty())
        return;
    // The live values own the crosshair again; until the next one it is hidden.
    frame_.Dashboard()->Model().HoldCrosshair(false);
    if (frame_.View() && frame_.View()->Engine().SetCrosshair(-1.0f, -1.0f))
        frame_.View()->RepaintNow();
}

} // namespace vexa
