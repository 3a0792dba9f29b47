#include "link/ramsymbols.h"

#include "core/textutil.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace vexa {

const std::array<RamSymbol, 78> kRamSymbols = {{
    {"AUXOCTL", 0x20},    {"CCTIMER", 0x21},    {"CAPT_NEW_H", 0x24}, {"CAPT_NEW_L", 0x25},
    {"CAPT_OLD_H", 0x26}, {"CAPT_OLD_L", 0x27}, {"TPS", 0x2C},        {"TPSPTR", 0x2D},
    {"SSCHED", 0x2E},     {"GEAR", 0x2F},       {"OLDGEAR", 0x30},    {"VSS_NEW_H", 0x31},
    {"VSS_NEW_L", 0x32},  {"VSS_OLD_H", 0x33},  {"VSS_OLD_L", 0x34},  {"ERRFLAG", 0x35},
    {"CCLUTCH", 0x36},    {"SPFUNCT", 0x37},    {"VSTOP", 0x38},      {"CGEAR", 0x39},
    {"GEARCK", 0x3A},     {"ORFLAG", 0x43},     {"MEHIADR", 0x44},    {"EEHIADR", 0x45},
    {"DREFRESH", 0x51},   {"VSSFRQ", 0x52},     {"BASETPS", 0x5F},    {"VSSCCON", 0x60},
    {"VSSCCOFF", 0x61},   {"MNTCCON", 0x62},    {"MNTCCOFF", 0x63},   {"MXTCCON", 0x64},
    {"MXTCCOFF", 0x65},   {"MNTCCOR", 0x66},    {"MAN21TH", 0x67},    {"MAN12TH", 0x68},
    {"SYCONFIG", 0x69},   {"MLPSADJ", 0x6A},    {"FTDSTEPR", 0x6B},   {"PTDSTEPR", 0x6C},
    {"UPSTEPRT", 0x6D},   {"MNCCGEAR", 0x6E},   {"SYCNFIG1", 0x6F},   {"CCCOLDLO", 0x70},
    {"SYCNFIG2", 0x71},   {"SYCNFIG3", 0x72},   {"DSCTL_TH", 0x73},   {"HEDFON", 0x74},
    {"CSTONDLY", 0x74},   {"HEDFOFF", 0x75},    {"CSTOFDLY", 0x75},   {"LEDFON", 0x76},
    {"CC_SHDLY", 0x76},   {"LEDFOFF", 0x77},    {"SOLPATN1", 0x78},   {"SOLPATN2", 0x79},
    {"CCDELAY", 0x7A},    {"MLPS", 0x7B},       {"ECT", 0x7C},        {"MLPSMODE", 0x7D},
    {"MLPSCHK", 0x7E},    {"ODCSTMR", 0x7F},    {"TOT", 0xA0},        {"VREF", 0xA1},
    {"VBATX", 0xA2},      {"MANUT_IN", 0xA3},   {"CH7", 0xA4},        {"FAN_TMR", 0xA5},
    {"MANU_TMR", 0xA6},   {"MT_MODE", 0xA7},    {"MT_STAT", 0xA8},    {"MTLSTCMD", 0xA9},
    {"SHD_TMR", 0xAA},    {"M_2_1DSLO", 0xAB},  {"M_3_2DSLO", 0xAC},  {"M_4_3DSLO", 0xAD},
    {"CST_TMR", 0xAE},    {"TXTPTR", 0xAF},
}};

namespace {

// "\47", "\0x2F", "\057": the integer after the backslash as a 16-bit value.
bool ParseBackslashNumber(std::string_view text, int& value) {
    if (text.size() < 2 || text[0] != '\\')
        return false;
    const std::string digits(text.substr(1));
    const char* begin = digits.c_str();
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(begin, &end, 0);
    if (end == begin)
        return false;
    value = static_cast<std::int16_t>(static_cast<std::uint16_t>(parsed & 0xFFFF));
    return true;
}

} // namespace

int LookupRamSymbol(std::string_view text) {
    int value = 0;
    if (ParseBackslashNumber(text, value))
        return value;
    for (const auto& symbol : kRamSymbols) {
        if (EqualsIgnoringCase(symbol.name, text))
            return symbol.address;
    }
    return 0;
}

} // namespace vexa
