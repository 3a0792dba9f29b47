#include "datalog/logplotwidget.h"

#include "uicommon/textcodec.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

constexpr int kMargin = 8;
constexpr int kAxisHeight = 34; // tick labels and gear marks below the plot
constexpr int kDragThreshold = 3;
constexpr double kWheelZoom = 1.25; // per notch

} // namespace

CLogPlot::CLogPlot(const DataLog& log, QWidget* parent)
    : QWidget(parent), log_(log), shown_(log.channels.size(), false),
      colours_(log.channels.size(), QColor(Qt::black)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    axis_.Reset(log.StartTime(), log.EndTime(), 1);
    cursor_ = log.StartTime();
}

QRect CLogPlot::PlotRect() const {
    return QRect(kMargin, kMargin, std::max(1, width() - 2 * kMargin),
                 std::max(1, height() - 2 * kMargin - kAxisHeight));
}

void CLogPlot::SetChannelShown(std::size_t channel, bool shown) {
    if (channel >= shown_.size() || shown_[channel] == shown)
        return;
    shown_[channel] = shown;
    update();
}

void CLogPlot::SetChannelColour(std::size_t channel, QColor colour) {
    if (channel >= colours_.size())
        return;
    colours_[channel] = colour;
    update();
}

void CLogPlot::SetGearChannel(int channel) {
    gearChannel_ =
        channel >= 0 && static_cast<std::size_t>(channel) < log_.channels.size() ? channel : -1;
    gearChanges_ = gearChannel_ >= 0
                       ? ValueChanges(log_.channels[static_cast<std::size_t>(gearChannel_)])
                       : std::vector<std::size_t>{};
    update();
}

void CLogPlot::SetCursorTime(double t) {
    const double clamped =
        std::clamp(t, log_.StartTime(), std::max(log_.StartTime(), log_.EndTime()));
    cursor_ = clamped;
    update();
    if (onCursorMoved)
        onCursorMoved(cursor_);
}

void CLogPlot::FollowCursor() {
    axis_.Follow(cursor_);
    update();
}

void CLogPlot::resizeEvent(QResizeEvent* event) {
    axis_.SetWidth(PlotRect().width());
    QWidget::resizeEvent(event);
}

void CLogPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QRect plot = PlotRect();
    axis_.SetWidth(plot.width());
    const QColor grid(220, 220, 220);
    const QColor text = palette().color(QPalette::Text);

    // Time ticks: a grid line through the plot and a label below it.
    const QFontMetrics metrics(font());
    const int maxTicks =
        std::max(2, plot.width() / (metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 24));
    double step = 1.0;
    const std::vector<double> ticks = TimeTicks(axis_.Begin(), axis_.End(), maxTicks, step);
    for (double t : ticks) {
        const int x = static_cast<int>(std::lround(XOf(t)));
        painter.setPen(grid);
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(text);
        painter.drawLine(x, plot.bottom(), x, plot.bottom() + 4);
        const QString label = QString::fromStdString(TimeLabel(t, step));
        const int w = metrics.horizontalAdvance(label);
        painter.drawText(x - w / 2, plot.bottom() + 6 + metrics.ascent(), label);
    }
    painter.setPen(text);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));

    // The ticked channels, each on its own scale.
    painter.setClipRect(plot);
    QPolygonF run;
    for (std::size_t c = 0; c < log_.channels.size(); ++c) {
        if (!shown_[c])
            continue;
        const DataLogChannel& channel = log_.channels[c];
        const ValueScale scale(channel, plot.top() + 2, plot.bottom() - 2);
        BuildChannelLines(log_, channel, axis_, scale, lines_);
        // A cosmetic one-pixel pen: wide pens stroke thousands of joins per line.
        QPen pen(colours_[c], 1);
        pen.setCosmetic(true);
        painter.setPen(pen);
        for (std::size_t r = 0; r < lines_.runStarts.size(); ++r) {
            const std::size_t begin = lines_.runStarts[r];
            const std::size_t end =
                r + 1 < lines_.runStarts.size() ? lines_.runStarts[r + 1] : lines_.points.size();
            run.clear();
            for (std::size_t i = begin; i < end; ++i) {
                const PlotPoint& p = lines_.points[i];
                if (std::isfinite(p.x) && std::isfinite(p.y))
                    run.append(QPointF(plot.left() + p.x, p.y));
            }
            if (run.size() == 1)
                painter.drawPoint(run.front());
            else
                painter.drawPolyline(run);
        }
    }
    painter.setClipping(false);

    // Gear changes: a mark on the time axis with the gear engaged from there on.
    if (gearChannel_ >= 0) {
        const DataLogChannel& gear = log_.channels[static_cast<std::size_t>(gearChannel_)];
        painter.setPen(colours_[static_cast<std::size_t>(gearChannel_)]);
        painter.setBrush(colours_[static_cast<std::size_t>(gearChannel_)]);
        int lastLabelRight = plot.left() - 1000;
        const auto first =
            std::lower_bound(gearChanges_.begin(), gearChanges_.end(), axis_.Begin(),
                             [this](std::size_t row, double t) { return log_.times[row] < t; });
        for (auto it = first; it != gearChanges_.end() && log_.times[*it] <= axis_.End(); ++it) {
            const int x = static_cast<int>(std::lround(XOf(log_.times[*it])));
            const int y = plot.bottom() + kAxisHeight - 12;
            const QPolygon mark({QPoint(x, y - 6), QPoint(x - 4, y + 1), QPoint(x + 4, y + 1)});
            painter.drawPolygon(mark);
            const QString label = FromWindows1252(gear.Text(gear.values[*it]));
            if (x + 6 > lastLabelRight + 4) {
                painter.drawText(x + 6, y + 2, label);
                lastLabelRight = x + 6 + metrics.horizontalAdvance(label);
            }
        }
        painter.setBrush(Qt::NoBrush);
    }

    // The cursor.
    if (cursor_ >= axis_.Begin() && cursor_ <= axis_.End()) {
        const int x = static_cast<int>(std::lround(XOf(cursor_)));
        painter.setPen(QPen(text, 1, Qt::DashLine));
        painter.drawLine(x, plot.top(), x, plot.bottom());
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void CLogPlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressed_ = true;
    dragging_ = false;
    pressX_ = lastX_ = event->position().toPoint().x();
}

void CLogPlot::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_)
        return;
    const int x = event->position().toPoint().x();
    if (!dragging_ && std::abs(x - pressX_) > kDragThreshold)
        dragging_ = true;
    if (dragging_) {
        axis_.Pan(x - lastX_);
        lastX_ = x;
        update();
    }
}

void CLogPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    if (!dragging_)
        SetCursorTime(axis_.TimeAt(event->position().x() - PlotRect().left()));
    dragging_ = false;
}

void CLogPlot::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->ignore();
        return;
    }
    axis_.Zoom(std::pow(kWheelZoom, notches), event->position().x() - PlotRect().left());
    update();
    event->accept();
}

void CLogPlot::MoveCursorToRow(int direction) {
    if (log_.Rows() == 0)
        return;
    const auto& times = log_.times;
    // The first row after the cursor, or the last row before it.
    std::ptrdiff_t row =
        direction > 0 ? std::upper_bound(times.begin(), times.end(), cursor_) - times.begin()
                      : std::lower_bound(times.begin(), times.end(), cursor_) - times.begin() - 1;
    row = std::clamp<std::ptrdiff_t>(row, 0, static_cast<std::ptrdiff_t>(times.size()) - 1);
    SetCursorTime(times[static_cast<std::size_t>(row)]);
    FollowCursor();
}

void CLogPlot::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        MoveCursorToRow(-1);
        break;
    case Qt::Key_Right:
        MoveCursorToRow(1);
        break;
    case Qt::Key_Home:
        SetCursorTime(log_.StartTime());
        FollowCursor();
        break;
    case Qt::Key_End:
        SetCursorTime(log_.EndTime());
        FollowCursor();
        break;
    case Qt::Key_PageUp:
        axis_.Pan(axis_.Width() / 2.0);
        update();
        break;
    case Qt::Key_PageDown:
        axis_.Pan(-axis_.Width() / 2.0);
        update();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        axis_.Zoom(2.0, axis_.XAt(cursor_));
        update();
        break;
    case Qt::Key_Minus:
        axis_.Zoom(0.5, axis_.XAt(cursor_));
        update();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace vexa
