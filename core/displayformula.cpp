#include "core/displayformula.h"

#include "core/textutil.h"
#include "core/vlxdoc.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vexa {

namespace {

// Whether c is one of the characters of set; a NUL byte, which ends the format for the C
// library, is none of them.
bool IsOneOf(char c, const char* set) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

std::string TrimBoth(std::string_view text) {
    return std::string(Trim(text));
}

bool ReadField(const std::string& format, std::size_t& i) {
    int value = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        value = value * 10 + (format[i] - '0');
        if (value > 255)
            return false;
        ++i;
    }
    return true;
}

} // namespace

bool SplitAtEquals(const std::string& text, std::string& before, std::string& after) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return false;
    before = std::string(TrimRight(std::string_view(text).substr(0, equals)));
    after = TrimBoth(text.substr(equals + 1));
    return true;
}

bool FormatFitsDoubles(const std::string& format, int count) {
    int used = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (++i >= format.size())
            return false;
        if (format[i] == '%')
            continue;
        while (i < format.size() && IsOneOf(format[i], "-+ #0"))
            ++i;
        if (!ReadField(format, i))
            return false;
        if (i < format.size() && format[i] == '.') {
            ++i;
            if (!ReadField(format, i))
                return false;
        }
        if (i < format.size() && format[i] == 'l')
            ++i;
        if (i >= format.size() || !IsOneOf(format[i], "fFeEgGaA"))
            return false;
        if (++used > count)
            return false;
    }
    return true;
}

std::string FormatDoubles(const std::string& format, double a, double b, double c) {
    char buffer[1024];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(buffer, sizeof buffer, format.c_str(), a, b, c);
#pragma GCC diagnostic pop
    if (length < 0)
        return {};
    return std::string(buffer, std::min(static_cast<std::size_t>(length), sizeof buffer - 1));
}

DisplayFormula ParseDisplayFormula(const std::string& text) {
    DisplayFormula display;
    std::string format;
    std::string formula;
    if (SplitAtEquals(text, format, formula)) {
        if (FormatFitsDoubles(format, 1))
            display.format = format;
        display.formula = formula;
    } else {
        display.formula = text;
    }
    return display;
}

StoreTarget ParseStoreFormula(const std::string& text) {
    StoreTarget target;
    std::string name;
    std::string formula;
    if (!SplitAtEquals(text, name, formula)) {
        target.formula = TrimBoth(text);
        return target;
    }
    name = TrimBoth(name);
    target.formula = formula;
    if (!name.empty()) {
        const char kind = name.front();
        if (kind == 'I' || kind == 'i')
            target.kind = 0;
        else if (kind == 'F' || kind == 'f')
            target.kind = 1;
    }
    if (const std::size_t at = name.find('@'); at != std::string::npos)
        name = name.substr(at + 1);
    target.name = TrimBoth(name);
    return target;
}

double EvaluateSettingFormula(CVLXDoc& doc, CFormulaParser& parser, const std::string& formula,
                              double x) {
    std::string text = formula;
    doc.SubstituteReferences(text, 0.0f);
    int errorPosition = 0;
    std::string errorText;
    return parser.Evaluate(text, x, errorPosition, errorText, 1);
}

std::string ShowSettingValue(CVLXDoc& doc, CFormulaParser& parser, const DisplayFormula& display,
                             double value) {
    return FormatDoubles(display.format,
                         EvaluateSettingFormula(doc, parser, display.formula, value));
}

} // namespace vexa
