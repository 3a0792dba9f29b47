#pragma once
// CDataLogWindow: one data log in a window of its own. On the left the log's channels, each
// with a tick box that shows it in the plot, its colour, and its value at the cursor; on
// the right the time plot (CLogPlot); below, Play (replays from the cursor at the chosen
// speed, the plot following) and the cursor's time.
#include "datalog/datalogfile.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace vexa {

class CLogPlot;

class CDataLogWindow : public QWidget {
public:
    static constexpr int kReplayIntervalMs = 40;

    // colours: per channel, 0x00BBGGRR, or -1 for a colour of the window's own choice.
    // The gear channel (FindGearChannel) is ticked and its changes marked; so are the first
    // channels up to four in all.
    CDataLogWindow(DataLog log, const std::string& path, const std::vector<std::int32_t>& colours,
                   QWidget* parent = nullptr);
    ~CDataLogWindow() override;

    const DataLog& Log() const { return log_; }
    const std::string& Path() const { return path_; }
    CLogPlot* Plot() const { return plot_; }
    QListWidget* Channels() const { return channels_; }
    QPushButton* PlayButton() const { return play_; }
    QComboBox* SpeedBox() const { return speed_; }
    QLabel* CursorLabel() const { return cursorLabel_; }
    bool Playing() const;

    // The cursor moved to time t (by the user or the replay).
    std::function<void(double t)> onCursorMoved;
    // The window is closing.
    std::function<void()> onClosed;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowCursorValues(double t);
    void TogglePlay();
    void ReplayStep();

    DataLog log_;
    std::string path_;
    CLogPlot* plot_ = nullptr;
    QListWidget* channels_ = nullptr;
    QPushButton* play_ = nullptr;
    QComboBox* speed_ = nullptr;
    QLabel* cursorLabel_ = nullptr;
    QTimer* replay_ = nullptr;
    std::int64_t lastStepMs_ = 0;
};

} // namespace vexa
