#include "datalog/logcrosshair.h"

#include "core/vlxdoc.h"
#include "datalog/datalogwriter.h"

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

// The enumerated text as polling shows it.
constexpr std::size_t kShownTextLength = 6;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

bool ReadsController(const std::string& formula) {
    // The references as CVLXDoc::SubstituteReferences takes them apart: a letter and a
    // colon, a name up to a blank (or an inner colon), and the character after the name.
    std::size_t from = 0;
    for (;;) {
        const std::size_t colon = formula.find(':', from);
        if (colon == std::string::npos)
            return false;
        if (colon == 0)
            return false;
        const char letter = formula[colon - 1];
        if (letter == 'M' || letter == 'm')
            return true;
        std::size_t nameEnd = colon + 1;
        while (nameEnd < formula.size() && nameEnd - colon - 1 < 80 && !IsBlank(formula[nameEnd]))
            ++nameEnd;
        std::size_t nameLength = nameEnd - colon - 1;
        const std::size_t inner = formula.find(':', colon + 1);
        if (inner != std::string::npos && inner < nameEnd)
            nameLength = inner - colon - 1;
        from = colon + 1 + nameLength + 1;
    }
}

CLogCrosshair::CLogCrosshair(CVLXDoc& doc, const DataLog& log) : doc_(doc), log_(log) {
    DataItemsSection section;
    if (!ReadDataItems(doc_, section))
        return;
    for (std::size_t i = 0; i < section.items.size(); ++i) {
        const DataItem& item = section.items[i];
        const char axis = CrosshairAxis(item);
        if (axis == 0 || ReadsController(item.crosshairFormula))
            continue;
        int channel = log_.FindChannel(DataLogColumnName(item, i));
        if (channel < 0 && !item.logicalName.empty())
            channel = log_.FindChannel(item.logicalName);
        if (channel < 0)
            continue;
        Axis entry{item, axis, channel, {}};
        const DataLogChannel& column = log_.channels[static_cast<std::size_t>(channel)];
        if (column.enumerated) {
            for (const std::string& level : column.levels) {
                double value = -1.0;
                for (std::size_t k = 0; k < item.enumTexts.size(); ++k) {
                    if (!item.enumTexts[k].empty() &&
                        item.enumTexts[k].substr(0, kShownTextLength) == level) {
                        value = static_cast<double>(k);
                        break;
                    }
                }
                entry.levelValues.push_back(value);
            }
        }
        axes_.push_back(std::move(entry));
    }
}

bool CLogCrosshair::At(double t, float& x, float& y) {
    x = kUnchanged;
    y = kUnchanged;
    const std::ptrdiff_t row = log_.RowAt(t);
    if (row < 0)
        return false;
    for (const Axis& axis : axes_) {
        const DataLogChannel& column = log_.channels[static_cast<std::size_t>(axis.channel)];
        // The latest value at or before the row, as the live crosshair keeps its last one.
        double value = std::nan("");
        for (std::ptrdiff_t r = row; r >= 0; --r) {
            const double recorded = column.values[static_cast<std::size_t>(r)];
            if (std::isnan(recorded))
                continue;
            if (column.enumerated) {
                const auto level = static_cast<std::size_t>(recorded);
                value = level < axis.levelValues.size() ? axis.levelValues[level] : -1.0;
                if (value < 0.0)
                    value = std::nan("");
            } else {
                value = recorded;
            }
            break;
        }
        if (std::isnan(value))
            continue;
        float position = 0.0f;
        if (!CrosshairCoordinate(doc_, parser_, axis.item, value, position))
            continue;
        (axis.axis == 'X' ? x : y) = position;
    }
    return true;
}

} // namespace vexa
