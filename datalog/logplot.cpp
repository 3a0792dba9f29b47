#include "datalog/logplot.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace vexa {

// ---- Time axis ------------------------------------------------------------------------

void LogTimeAxis::Reset(double start, double end, int width) {
    SetWidth(width);
    start_ = start;
    // A log of one row (or none) still gets a span to show.
    end_ = end > start ? end : start + 1.0;
    begin_ = start_;
    span_ = end_ - start_;
}

void LogTimeAxis::Clamp() {
    const double whole = end_ - start_;
    span_ = std::clamp(span_, std::min(kMinSpan, whole), whole);
    begin_ = std::clamp(begin_, start_, end_ - span_);
}

void LogTimeAxis::Zoom(double factor, double x) {
    if (!(factor > 0.0) || !std::isfinite(factor))
        return;
    const double anchor = TimeAt(x);
    span_ /= factor;
    const double whole = end_ - start_;
    span_ = std::clamp(span_, std::min(kMinSpan, whole), whole);
    begin_ = anchor - x * span_ / width_;
    Clamp();
}

void LogTimeAxis::Pan(double dx) {
    begin_ -= dx * span_ / width_;
    Clamp();
}

void LogTimeAxis::Follow(double t) {
    if (t < begin_)
        begin_ = t;
    else if (t > begin_ + span_)
        begin_ = t - span_;
    Clamp();
}

// ---- Vertical scale -------------------------------------------------------------------

ValueScale::ValueScale(const DataLogChannel& channel, double top, double bottom)
    : top_(top), bottom_(bottom) {
    if (channel.enumerated) {
        low_ = -0.5;
        high_ = std::max<double>(1.0, static_cast<double>(channel.levels.size())) - 0.5;
        return;
    }
    if (!std::isfinite(channel.minimum) || !std::isfinite(channel.maximum)) {
        low_ = 0.0;
        high_ = 1.0;
        return;
    }
    const double range = channel.maximum - channel.minimum;
    const double margin =
        range > 0.0 ? range * 0.05 : std::max(1.0, std::fabs(channel.maximum) * 0.1);
    low_ = channel.minimum - margin;
    high_ = channel.maximum + margin;
}

double ValueScale::YAt(double value) const {
    return bottom_ - (value - low_) * (bottom_ - top_) / (high_ - low_);
}

// ---- Lines ----------------------------------------------------------------------------

void BuildChannelLines(const DataLog& log, const DataLogChannel& channel, const LogTimeAxis& axis,
                       const ValueScale& scale, ChannelLines& lines) {
    lines.Clear();
    const std::vector<double>& times = log.times;
    const std::vector<double>& values = channel.values;
    const std::size_t rows = std::min(times.size(), values.size());
    if (rows == 0)
        return;
    // The rows just outside the span too, so the lines run to the plot's edges.
    std::size_t first = static_cast<std::size_t>(
        std::lower_bound(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(rows),
                         axis.Begin()) -
        times.begin());
    if (first > 0)
        --first;
    std::size_t last = static_cast<std::size_t>(
        std::upper_bound(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(rows),
                         axis.End()) -
        times.begin());
    if (last < rows)
        ++last;

    const bool steps = channel.enumerated;
    bool inRun = false;
    // The rows of the current pixel column: the first and the last, and the lowest and
    // highest value with the order in which they came. Screen positions are worked out
    // once a column is complete, so a row costs a few comparisons.
    const double width = axis.Width();
    long column = 0;
    double columnEnd = 0.0; // the time where the next column starts
    int count = 0;
    std::size_t firstRow = 0, lastRow = 0;
    double low = 0.0, high = 0.0;
    int lowAt = 0, highAt = 0;

    // A neighbour row far beyond an edge is drawn a width away: the line still leaves the
    // plot towards it, and no coordinate grows without bound.
    const auto xOf = [&](std::size_t row) {
        return std::clamp(axis.XAt(times[row]), -width, 2.0 * width);
    };
    auto add = [&](double x, double y) {
        if (steps && inRun && !lines.points.empty() && lines.points.back().y != y)
            lines.points.push_back({x, lines.points.back().y});
        lines.points.push_back({x, y});
    };
    auto flush = [&]() {
        if (count == 0)
            return;
        if (!inRun)
            lines.runStarts.push_back(lines.points.size());
        if (count <= 2) {
            add(xOf(firstRow), scale.YAt(values[firstRow]));
            inRun = true;
            if (count == 2)
                add(xOf(lastRow), scale.YAt(values[lastRow]));
        } else {
            const double x = static_cast<double>(column);
            add(x, scale.YAt(values[firstRow]));
            inRun = true;
            if (lowAt <= highAt) {
                add(x, scale.YAt(low));
                add(x, scale.YAt(high));
            } else {
                add(x, scale.YAt(high));
                add(x, scale.YAt(low));
            }
            add(x, scale.YAt(values[lastRow]));
        }
        count = 0;
    };

    for (std::size_t row = first; row < last; ++row) {
        const double value = values[row];
        if (!std::isfinite(value)) {
            flush();
            inRun = false;
            continue;
        }
        if (count > 0 && !(times[row] < columnEnd))
            flush();
        if (count == 0) {
            column = static_cast<long>(std::floor(xOf(row)));
            columnEnd = axis.TimeAt(static_cast<double>(column) + 1.0);
            firstRow = row;
            low = high = value;
            lowAt = highAt = 0;
        } else if (value < low) {
            low = value;
            lowAt = count;
        } else if (value > high) {
            high = value;
            highAt = count;
        }
        lastRow = row;
        ++count;
    }
    flush();
}

