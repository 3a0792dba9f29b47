#pragma once
// CDataLogControl: the main window's data logs. It handles File > Start Data Log (Stop Data
// Log while recording; Ctrl+L), File > Open Data Log..., and the toolbar's Data Log button:
//
// - Recording (enabled while the controller is connected) writes a new file named by the
//   date and time into the logs folder, fed by the controller link's polling, whether or
//   not the dashboard is shown. A label in the status bar shows the file's name, the rows
//   and the time recorded. A lost link pauses the log; it goes on in the same file when
//   the link is back. A log that cannot go on (the disk is full, the definition's data
//   items changed) ends with the rows it has and says why.
// - Opening a log shows it in a window of its own (CDataLogWindow), with the dashboard's
//   colours for the channels the definition knows. Moving its cursor puts the graph's
//   crosshair where the recorded values put it, through the live crosshair formulas; while
//   a log window is open the live values do not move the crosshair, and polling goes on as
//   before.
#include "core/clock.h"
#include "datalog/datalogwriter.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QWidget;

namespace vexa {

class CDataLogWindow;
struct DataLog;
class CLogCrosshair;
class CMainFrame;
class CVLXController;
class CVLXDoc;

inline constexpr const char* kDataLogErrorCaption = "Data Log Error:";

class CDataLogControl : public QObject {
public:
    // Registers the commands with frame. frame, doc and controller must outlive this;
    // calibrationPath names the open calibration's file for a new log's header; clock is
    // the rows' time base.
    CDataLogControl(CMainFrame& frame, CVLXDoc& doc, CVLXController& controller,
                    std::string logDirectory, std::function<std::string()> calibrationPath,
                    Clock& clock = SteadyClock::Instance());
    // Ends a recording (keeping its rows) and closes the log windows.
    ~CDataLogControl() override;
    CDataLogControl(const CDataLogControl&) = delete;
    CDataLogControl& operator=(const CDataLogControl&) = delete;

    bool Recording() const { return writer_ != nullptr; }
    // The recording's writer; null while none runs.
    const CDataLogWriter* Writer() const { return writer_.get(); }
    // The file of the recording running or the last one.
    const std::string& LastPath() const { return lastPath_; }
    QLabel* StatusLabel() const { return status_; }
    const std::string& LogDirectory() const { return directory_; }

    void StartLog();
    void StopLog();
    void OpenLog();
    // Opens path in a log window; null when it is no log (a message says why).
    CDataLogWindow* OpenLogFile(const std::string& path);
    std::vector<CDataLogWindow*> Windows() const;

    // The open dialog, starting in directory; tests answer it. Empty: cancelled.
    std::function<std::string(QWidget* parent, const std::string& directory)> openDialog;

private:
    class Recorder;
    struct OpenWindow {
        QPointer<CDataLogWindow> window;
        std::unique_ptr<CLogCrosshair> crosshair;
    };

    bool Connected() const;
    // The File menu's item says what it does next; the toolbar's button shows the state.
    void ShowRecordingState();
    void ShowStatus();
    void CheckWriter();
    void MoveCrosshair(CLogCrosshair& crosshair, double t);
    void WindowClosed(CDataLogWindow* window);
    std::vector<std::int32_t> ChannelColours(const DataLog& log);

    CMainFrame& frame_;
    CVLXDoc& doc_;
    CVLXController& controller_;
    std::string directory_;
    std::function<std::string()> calibrationPath_;
    Clock& clock_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<CDataLogWriter> writer_;
    std::string lastPath_;
    bool endPending_ = false;
    QLabel* status_ = nullptr;
    std::vector<OpenWindow> windows_;
};

} // namespace vexa
