#include "settings_ui/richtext.h"

#include "core/cp1252.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>

namespace vexa {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t Cp1252ToCodePoint(unsigned char byte) {
    return Cp1252ToUnicode(byte);
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Destinations whose text is not part of the visible document.
constexpr std::string_view kSkippedDestinations[] = {
    "fonttbl",      "stylesheet",   "info",      "filetbl",
    "revtbl",       "header",       "headerl",   "headerr",
    "headerf",      "footer",       "footerl",   "footerr",
    "footerf",      "ftnsep",       "ftnsepc",   "ftncn",
    "aftnsep",      "aftnsepc",     "aftncn",    "footnote",
    "annotation",   "atnid",        "atnauthor", "nonshppict",
    "nonesttables", "fldinst",      "xe",        "tc",
    "txe",          "rxe",          "pn",        "objdata",
    "objclass",     "objname",      "listtable", "listoverridetable",
    "rsidtbl",      "generator",    "themedata", "colorschememapping",
    "datastore",    "latentstyles", "pgdsctbl",  "xmlnstbl"};

struct SpecialCharacter {
    std::string_view word;
    char32_t codePoint;
};

constexpr std::array<SpecialCharacter, 10> kSpecialCharacters = {{
    {"emdash", 0x2014},
    {"endash", 0x2013},
    {"bullet", 0x2022},
    {"lquote", 0x2018},
    {"rquote", 0x2019},
    {"ldblquote", 0x201C},
    {"rdblquote", 0x201D},
    {"emspace", 0x2003},
    {"enspace", 0x2002},
    {"qmspace", 0x2005},
}};

// Paragraph spacing and indents beyond this (about 35 cm) are taken as this.
constexpr int kMaxParagraphTwips = 20000;

int Twips(int value, int lowest) {
    return std::clamp(value, lowest, kMaxParagraphTwips);
}

bool IsUnderlineWord(std::string_view word) {
    // \ul and its styled variants (\uld, \uldb, \ulwave, ...); \ulnone and \ulc are not.
    return word.starts_with("ul") && word != "ulnone" && word != "ulc";
}

class Reader {
public:
    Reader(std::string_view input, RichTextDocument& document)
        : input_(input), document_(document) {}

    int Run(std::string& errorText) {
        std::size_t start = 0;
        while (start < input_.size() && (input_[start] == ' ' || input_[start] == '\t' ||
                                         input_[start] == '\r' || input_[start] == '\n'))
            ++start;
        const std::string_view rest = input_.substr(start);
        if (!rest.starts_with("{\\rtf") && !rest.starts_with("{\\urtf")) {
            ReadPlainText();
            errorText = "The file is not Rich Text: it does not begin with {\\rtf.";
            return 0;
        }
        pos_ = start;
        Parse();
        Finish();
        errorText = error_;
        return error_.empty() ? 1 : 0;
    }

private:
    enum class Destination { kText, kSkip, kColourTable, kPicture };

    struct State {
        Destination destination = Destination::kText;
        RichTextFormat format;
        RichTextParagraph paragraph; // the paragraph formatting only, never runs
        bool inTable = false;
        int unicodeSkip = 1; // \ucN: fallback characters after each \uN
    };

    void Fail(std::string text) {
        if (error_.empty())
            error_ = std::move(text);
    }

    void ReadPlainText() {
        RichTextParagraph paragraph;
        std::size_t i = 0;
        while (i < input_.size()) {
            const char c = input_[i++];
            if (c == '\r' || c == '\n') {
                if (c == '\r' && i < input_.size() && input_[i] == '\n')
                    ++i;
                document_.blocks.emplace_back(std::move(paragraph));
                paragraph = {};
                continue;
            }
            if (c == '\0')
                continue;
            if (paragraph.runs.empty())
                paragraph.runs.emplace_back();
            AppendUtf8(paragraph.runs.back().text,
                       Cp1252ToCodePoint(static_cast<unsigned char>(c)));
        }
        if (!paragraph.runs.empty())
            document_.blocks.emplace_back(std::move(paragraph));
    }

    void Parse() {
        while (pos_ < input_.size() && !done_) {
            const char c = input_[pos_++];
            switch (c) {
            case '{':
                OpenGroup();
                break;
            case '}':
                CloseGroup();
                break;
            case '\\':
                ReadControl();
                break;
            case '\r':
            case '\n':
                break;
            default:
                Character(static_cast<unsigned char>(c));
                break;
            }
        }
        if (!done_)
            Fail("The Rich Text ends inside a group.");
    }

