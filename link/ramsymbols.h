#pragma once
// The controller's named RAM bytes, as formulas refer to them (M:GEAR) and the
// diagnostics read them.
#include <array>
#include <string_view>

namespace vexa {

struct RamSymbol {
    std::string_view name;
    int address;
};

// 78 names for 75 one-byte locations; three locations have two names.
extern const std::array<RamSymbol, 78> kRamSymbols;

// The RAM address for text: a backslash followed by an integer in C notation (decimal, 0x
// hexadecimal, 0 octal, taken as a signed 16-bit value) gives that integer; otherwise the
// first symbol whose name equals text ignoring case. 0 when it is neither.
int LookupRamSymbol(std::string_view text);

} // namespace vexa
