#pragma once
// CLogPlot: the time plot of a data log. The channels ticked in the log window are drawn
// over each other, each on its own vertical scale; the time axis below carries the ticks
// and, where the gear changes, a mark with the new gear. A vertical line is the cursor.
//
// Mouse: a click puts the cursor at the time under the pointer, dragging moves the shown
// span along the time axis, the wheel zooms in and out around the pointer. Keys: Left and
// Right move the cursor to the row before or after, Home and End to the first and last
// row, Page Up and Page Down move the span by half its width, + and - zoom around the
// cursor.
#include "datalog/datalogfile.h"
#include "datalog/logplot.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <vector>

namespace vexa {

class CLogPlot : public QWidget {
public:
    // log must outlive the plot.
    explicit CLogPlot(const DataLog& log, QWidget* parent = nullptr);

    void SetChannelShown(std::size_t channel, bool shown);
    bool ChannelShown(std::size_t channel) const { return shown_.at(channel); }
    void SetChannelColour(std::size_t channel, QColor colour);
    QColor ChannelColour(std::size_t channel) const { return colours_.at(channel); }
    // The channel whose changes are marked on the time axis; -1 for none.
    void SetGearChannel(int channel);
    int GearChannel() const { return gearChannel_; }

    double CursorTime() const { return cursor_; }
    // Moves the cursor to t (kept within the log) and reports it through onCursorMoved.
    void SetCursorTime(double t);
    // Moves the shown span, unchanged in length, so that it holds the cursor.
    void FollowCursor();
    const LogTimeAxis& Axis() const { return axis_; }
    // The area the lines are drawn in.
    QRect PlotRect() const;
    // The x of time t in widget coordinates.
    double XOf(double t) const { return PlotRect().left() + axis_.XAt(t); }

    std::function<void(double t)> onCursorMoved;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize sizeHint() const override { return {720, 360}; }
    QSize minimumSizeHint() const override { return {240, 140}; }

private:
    // direction > 0: the first row after the cursor, else the last row before it.
    void MoveCursorToRow(int direction);

    const DataLog& log_;
    LogTimeAxis axis_;
    std::vector<bool> shown_;
    std::vector<QColor> colours_;
    int gearChannel_ = -1;
    std::vector<std::size_t> gearChanges_;
    double cursor_ = 0.0;
    // Pointer state: where the left button went down, and whether it has dragged since.
    bool pressed_ = false;
    bool dragging_ = false;
    int pressX_ = 0;
    int lastX_ = 0;
    ChannelLines lines_; // reused by every paint
};

} // namespace vexa
