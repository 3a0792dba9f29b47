#pragma once
// The geometry of the data log's time plot, apart from any drawing: which span of time the
// plot shows across its width (zoomed with the wheel, panned by dragging), each channel's
// own vertical scale, the lines to draw with at most a few points per pixel column however
// many rows fall into it, the time axis' ticks, and where an enumerated gear item changes.
#include "datalog/datalogfile.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vexa {

// The span of time shown across a plot width pixels wide. It never leaves the log's time
// and never gets shorter than kMinSpan seconds (or the log, when that is shorter).
class LogTimeAxis {
public:
    static constexpr double kMinSpan = 0.5;

    // Shows the whole of [start, end] across width pixels.
    void Reset(double start, double end, int width);
    void SetWidth(int width) { width_ = width > 1 ? width : 1; }
    int Width() const { return width_; }
    double Begin() const { return begin_; }
    double End() const { return begin_ + span_; }
    double Span() const { return span_; }

    double XAt(double t) const { return (t - begin_) * width_ / span_; }
    double TimeAt(double x) const { return begin_ + x * span_ / width_; }

    // factor above 1 zooms in, below 1 out; the time under pixel x stays under it.
    void Zoom(double factor, double x);
    // Moves what is shown by dx pixels: a positive dx (a drag to the right) shows earlier
    // times.
    void Pan(double dx);
    // Moves the span, unchanged in length, so that it holds time t.
    void Follow(double t);

private:
    void Clamp();

    double start_ = 0.0; // the log's first and last time
    double end_ = 1.0;
    double begin_ = 0.0; // what is shown
    double span_ = 1.0;
    int width_ = 1;
};

// A channel's vertical scale: its values from Low() at the bottom to High() at the top of
// the pixel rows [top, bottom]. Numeric channels span their values with a margin, a
// channel with one value a span around it; enumerated channels put each level on a row of
// its own.
class ValueScale {
public:
    ValueScale() = default;
    ValueScale(const DataLogChannel& channel, double top, double bottom);
    double YAt(double value) const;
    double Low() const { return low_; }
    double High() const { return high_; }

private:
    double low_ = 0.0;
    double high_ = 1.0;
    double top_ = 0.0;
    double bottom_ = 1.0;
};

struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
    bool operator==(const PlotPoint&) const = default;
};

// The lines of one channel: runs of points, each run drawn as one polyline; a missing value
// ends a run. Rows that fall into one pixel column give at most four points there (the
// first, the lowest, the highest and the last), so the work of drawing follows the plot's
// width, not the log's length. Enumerated channels are drawn as steps: a level holds until
// the next row.
struct ChannelLines {
    std::vector<PlotPoint> points;
    std::vector<std::size_t> runStarts; // index into points where each run begins

    void Clear() {
        points.clear();
        runStarts.clear();
    }
};

void BuildChannelLines(const DataLog& log, const DataLogChannel& channel, const LogTimeAxis& axis,
                       const ValueScale& scale, ChannelLines& lines);

// Times for the time axis' ticks: multiples of a step of 1, 2 or 5 times a power of ten
// seconds (or 15 s, 30 s, 1, 2, 5, 10, 15, 30 min, 1 h for longer spans), chosen so that at
// most maxTicks fall into [begin, end].
std::vector<double> TimeTicks(double begin, double end, int maxTicks, double& step);
// A tick's label: seconds ("12.5 s") for spans under two minutes, else "m:ss" or "h:mm:ss".
std::string TimeLabel(double t, double step);

// The channel that holds the gear: one named "Gear" (in any case, units after it allowed),
// else the first enumerated channel whose name contains "gear"; -1 when there is none.
int FindGearChannel(const DataLog& log);
// The rows at which a channel's value differs from the value before it (gaps skipped).
std::vector<std::size_t> ValueChanges(const DataLogChannel& channel);

// Replay of a log: the cursor's time moves on by the real time passed times the speed, and
// stops at the log's end.
struct LogReplay {
    double speed = 1.0;
    // The time after elapsedMs of real time from t; running becomes false at the end.
    double Advance(double t, double elapsedMs, double end, bool& running) const;
};

} // namespace vexa
