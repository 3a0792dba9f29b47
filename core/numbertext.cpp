#include "core/numbertext.h"

#include "core/textutil.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <limits>

namespace vexa {

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StartsWithNoCase(std::string_view text, std::string_view word) {
    if (text.size() < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    return true;
}

// Whether a number too large or too small for a float (from_chars gives no value then) is
// too large: the position of its first significant digit, counted from the point, plus its
// exponent. digitWeight is 1 for decimal digits with a decimal exponent, 4 for hexadecimal
// digits with a binary one.
bool Overflows(std::string_view number, int digitWeight) {
    long long magnitude = 0;
    long long leadingZeros = 0;
    long long integerDigits = 0;
    bool significant = false;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < number.size(); ++i) {
        const char c = number[i];
        if (c == '.') {
            afterPoint = true;
        } else if (IsHexDigit(c) && !(digitWeight == 1 && !IsDigit(c))) {
            significant = significant || c != '0';
            if (significant && !afterPoint)
                ++integerDigits;
            else if (!significant && afterPoint)
                ++leadingZeros;
        } else {
            break;
        }
    }
    if (!significant)
        return false;
    magnitude = (integerDigits > 0 ? integerDigits : -leadingZeros) * digitWeight;
    if (i + 1 < number.size()) {
        std::string_view exponent = number.substr(i + 1);
        bool negative = false;
        if (exponent.front() == '+' || exponent.front() == '-') {
            negative = exponent.front() == '-';
            exponent.remove_prefix(1);
        }
        long long value = 0;
        const auto result =
            std::from_chars(exponent.data(), exponent.data() + exponent.size(), value);
        if (result.ec == std::errc::result_out_of_range)
            return !negative;
        // Far beyond any float either way; kept small so the sum cannot overflow.
        value = std::min(value, 1000000LL);
        magnitude += negative ? -value : value;
    }
    return magnitude > 0;
}

} // namespace

TextScanner::TextScanner(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}

void TextScanner::SkipSpace() {
    while (position_ < text_.size() && IsCSpace(text_[position_]))
        ++position_;
}

bool TextScanner::Literal(std::string_view expected) {
    if (text_.substr(position_, expected.size()) != expected)
        return false;
    position_ += expected.size();
    return true;
}

bool TextScanner::Integer(long long& value) {
    return IntegerIn(value, true);
}

bool TextScanner::Decimal(long long& value) {
    return IntegerIn(value, false);
}

std::size_t TextScanner::SignStart(bool& negative) const {
    std::size_t p = position_;
    while (p < text_.size() && IsCSpace(text_[p]))
        ++p;
    negative = false;
    if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) {
        negative = text_[p] == '-';
        ++p;
    }
    return p;
}

bool TextScanner::IntegerIn(long long& value, bool anyBase) {
    bool negative = false;
    std::size_t p = SignStart(negative);
    int base = 10;
    if (anyBase && p < text_.size() && text_[p] == '0') {
        if (p + 1 < text_.size() && (text_[p + 1] == 'x' || text_[p + 1] == 'X')) {
            if (p + 2 >= text_.size() || !IsHexDigit(text_[p + 2])) {
                // "0x" without a digit after it is read whole as the number 0.
                value = 0;
                position_ = p + 2;
                return true;
            }
            base = 16;
            p += 2;
        } else {
            base = 8;
        }
    }
    unsigned long long magnitude = 0;
    const char* end = text_.data() + text_.size();
    const auto result = std::from_chars(text_.data() + p, end, magnitude, base);
    if (result.ec == std::errc::invalid_argument)
        return false;
    constexpr auto kMax = static_cast<unsigned long long>(LLONG_MAX);
    const bool tooLarge = result.ec == std::errc::result_out_of_range;
    if (negative)
        value = tooLarge || magnitude > kMax ? LLONG_MIN : -static_cast<long long>(magnitude);
    else
        value = tooLarge || magnitude > kMax ? LLONG_MAX : static_cast<long long>(magnitude);
    position_ = static_cast<std::size_t>(result.ptr - text_.data());
    return true;
}

bool TextScanner::Float(float& value) {
    bool negative = false;
    std::size_t p = SignStart(negative);
    const std::string_view rest = text_.substr(p);
    float scanned = 0.0f;
    std::size_t used = 0;
    if (StartsWithNoCase(rest, "infi") && !StartsWithNoCase(rest, "infinity")) {
        // Begun as "infinity" and not finished: the C library reads no number.
        return false;
    }
    if (StartsWithNoCase(rest, "nan")) {
        // The C library takes no "(...)" after it.
        scanned = std::numeric_limits<float>::quiet_NaN();
        used = 3;
    } else {
        const bool hex = rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X');
        const std::size_t skip = hex ? 2 : 0;
        const std::string_view digits = rest.substr(skip);
        // One sign only, and it was taken above; after "0x" only digits and a point.
        if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
            return false;
        if (hex && (digits.empty() || !(IsHexDigit(digits.front()) || digits.front() == '.')))
            return false;
        if (hex && digits.front() == '.' && (digits.size() < 2 || !IsHexDigit(digits[1]))) {
            // "0x." is read as the number 0.
            value = negative ? -0.0f : 0.0f;
            position_ = p + 3;
            return true;
        }
        const auto result =
            std::from_chars(digits.data(), digits.data() + digits.size(), scanned,
                            hex ? std::chars_format::hex : std::chars_format::general);
        if (result.ec == std::errc::invalid_argument)
            return false;
        used = skip + static_cast<std::size_t>(result.ptr - digits.data());
        if (result.ec == std::errc::result_out_of_range) {
            scanned = Overflows(rest.substr(skip, used - skip), hex ? 4 : 1)
                          ? std::numeric_limits<float>::infinity()
                          : 0.0f;
        }
        // An exponent mark without digits (and its sign) is taken along with the number.
        const std::string_view marks = hex ? "pP" : "eE";
        const std::string_view matched = rest.substr(skip, used - skip);
        const bool numeric = IsHexDigit(matched.front()) || matched.front() == '.';
        const bool hasExponent = matched.find_first_of(marks) != std::string_view::npos;
        if (numeric && !hasExponent && used < rest.size() &&
            marks.find(rest[used]) != std::string_view::npos) {
            ++used;
            if (used < rest.size() && (rest[used] == '+' || rest[used] == '-'))
                ++used;
        }
    }
    value = negative ? -scanned : scanned;
    position_ = p + used;
    return true;
}

bool TextScanner::Word(std::string& word, std::size_t width) {
    std::size_t p = position_;
    while (p < text_.size() && IsCSpace(text_[p]))
        ++p;
    std::size_t end = p;
    while (end < text_.size() && end - p < width && !IsCSpace(text_[end]))
        ++end;
    if (end == p)
        return false;
    word.assign(text_.substr(p, end - p));
    position_ = end;
    return true;
}

std::string FormatG(double value) {
    return FormatSignificant(value, 6);
}

std::string FormatSignificant(double value, int significant) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, significant);
    return std::string(text, result.ptr);
}

std::string FormatPlain(float value) {
    // The longest is the smallest subnormal float: "0.", 44 zeros and one digit.
    char text[128];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

} // namespace vexa
