#pragma once
// Calibration and definition texts are bytes in the Windows-1252 code page. This is the one
// table between those bytes and Unicode; every front end converts through it.
#include <array>
#include <string>
#include <string_view>

namespace vexa {

namespace cp1252detail {
// Unicode of the bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the
// control characters of the same number.
inline constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace cp1252detail

// The character a byte stands for.
constexpr char16_t Cp1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? cp1252detail::kHigh[byte - 0x80u] : char16_t{byte};
}

// The byte of a character, or fallback when the code page lacks it.
constexpr char UnicodeToCp1252(char32_t code, char fallback = '?') {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    for (std::size_t i = 0; i < cp1252detail::kHigh.size(); ++i) {
        if (cp1252detail::kHigh[i] == code)
            return static_cast<char>(0x80 + i);
    }
    return fallback;
}

inline std::u16string Cp1252ToUtf16(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const char c : bytes)
        text.push_back(Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return text;
}

inline std::string Utf16ToCp1252(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t c : text)
        bytes.push_back(UnicodeToCp1252(c));
    return bytes;
}

} // namespace vexa
