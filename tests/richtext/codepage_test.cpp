// Code pages through the C library's converters, and the symbol fonts' characters.
#include "settings_ui/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace vexa {
namespace {

// What the bytes stand for: one character from one byte, or from a lead byte and its
// second byte.
char32_t Decode(CodePage& page, const std::string& bytes) {
    const auto first = static_cast<unsigned char>(bytes.at(0));
    const char32_t single = page.Single(first);
    if (bytes.size() == 1)
        return single;
    EXPECT_EQ(single, CodePage::kLeadByte) << page.Number();
    return page.Pair(first, static_cast<unsigned char>(bytes.at(1)));
}

TEST(CodePages, DecodeSingleAndDoubleBytes) {
    struct Case {
        int number;
        std::string bytes;
        char32_t expected;
    };
    const Case cases[] = {
        {1252, "\x80", 0x20AC},
        {1251, "\xCF", 0x041F},
        {1253, "\xE1", 0x03B1},
        {874, "\xA1", 0x0E01},
        {10000, "\x80", 0x00C4},
        {932, "\x82\xB1", 0x3053},
        {932, "\xB1", 0xFF71},
        {936, "\xD6\xD0", 0x4E2D},
        {949, "\xC7\xD1", 0xD55C},
        {950, "\xA4\xA4", 0x4E2D},
        {1361, "\xD0\x65", 0xD55C},
        // A pair that is no character.
        {932, "\x82\x20", 0xFFFD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        CodePage page(c.number);
        EXPECT_TRUE(page.Known());
        EXPECT_EQ(Decode(page, c.bytes), c.expected);
        EXPECT_EQ(page.Single('A'), U'A');
    }
}

TEST(CodePages, UnknownOnesReadAsWindows1252) {
    for (const int number : {0, -3, 99999, 65001}) {
        SCOPED_TRACE(number);
        CodePage page(number);
        EXPECT_FALSE(page.Known());
        EXPECT_EQ(page.Single(0x80), 0x20ACu);
        EXPECT_EQ(page.Single(0xE9), 0x00E9u);
        EXPECT_EQ(page.Pair(0x82, 0xB1), 0xFFFDu);
    }
}

TEST(CodePages, CharacterSetsNameTheirCodePages) {
    EXPECT_EQ(CharsetCodePage(0), 1252);
    EXPECT_EQ(CharsetCodePage(128), 932);
    EXPECT_EQ(CharsetCodePage(204), 1251);
    EXPECT_EQ(CharsetCodePage(238), 1250);
    // Default and symbol sets, and unknown ones, leave it to the document.
    EXPECT_EQ(CharsetCodePage(1), 0);
    EXPECT_EQ(CharsetCodePage(2), 0);
    EXPECT_EQ(CharsetCodePage(-1), 0);
}

TEST(SymbolFonts, DrawTheirCharacters) {
    EXPECT_EQ(SymbolFontOfName("Symbol"), SymbolFont::kSymbol);
    EXPECT_EQ(SymbolFontOfName("WINGDINGS"), SymbolFont::kWingdings);
    // Other fonts, including the other Wingdings, lay their bytes out differently.
    EXPECT_EQ(SymbolFontOfName("Wingdings 2"), SymbolFont::kNone);
    EXPECT_EQ(SymbolFontOfName("Arial"), SymbolFont::kNone);

    struct Case {
        SymbolFont font;
        unsigned char byte;
        char32_t expected;
    };
    const Case cases[] = {
        // Word's bullets, Greek, signs and the last pieces of each table.
        {SymbolFont::kSymbol, 0xB7, 0x2022},    {SymbolFont::kSymbol, 'a', 0x03B1},
        {SymbolFont::kSymbol, 'W', 0x03A9},     {SymbolFont::kSymbol, 0xB3, 0x2265},
        {SymbolFont::kSymbol, 0xFE, 0x23AD},    {SymbolFont::kSymbol, 0x80, 0},
        {SymbolFont::kWingdings, 0xA7, 0x25AA}, {SymbolFont::kWingdings, 0xD8, 0x27A2},
        {SymbolFont::kWingdings, 0xFC, 0x2714}, {SymbolFont::kWingdings, 'v', 0x2756},
        {SymbolFont::kWingdings, 'J', 0x263A},  {SymbolFont::kWingdings, 0xFE, 0x2611},
        {SymbolFont::kWingdings, 0x10, 0},      {SymbolFont::kNone, 'a', 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SymbolFontToUnicode(c.font, c.byte), c.expected)
            << static_cast<int>(c.font) << " " << static_cast<int>(c.byte);
}

} // namespace
} // namespace vexa