    void OpenGroup() {
        pendingSkip_ = 0;
        if (overflowDepth_ > 0 || static_cast<int>(stack_.size()) >= kRichTextMaxGroupDepth) {
            if (overflowDepth_ == 0)
                Fail("Groups nested deeper than " + std::to_string(kRichTextMaxGroupDepth) +
                     " levels were skipped.");
            ++overflowDepth_;
            return;
        }
        stack_.push_back(state_);
        groupStart_ = true;
    }

    void CloseGroup() {
        pendingSkip_ = 0;
        groupStart_ = false;
        starred_ = false;
        if (overflowDepth_ > 0) {
            --overflowDepth_;
            return;
        }
        if (stack_.empty())
            return;
        const Destination closing = state_.destination;
        if (closing == Destination::kColourTable && colour_.given)
            PushColour(); // the last entry may lack its ";"
        const bool leavesPicture =
            closing == Destination::kPicture && stack_.back().destination != Destination::kPicture;
        if (stack_.size() == 1) {
            // The closing brace of the document; anything after it is not read.
            if (leavesPicture)
                FinishPicture();
            done_ = true;
            return;
        }
        state_ = stack_.back();
        stack_.pop_back();
        if (leavesPicture)
            FinishPicture();
    }

    bool Skipping() const { return overflowDepth_ > 0 || state_.destination == Destination::kSkip; }

    void ReadControl() {
        if (pos_ >= input_.size())
            return;
        const char c = input_[pos_];
        if (!IsLetter(c)) {
            ++pos_;
            ControlSymbol(c);
            return;
        }
        const std::size_t wordStart = pos_;
        while (pos_ < input_.size() && IsLetter(input_[pos_]))
            ++pos_;
        const std::string_view word = input_.substr(wordStart, pos_ - wordStart);
        bool hasParameter = false;
        bool negative = false;
        if (pos_ + 1 < input_.size() && input_[pos_] == '-' && IsDigit(input_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        std::int64_t value = 0;
        while (pos_ < input_.size() && IsDigit(input_[pos_])) {
            hasParameter = true;
            value = std::min<std::int64_t>(value * 10 + (input_[pos_] - '0'),
                                           std::numeric_limits<std::int32_t>::max() + 1LL);
            ++pos_;
        }
        if (negative)
            value = -value;
        value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                         std::numeric_limits<std::int32_t>::max());
        // A space ends the word and belongs to it.
        if (pos_ < input_.size() && input_[pos_] == ' ')
            ++pos_;
        ControlWord(word, hasParameter, static_cast<int>(value));
    }

    void ControlSymbol(char c) {
        const bool atGroupStart = std::exchange(groupStart_, false);
        if (c == '*') {
            starred_ = atGroupStart;
            return;
        }
        starred_ = false;
        if (c == '\'') {
            int byte = -1;
            if (pos_ + 1 < input_.size()) {
                const int high = HexValue(input_[pos_]);
                const int low = HexValue(input_[pos_ + 1]);
                if (high >= 0 && low >= 0) {
                    byte = high * 16 + low;
                    pos_ += 2;
                }
            }
            if (byte < 0 || Skipping() || SkipFallback())
                return;
            AppendText(Cp1252ToCodePoint(static_cast<unsigned char>(byte)));
            return;
        }
        if (Skipping() || SkipFallback())
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Character(static_cast<unsigned char>(c), false);
            break;
        case '~':
            AppendText(0x00A0);
            break;
        case '_':
            AppendText(0x2011);
            break;
        case '\r':
        case '\n':
            if (state_.destination == Destination::kText)
                EndParagraph();
            break;
        default:
            break; // \- optional hyphen, \: index entry, \| formula: not shown
        }
    }

    // While the fallback of a \uN is pending, consumes one unit of it.
    bool SkipFallback() {
        if (pendingSkip_ <= 0)
            return false;
        --pendingSkip_;
        return true;
    }

