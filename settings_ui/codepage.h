#pragma once
// What the bytes of a Rich Text file stand for: Windows code pages (single- and double-byte)
// through the C library's converters, and the Symbol and Wingdings fonts, whose bytes are
// pictures rather than letters. Standard C++ and the C library's iconv only.
#include <array>
#include <string_view>

namespace vexa {

// One Windows code page (1251, 932, ...). Code pages the C library cannot convert read as
// Windows-1252; so does 1252 itself, without the C library. Not copyable: it may hold an
// open converter.
class CodePage {
public:
    // What Single() answers for a byte that begins a double-byte character.
    static constexpr char32_t kLeadByte = 0xFFFFFFFFu;

    explicit CodePage(int number);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    int Number() const { return number_; }
    // False when the code page was not known and reads as Windows-1252.
    bool Known() const { return known_; }

    // The character byte stands for on its own; kLeadByte when it begins a double-byte
    // character; U+FFFD when it stands for nothing.
    char32_t Single(unsigned char byte) const { return single_[byte]; }
    // The character of a double-byte pair; U+FFFD when the pair is none.
    char32_t Pair(unsigned char lead, unsigned char trail);

private:
    char32_t Convert(const char* bytes, std::size_t count, bool& incomplete);

    int number_;
    bool known_ = false;
    void* converter_ = nullptr; // iconv_t, open while known_
    std::array<char32_t, 256> single_{};
};

// The code page of a font's character set (\fcharsetN): 1252 for ANSI, 1251 for Cyrillic,
// 932 for Shift-JIS and so on; 0 for the default and symbol sets and for unknown ones,
// which name no code page of their own.
int CharsetCodePage(int charset);

// Fonts whose bytes draw symbols rather than letters.
enum class SymbolFont { kNone, kSymbol, kWingdings };

// The symbol font a font name is ("Symbol", "Wingdings", in any case), or kNone.
SymbolFont SymbolFontOfName(std::string_view name);

// The Unicode character a byte draws in a symbol font; 0 when it draws none.
char32_t SymbolFontToUnicode(SymbolFont font, unsigned char byte);

} // namespace vexa
