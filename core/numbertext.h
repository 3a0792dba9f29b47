#pragma once
// Numbers in definition files, calibrations, action lists and formulas, read and written
// with the C library's rules in the "C" locale whatever locale the process runs in: these
// texts always use '.' as the decimal point, and a toolkit may switch LC_NUMERIC to the
// user's locale at any time.
#include <cstddef>
#include <string>
#include <string_view>

namespace vexa {

// Reads a text from the front the way sscanf reads it with the directives named below.
// Like sscanf on a C string, the text ends at its first NUL byte. A failed read consumes
// nothing and leaves its output alone.
class TextScanner {
public:
    explicit TextScanner(std::string_view text);

    // " " in a format: any amount of white space, none included.
    void SkipSpace();
    // An ordinary character of a format: exactly that text, nothing skipped before it.
    bool Literal(std::string_view expected);
    // "%i": white space, an optional sign, then 0x hexadecimal, 0 octal or decimal digits.
    // A number beyond long long stops at its largest (smallest) value, as strtoll does; the
    // caller wraps it to its own width (see Wrapped) as sscanf's store does.
    bool Integer(long long& value);
    // "%d": as Integer, decimal digits only.
    bool Decimal(long long& value);
    // "%f" and "%g" into a float: white space, an optional sign, then decimal digits with an
    // optional point and exponent, 0x hexadecimal digits with an optional point and p
    // exponent, "inf", "infinity" or "nan" (any case). Too large gives an infinity, too
    // small a zero.
    bool Float(float& value);
    // "%<width>s": white space, then 1 to width characters that are not white space.
    bool Word(std::string& word, std::size_t width);

    // "%n": the characters consumed so far.
    std::size_t Position() const { return position_; }
    std::string_view Rest() const { return text_.substr(position_); }

private:
    // Past the white space and the optional sign that start a number; negative: a '-'.
    std::size_t SignStart(bool& negative) const;
    bool IntegerIn(long long& value, bool anyBase);

    std::string_view text_;
    std::size_t position_ = 0;
};

// A scanned integer as sscanf stores it into a narrower type: the value wraps.
template <class T> T Wrapped(long long value) {
    return static_cast<T>(value);
}

// "%g": six significant digits, as values are shown and kept in control state.
std::string FormatG(double value);
// As "%.<significant>g": that many significant digits, '.' as the decimal point.
std::string FormatSignificant(double value, int significant);

// The shortest plain decimal text (digits, an optional '-' and '.', never an exponent) that
// reads back as exactly value, so a formula that has no exponent notation can carry any
// float. Infinities and NaN come out as "inf", "-inf" and "nan".
std::string FormatPlain(float value);

} // namespace vexa