    void ControlWord(std::string_view word, bool hasParameter, int parameter) {
        groupStart_ = false;
        const bool starred = std::exchange(starred_, false);
        if (word == "bin") {
            Binary(hasParameter ? parameter : 0);
            return;
        }
        if (Skipping())
            return;
        if (SkipFallback())
            return;
        if (starred) {
            // An optional destination: read only the picture wrapper we understand.
            if (word != "shppict")
                state_.destination = Destination::kSkip;
            return;
        }
        if (state_.destination == Destination::kPicture) {
            PictureWord(word, hasParameter, parameter);
            return;
        }
        if (state_.destination == Destination::kColourTable) {
            if (word == "red")
                colour_.red = std::clamp(parameter, 0, 255);
            else if (word == "green")
                colour_.green = std::clamp(parameter, 0, 255);
            else if (word == "blue")
                colour_.blue = std::clamp(parameter, 0, 255);
            else
                return;
            colour_.given = true;
            return;
        }
        if (std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), word) !=
            std::end(kSkippedDestinations)) {
            state_.destination = Destination::kSkip;
            return;
        }
        if (word == "colortbl") {
            state_.destination = Destination::kColourTable;
            colourTable_.clear();
            colour_ = {};
            return;
        }
        if (word == "pict") {
            state_.destination = Destination::kPicture;
            picture_ = {};
            nibble_ = -1;
            return;
        }
        TextWord(word, hasParameter, parameter);
    }

    void TextWord(std::string_view word, bool hasParameter, int parameter) {
        RichTextFormat& format = state_.format;
        const bool on = !hasParameter || parameter != 0;
        if (word == "par") {
            EndParagraph();
        } else if (word == "line") {
            AppendText('\n');
        } else if (word == "tab") {
            AppendText('\t');
        } else if (word == "b") {
            format.bold = on;
        } else if (word == "i") {
            format.italic = on;
        } else if (word == "ulnone") {
            format.underline = false;
        } else if (IsUnderlineWord(word)) {
            format.underline = on;
        } else if (word == "fs") {
            format.fontSize = hasParameter && parameter > 0 ? std::min(parameter, 3276) : 24;
        } else if (word == "cf") {
            format.colour = ColourAt(hasParameter ? parameter : 0);
        } else if (word == "plain") {
            format = {};
        } else if (word == "pard") {
            state_.paragraph = {};
            state_.inTable = false;
        } else if (word == "ql") {
            state_.paragraph.alignment = RichTextAlignment::kLeft;
        } else if (word == "qc") {
            state_.paragraph.alignment = RichTextAlignment::kCentre;
        } else if (word == "qr") {
            state_.paragraph.alignment = RichTextAlignment::kRight;
        } else if (word == "qj" || word == "qd") {
            state_.paragraph.alignment = RichTextAlignment::kJustify;
        } else if (word == "sb") {
            state_.paragraph.spaceBefore = Twips(parameter, 0);
        } else if (word == "sa") {
            state_.paragraph.spaceAfter = Twips(parameter, 0);
        } else if (word == "li") {
            state_.paragraph.leftIndent = Twips(parameter, 0);
        } else if (word == "ri") {
            state_.paragraph.rightIndent = Twips(parameter, 0);
        } else if (word == "fi") {
            state_.paragraph.firstLineIndent = Twips(parameter, -kMaxParagraphTwips);
        } else if (word == "intbl") {
            state_.inTable = true;
        } else if (word == "itap") {
            state_.inTable = hasParameter && parameter > 0;
        } else if (word == "cell") {
            EndCell();
        } else if (word == "nestcell") {
            // Nested tables are shown flat: each nested cell is a paragraph of its cell.
            EndCellParagraph();
        } else if (word == "row") {
            EndRow();
        } else if (word == "uc") {
            state_.unicodeSkip = hasParameter ? std::max(parameter, 0) : 1;
        } else if (word == "u") {
            if (hasParameter)
                Unicode(parameter);
        } else {
            for (const auto& special : kSpecialCharacters) {
                if (word == special.word) {
                    AppendText(special.codePoint);
                    break;
                }
            }
        }
    }

