#include "settings_ui/codepage.h"

#include "core/cp1252.h"
#include "core/textutil.h"

#include <cerrno>
#include <cstddef>
#include <string>

#if __has_include(<iconv.h>)
#include <iconv.h>
#define VEXA_HAVE_ICONV 1
#endif

namespace vexa {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The C library's name of a Windows code page, empty for ones it is not asked about.
std::string ConverterName(int number) {
    switch (number) {
    case 1361:
        return "JOHAB";
    case 10000:
        return "MACINTOSH";
    case 10007:
        return "MACCYRILLIC";
    case 10029:
        return "MAC-CENTRALEUROPE";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    default:
        break;
    }
    if (number >= 28591 && number <= 28605)
        return "ISO-8859-" + std::to_string(number - 28590);
    // The DOS, Windows and East Asian code pages under their own numbers.
    if ((number >= 437 && number <= 950) || (number >= 1250 && number <= 1258))
        return "CP" + std::to_string(number);
    return {};
}

// The Symbol font from 0x20 on: Greek letters, mathematical signs, arrows and the pieces
// of large brackets. 0 where the font draws nothing.
constexpr std::array<char32_t, 224> kSymbol = {
    // 0x20
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B,
    0x002C, 0x2212, 0x002E, 0x002F,
    // 0x30
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B,
    0x003C, 0x003D, 0x003E, 0x003F,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A,
    0x039B, 0x039C, 0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B,
    0x2234, 0x005D, 0x22A5, 0x005F,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA,
    0x03BB, 0x03BC, 0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B,
    0x007C, 0x007D, 0x223C, 0,
    // 0x80, 0x90
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248,
    0x2026, 0x23D0, 0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284,
    0x2282, 0x2286, 0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4,
    0x21D0, 0x21D1, 0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x27E8, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3,
    0x23A7, 0x23A8, 0x23A9, 0x23AA,
    // 0xF0
    0, 0x27E9, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6,
    0x23AB, 0x23AC, 0x23AD, 0};

// The Wingdings font from 0x20 on, each picture as the nearest character that common fonts
// draw. 0 where the font draws nothing a character stands for (0xFF, a window logo).
constexpr std::array<char32_t, 224> kWingdings = {
    // 0x20: office things
    0x0020, 0x270F, 0x2702, 0x2701, 0x1F453, 0x1F514, 0x1F4D6, 0x1F56F, 0x260E, 0x2706, 0x2709,
    0x1F583, 0x1F4EA, 0x1F4EB, 0x1F4EC, 0x1F4ED,
    // 0x30
    0x1F4C1, 0x1F4C2, 0x1F4C4, 0x1F5CF, 0x1F5D0, 0x1F5C4, 0x231B, 0x2328, 0x1F5B0, 0x1F5B2, 0x1F5B3,
    0x1F5B4, 0x1F5AB, 0x1F5AC, 0x2707, 0x270D,
    // 0x40: hands, faces, signs
    0x1F58E, 0x270C, 0x1F44C, 0x1F44D, 0x1F44E, 0x261C, 0x261E, 0x261D, 0x261F, 0x1F590, 0x263A,
    0x1F610, 0x2639, 0x1F4A3, 0x2620, 0x2690,
    // 0x50
    0x1F3F1, 0x2708, 0x263C, 0x1F4A7, 0x2744, 0x1F546, 0x271E, 0x1F548, 0x2720, 0x2721, 0x262A,
    0x262F, 0x0950, 0x2638, 0x2648, 0x2649,
    // 0x60: zodiac, then bullets
    0x264A, 0x264B, 0x264C, 0x264D, 0x264E, 0x264F, 0x2650, 0x2651, 0x2652, 0x2653, 0x1F670,
    0x1F675, 0x25CF, 0x274D, 0x25A0, 0x25A1,
    // 0x70
    0x1F790, 0x2751, 0x2752, 0x2B27, 0x29EB, 0x25C6, 0x2756, 0x2B25, 0x2327, 0x2BB9, 0x2318, 0x2740,
    0x273F, 0x275D, 0x275E, 0x25AF,
    // 0x80: circled numbers
    0x24EA, 0x2460, 0x2461, 0x2462, 0x2463, 0x2464, 0x2465, 0x2466, 0x2467, 0x2468, 0x2469, 0x24FF,
    0x2776, 0x2777, 0x2778, 0x2779,
    // 0x90
    0x277A, 0x277B, 0x277C, 0x277D, 0x277E, 0x277F, 0x1F662, 0x1F660, 0x1F661, 0x1F663, 0x1F65E,
    0x1F65C, 0x1F65D, 0x1F65F, 0x00B7, 0x2022,
    // 0xA0: dots, squares, stars
    0x25AA, 0x26AA, 0x1F786, 0x1F788, 0x25C9, 0x25CE, 0x1F53F, 0x25AA, 0x25FB, 0x1F7C2, 0x2726,
    0x2605, 0x2736, 0x2734, 0x2739, 0x2735,
    // 0xB0: targets, then clock faces
    0x2BD0, 0x2316, 0x27E1, 0x2311, 0x2BD1, 0x272A, 0x2730, 0x1F550, 0x1F551, 0x1F552, 0x1F553,
    0x1F554, 0x1F555, 0x1F556, 0x1F557, 0x1F558,
    // 0xC0
    0x1F559, 0x1F55A, 0x1F55B, 0x2BB0, 0x2BB1, 0x2BB2, 0x2BB3, 0x2BB4, 0x2BB5, 0x2BB6, 0x2BB7,
    0x1F66A, 0x1F66B, 0x1F655, 0x1F654, 0x1F657,
    // 0xD0: leaves, erase keys, arrowheads, arrows
    0x1F656, 0x1F650, 0x1F651, 0x1F653, 0x1F652, 0x232B, 0x2326, 0x2B98, 0x27A2, 0x2B99, 0x2B9B,
    0x2B88, 0x2B8A, 0x2B89, 0x2B8B, 0x2190,
    // 0xE0
    0x2192, 0x2191, 0x2193, 0x2196, 0x2197, 0x2199, 0x2198, 0x2B05, 0x27A1, 0x2B06, 0x2B07, 0x2B09,
    0x2B08, 0x2B0B, 0x2B0A, 0x21E6,
    // 0xF0: outlined arrows, ballot boxes
    0x21E8, 0x21E7, 0x21E9, 0x2B04, 0x21F3, 0x2B00, 0x2B01, 0x2B03, 0x2B02, 0x1F8AC, 0x1F8AD,
    0x2717, 0x2714, 0x2612, 0x2611, 0};

// A row too few or too many shifts every character after it.
static_assert(kSymbol[0xB7 - 0x20] == 0x2022 && kSymbol[0xFE - 0x20] == 0x23AD);
static_assert(kWingdings[0xA7 - 0x20] == 0x25AA && kWingdings[0xFE - 0x20] == 0x2611);

} // namespace

