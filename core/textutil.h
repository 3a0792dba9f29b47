#pragma once
// Small text helpers with the C library's notion of white space, shared by the definition
// engine and the formula bindings.
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

} // namespace vexa
