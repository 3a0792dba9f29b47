// Fuzz target: the data log reader. Whatever the text, a log that is read has one value per
// row in every channel, times that never decrease and levels for every enumerated value;
// the plot's lines over it stay inside the plot.
#include "datalog/datalogfile.h"
#include "datalog/logplot.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vexa::DataLog log;
    std::string error;
    if (!vexa::ParseDataLog(text, log, error)) {
        if (error.empty() || log.Rows() != 0 || !log.channels.empty())
            __builtin_trap();
        return 0;
    }
    for (std::size_t row = 1; row < log.Rows(); ++row)
        if (!(log.times[row] >= log.times[row - 1]))
            __builtin_trap();
    vexa::LogTimeAxis axis;
    axis.Reset(log.StartTime(), log.EndTime(), 300);
    axis.Zoom(3.0, 100.0);
    vexa::ChannelLines lines;
    for (const vexa::DataLogChannel& channel : log.channels) {
        if (channel.values.size() != log.Rows())
            __builtin_trap();
        for (double value : channel.values) {
            if (channel.enumerated && !std::isnan(value) &&
                !(value >= 0 && value < static_cast<double>(channel.levels.size())))
                __builtin_trap();
        }
        const vexa::ValueScale scale(channel, 0.0, 100.0);
        vexa::BuildChannelLines(log, channel, axis, scale, lines);
        // At most four points a pixel column, and a step's corner before each.
        if (lines.points.size() > 8 * 303)
            __builtin_trap();
    }
    return 0;
}