CodePage::CodePage(int number) : number_(number) {
    for (std::size_t byte = 0; byte < single_.size(); ++byte)
        single_[byte] = Cp1252ToUnicode(static_cast<unsigned char>(byte));
    if (number == 1252) {
        known_ = true;
        return;
    }
#ifdef VEXA_HAVE_ICONV
    const std::string name = ConverterName(number);
    if (name.empty())
        return;
    const iconv_t converter = iconv_open("UTF-32LE", name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return;
    converter_ = converter;
    known_ = true;
    // The bytes below 0x80 are ASCII in every code page read here.
    for (std::size_t byte = 0x80; byte < single_.size(); ++byte) {
        const char in = static_cast<char>(byte);
        bool incomplete = false;
        const char32_t cp = Convert(&in, 1, incomplete);
        single_[byte] = incomplete ? kLeadByte : cp;
    }
#endif
}

CodePage::~CodePage() {
#ifdef VEXA_HAVE_ICONV
    if (converter_)
        iconv_close(static_cast<iconv_t>(converter_));
#endif
}

char32_t CodePage::Pair(unsigned char lead, unsigned char trail) {
    if (!converter_)
        return kReplacement;
    const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    bool incomplete = false;
    const char32_t cp = Convert(in, 2, incomplete);
    return incomplete ? kReplacement : cp;
}

char32_t CodePage::Convert(const char* bytes, std::size_t count, bool& incomplete) {
    incomplete = false;
#ifdef VEXA_HAVE_ICONV
    auto* converter = static_cast<iconv_t>(converter_);
    char input[4] = {};
    for (std::size_t i = 0; i < count && i < sizeof input; ++i)
        input[i] = bytes[i];
    char output[16] = {};
    char* in = input;
    std::size_t inLeft = count < sizeof input ? count : sizeof input;
    char* out = output;
    std::size_t outLeft = sizeof output;
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    iconv(converter, nullptr, nullptr, nullptr, nullptr); // forget any shift state
    const auto produced = sizeof output - outLeft;
    if (produced >= 4) {
        // One character is wanted; a sequence that gives several keeps its first.
        char32_t cp = 0;
        for (int i = 3; i >= 0; --i)
            cp = (cp << 8) | static_cast<unsigned char>(output[i]);
        return cp;
    }
    if (error == EINVAL)
        incomplete = true;
#else
    (void)bytes;
    (void)count;
#endif
    return kReplacement;
}

int CharsetCodePage(int charset) {
    switch (charset) {
    case 0:
        return 1252; // ANSI
    case 77:
        return 10000; // Macintosh Roman
    case 128:
        return 932; // Shift-JIS
    case 129:
        return 949; // Korean (Wansung)
    case 130:
        return 1361; // Korean (Johab)
    case 134:
        return 936; // Simplified Chinese (GBK)
    case 136:
        return 950; // Traditional Chinese (Big5)
    case 161:
        return 1253; // Greek
    case 162:
        return 1254; // Turkish
    case 163:
        return 1258; // Vietnamese
    case 177:
        return 1255; // Hebrew
    case 178:
        return 1256; // Arabic
    case 186:
        return 1257; // Baltic
    case 204:
        return 1251; // Cyrillic
    case 222:
        return 874; // Thai
    case 238:
        return 1250; // Central European
    case 254:
        return 437; // PC 437
    case 255:
        return 850; // OEM
    default:
        return 0; // 1 default, 2 symbol, and sets without a code page
    }
}

SymbolFont SymbolFontOfName(std::string_view name) {
    if (EqualsIgnoringCase(name, "Symbol"))
        return SymbolFont::kSymbol;
    if (EqualsIgnoringCase(name, "Wingdings"))
        return SymbolFont::kWingdings;
    return SymbolFont::kNone;
}

char32_t SymbolFontToUnicode(SymbolFont font, unsigned char byte) {
    if (byte < 0x20)
        return 0;
    switch (font) {
    case SymbolFont::kSymbol:
        return kSymbol[byte - 0x20u];
    case SymbolFont::kWingdings:
        return kWingdings[byte - 0x20u];
    case SymbolFont::kNone:
        break;
    }
    return 0;
}

} // namespace vexa
