#pragma once
// Small JSON writers shared by the vexa-cli commands that print JSON.
#include <string>
#include <string_view>

namespace vexa::cli {

// text as a quoted JSON string. Each byte is one code point U+0000 to U+00FF, so 8-bit
// texts survive unchanged whatever their code page; the result is plain ASCII (control
// characters and bytes from 0x7F up are written as \u00XX).
std::string JsonString(std::string_view text);

// value as a JSON number with 17 significant digits, which reads back to the same double;
// infinities and NaN, which JSON numbers cannot express, become "inf", "-inf" and "nan".
std::string JsonNumber(double value);

} // namespace vexa::cli
