#pragma once
// Small text helpers with the C library's notion of white space and of letters (ASCII),
// shared by the readers of definitions, formulas and help files.
#include <string>
#include <string_view>

namespace vexa {

inline bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

inline std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsCSpace(text.front()))
        text.remove_prefix(1);
    return text;
}

inline std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsCSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

inline std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names compared as the files spell them in either case: ASCII letters only, so the
// user's locale cannot make two names equal or different.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace vexa