    void PictureWord(std::string_view word, bool hasParameter, int parameter) {
        const int value = hasParameter ? parameter : 0;
        if (word == "pngblip")
            picture_.kind = RichTextPictureKind::kPng;
        else if (word == "jpegblip")
            picture_.kind = RichTextPictureKind::kJpeg;
        else if (word == "dibitmap")
            picture_.kind = RichTextPictureKind::kDib;
        else if (word == "wbitmap")
            picture_.kind = RichTextPictureKind::kBitmap;
        else if (word == "emfblip")
            picture_.kind = RichTextPictureKind::kEmf;
        else if (word == "wmetafile")
            picture_.kind = RichTextPictureKind::kMetafile;
        else if (word == "macpict")
            picture_.kind = RichTextPictureKind::kMacPict;
        else if (word == "picw")
            picture_.width = std::max(value, 0);
        else if (word == "pich")
            picture_.height = std::max(value, 0);
        else if (word == "picwgoal")
            picture_.goalWidth = std::max(value, 0);
        else if (word == "pichgoal")
            picture_.goalHeight = std::max(value, 0);
        else if (word == "picscalex")
            picture_.scaleX = value > 0 ? value : 100;
        else if (word == "picscaley")
            picture_.scaleY = value > 0 ? value : 100;
        else if (word == "wbmbitspixel")
            picture_.bitsPerPixel = value;
        else if (word == "wbmplanes")
            picture_.planes = value;
        else if (word == "wbmwidthbytes")
            picture_.widthBytes = std::max(value, 0);
    }

    void Binary(int length) {
        if (length <= 0)
            return;
        const auto count = static_cast<std::size_t>(length);
        if (count > input_.size() - pos_) {
            Fail("A \\bin length of " + std::to_string(count) +
                 " bytes runs past the end of the text.");
            pos_ = input_.size();
            done_ = true;
            return;
        }
        const std::string_view bytes = input_.substr(pos_, count);
        pos_ += count;
        if (count > kRichTextMaxBinaryBytes) {
            Fail("A \\bin length of " + std::to_string(count) + " bytes was refused.");
            return;
        }
        if (!Skipping() && state_.destination == Destination::kPicture)
            picture_.data.append(bytes);
    }

    void Character(unsigned char c, bool counts = true) {
        groupStart_ = false;
        starred_ = false;
        if (Skipping())
            return;
        if (counts && SkipFallback())
            return;
        switch (state_.destination) {
        case Destination::kText:
            if (c == '\t')
                AppendText('\t');
            else if (c >= 0x20)
                AppendText(Cp1252ToCodePoint(c));
            break;
        case Destination::kColourTable:
            if (c == ';')
                PushColour();
            break;
        case Destination::kPicture: {
            const int nibble = HexValue(static_cast<char>(c));
            if (nibble < 0)
                break;
            if (nibble_ < 0) {
                nibble_ = nibble;
            } else {
                picture_.data.push_back(static_cast<char>(nibble_ * 16 + nibble));
                nibble_ = -1;
            }
            break;
        }
        case Destination::kSkip:
            break;
        }
    }

    // An entry without components is the automatic colour.
    void PushColour() {
        colourTable_.push_back(colour_.given ? std::optional<std::uint32_t>(
                                                   static_cast<std::uint32_t>(colour_.red) |
                                                   static_cast<std::uint32_t>(colour_.green) << 8 |
                                                   static_cast<std::uint32_t>(colour_.blue) << 16)
                                             : std::nullopt);
        colour_ = {};
    }