// ---- Ticks ----------------------------------------------------------------------------

std::vector<double> TimeTicks(double begin, double end, int maxTicks, double& step) {
    static constexpr std::array<double, 10> kLongSteps = {15,  30,  60,   120,  300,
                                                          600, 900, 1800, 3600, 7200};
    std::vector<double> ticks;
    step = 1.0;
    const double span = end - begin;
    if (!(span > 0.0) || maxTicks < 1)
        return ticks;
    const double wanted = span / maxTicks;
    if (wanted <= 10.0) {
        const double power = std::pow(10.0, std::floor(std::log10(wanted)));
        step = power * 10.0;
        for (double m : {1.0, 2.0, 5.0, 10.0}) {
            if (power * m >= wanted) {
                step = power * m;
                break;
            }
        }
    } else {
        step = kLongSteps.back();
        for (double s : kLongSteps) {
            if (s >= wanted) {
                step = s;
                break;
            }
        }
        while (step < wanted)
            step *= 2.0;
    }
    for (double k = std::ceil(begin / step - 1e-9); k * step <= end + step * 1e-9; k += 1.0)
        ticks.push_back(k == 0.0 ? 0.0 : k * step);
    return ticks;
}

std::string TimeLabel(double t, double step) {
    char text[32];
    if (step < 15.0) {
        const int decimals = step >= 1.0 ? 0 : step >= 0.1 ? 1 : step >= 0.01 ? 2 : 3;
        std::snprintf(text, sizeof text, "%.*f s", decimals, t);
        return text;
    }
    const long long seconds = std::llround(t);
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

// ---- Gear ----------------------------------------------------------------------------

namespace {

std::string Lower(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

int FindGearChannel(const DataLog& log) {
    for (std::size_t i = 0; i < log.channels.size(); ++i) {
        const std::string name = Lower(log.channels[i].name);
        if (name == "gear" || name.rfind("gear (", 0) == 0)
            return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < log.channels.size(); ++i) {
        if (log.channels[i].enumerated &&
            Lower(log.channels[i].name).find("gear") != std::string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::size_t> ValueChanges(const DataLogChannel& channel) {
    std::vector<std::size_t> changes;
    bool have = false;
    double previous = 0.0;
    for (std::size_t row = 0; row < channel.values.size(); ++row) {
        const double value = channel.values[row];
        if (std::isnan(value))
            continue;
        if (have && value != previous)
            changes.push_back(row);
        previous = value;
        have = true;
    }
    return changes;
}

// ---- Replay --------------------------------------------------------------------------

double LogReplay::Advance(double t, double elapsedMs, double end, bool& running) const {
    const double next = t + elapsedMs / 1000.0 * speed;
    if (next >= end) {
        running = false;
        return end;
    }
    return next;
}

} // namespace vexa
