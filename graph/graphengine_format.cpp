// Checks a printf-style format from a definition file before it is used with a fixed
// argument list, so a wrong conversion can never read an argument of another type.
#include "graph/graphengine.h"

#include <array>
#include <cstring>

namespace vexa {

namespace {

constexpr int kMaxFieldValue = 255;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether c is one of the characters of set. A NUL byte is none of them: the C library
// takes it for the end of the format, in the middle of a conversion if need be.
bool IsOneOf(char c, const char* set) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

// Reads a decimal field at format[i]; false when it exceeds kMaxFieldValue.
bool ReadField(const std::string& format, std::size_t& i) {
    int value = 0;
    while (i < format.size() && IsDigit(format[i])) {
        value = value * 10 + (format[i] - '0');
        if (value > kMaxFieldValue)
            return false;
        ++i;
    }
    return true;
}

} // namespace

bool IsPrintfFormatSafe(const std::string& format, std::span<const PrintfArg> args) {
    std::size_t next = 0; // next argument to consume
    auto consume = [&](PrintfArg kind) {
        if (next >= args.size() || args[next] != kind)
            return false;
        ++next;
        return true;
    };

    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        ++i;
        if (i >= format.size())
            return false;
        if (format[i] == '%')
            continue;

        while (i < format.size() && IsOneOf(format[i], "-+ #0"))
            ++i;
        if (i < format.size() && format[i] == '*') {
            if (!consume(PrintfArg::kInt))
                return false;
            ++i;
        } else if (!ReadField(format, i)) {
            return false;
        }
        if (i < format.size() && format[i] == '.') {
            ++i;
            if (i < format.size() && format[i] == '*') {
                if (!consume(PrintfArg::kInt))
                    return false;
                ++i;
            } else if (!ReadField(format, i)) {
                return false;
            }
        }

        // Length modifiers that keep the argument's size: h and hh on integers (promoted
        // to int anyway), l on floating conversions (no effect there).
        int shorts = 0;
        bool isLong = false;
        while (i < format.size() && format[i] == 'h' && shorts < 2) {
            ++shorts;
            ++i;
        }
        if (shorts == 0 && i < format.size() && format[i] == 'l') {
            isLong = true;
            ++i;
        }
        if (i >= format.size())
            return false;

        const char conversion = format[i];
        bool ok = false;
        if (conversion == 's')
            ok = shorts == 0 && !isLong && consume(PrintfArg::kText);
        else if (IsOneOf(conversion, "fFeEgGaA"))
            ok = shorts == 0 && consume(PrintfArg::kDouble);
        else if (IsOneOf(conversion, "diouxX"))
            ok = !isLong && consume(PrintfArg::kInt);
        else if (conversion == 'c')
            ok = shorts == 0 && !isLong && consume(PrintfArg::kInt);
        // Anything else, %n and %p among them, is refused.
        if (!ok)
            return false;
    }
    return true;
}

bool IsCalloutFormatSafe(const std::string& format) {
    static constexpr std::array<PrintfArg, 5> kCalloutArgs = {
        PrintfArg::kText, PrintfArg::kDouble, PrintfArg::kText, PrintfArg::kInt, PrintfArg::kInt};
    return IsPrintfFormatSafe(format, kCalloutArgs);
}

} // namespace vexa