    std::optional<std::uint32_t> ColourAt(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= colourTable_.size())
            return std::nullopt;
        return colourTable_[static_cast<std::size_t>(index)];
    }

    void Unicode(int parameter) {
        const auto unit = static_cast<char32_t>(parameter < 0 ? parameter + 65536 : parameter);
        pendingSkip_ = state_.unicodeSkip;
        if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_ != 0) {
            const char32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
            highSurrogate_ = 0;
            AppendText(cp);
            return;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushSurrogate();
            highSurrogate_ = unit;
            return;
        }
        if (unit != 0)
            AppendText(unit);
    }

    void FlushSurrogate() {
        if (highSurrogate_ == 0)
            return;
        highSurrogate_ = 0;
        AppendCodePoint(kReplacement);
    }

    void AppendText(char32_t cp) {
        if (state_.destination != Destination::kText)
            return;
        FlushSurrogate();
        AppendCodePoint(cp);
    }

    void AppendCodePoint(char32_t cp) {
        auto& runs = paragraph_.runs;
        if (runs.empty() || runs.back().picture >= 0 || runs.back().format != state_.format) {
            runs.emplace_back();
            runs.back().format = state_.format;
        }
        AppendUtf8(runs.back().text, cp);
    }

    void FinishPicture() {
        nibble_ = -1;
        if (picture_.data.empty() || state_.destination != Destination::kText)
            return;
        FlushSurrogate();
        RichTextRun run;
        run.format = state_.format;
        run.picture = static_cast<int>(document_.pictures.size());
        document_.pictures.push_back(std::move(picture_));
        picture_ = {};
        paragraph_.runs.push_back(std::move(run));
    }

    RichTextParagraph TakeParagraph() {
        FlushSurrogate();
        RichTextParagraph paragraph = state_.paragraph;
        paragraph.runs = std::move(paragraph_.runs);
        paragraph_ = {};
        return paragraph;
    }

    void EndParagraph() {
        if (state_.inTable) {
            EndCellParagraph();
            return;
        }
        document_.blocks.emplace_back(TakeParagraph());
        tableOpen_ = false;
    }

    void EndCellParagraph() { cell_.paragraphs.push_back(TakeParagraph()); }

    void EndCell() {
        EndCellParagraph();
        row_.cells.push_back(std::exchange(cell_, {}));
    }

    void EndRow() {
        if (!paragraph_.runs.empty() || !cell_.paragraphs.empty())
            EndCell();
        if (row_.cells.empty())
            return;
        if (!tableOpen_) {
            document_.blocks.emplace_back(RichTextTable{});
            tableOpen_ = true;
        }
        std::get<RichTextTable>(document_.blocks.back()).rows.push_back(std::exchange(row_, {}));
    }

    void Finish() {
        FlushSurrogate();
        if (picture_.data.size() > 0 && state_.destination == Destination::kPicture) {
            // A picture cut short by the end of the text: show what arrived.
            state_.destination = stack_.empty() ? Destination::kText : stack_.front().destination;
            FinishPicture();
        }
        if (!row_.cells.empty() || !cell_.paragraphs.empty() ||
            (state_.inTable && !paragraph_.runs.empty()))
            EndRow();
        if (!paragraph_.runs.empty()) {
            document_.blocks.emplace_back(TakeParagraph());
        }
    }

    struct PendingColour {
        int red = 0;
        int green = 0;
        int blue = 0;
        bool given = false;
    };

    std::string_view input_;
    RichTextDocument& document_;
    std::size_t pos_ = 0;
    bool done_ = false;
    std::string error_;

    State state_;
    std::vector<State> stack_;
    int overflowDepth_ = 0;
    bool groupStart_ = false;
    bool starred_ = false;
    int pendingSkip_ = 0;
    char32_t highSurrogate_ = 0;

    std::vector<std::optional<std::uint32_t>> colourTable_;
    PendingColour colour_;
    RichTextPicture picture_;
    int nibble_ = -1;

    RichTextParagraph paragraph_;
    RichTextCell cell_;
    RichTextRow row_;
    bool tableOpen_ = false;
};

int ScaleSide(std::int64_t twips, int scale) {
    if (twips <= 0)
        return 0;
    const std::int64_t scaled = twips * scale / 100;
    return static_cast<int>(std::clamp<std::int64_t>(scaled, 1, kRichTextMaxPictureTwips));
}

} // namespace

int ReadRichText(std::string_view rtf, RichTextDocument& document, std::string& errorText) {
    document = {};
    errorText.clear();
    Reader reader(rtf, document);
    return reader.Run(errorText);
}

RichTextSize PictureDisplaySize(const RichTextPicture& picture, int naturalWidthPixels,
                                int naturalHeightPixels) {
    const bool metafile = picture.kind == RichTextPictureKind::kEmf ||
                          picture.kind == RichTextPictureKind::kMetafile ||
                          picture.kind == RichTextPictureKind::kMacPict;
    auto natural = [&](int decodedPixels, int declared) -> std::int64_t {
        if (decodedPixels > 0)
            return std::int64_t{decodedPixels} * 15;
        if (metafile)
            return std::int64_t{declared} * 1440 / 2540;
        return std::int64_t{declared} * 15;
    };
    const std::int64_t width =
        picture.goalWidth > 0 ? picture.goalWidth : natural(naturalWidthPixels, picture.width);
    const std::int64_t height =
        picture.goalHeight > 0 ? picture.goalHeight : natural(naturalHeightPixels, picture.height);
    return {ScaleSide(width, picture.scaleX), ScaleSide(height, picture.scaleY)};
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

} // namespace vexa
