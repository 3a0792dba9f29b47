#include "settings_ui/richtext.h"

#include "core/cp1252.h"
#include "settings_ui/codepage.h"
#include "settings_ui/metafile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
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
    "stylesheet", "info",         "filetbl",    "revtbl",
    "header",     "headerl",      "headerr",    "headerf",
    "footer",     "footerl",      "footerr",    "footerf",
    "ftnsep",     "ftnsepc",      "ftncn",      "aftnsep",
    "aftnsepc",   "aftncn",       "annotation", "atnid",
    "atnauthor",  "nonesttables", "xe",         "tc",
    "txe",        "rxe",          "pn",         "objdata",
    "objclass",   "objname",      "listtable",  "listoverridetable",
    "rsidtbl",    "generator",    "themedata",  "colorschememapping",
    "datastore",  "latentstyles", "pgdsctbl",   "xmlnstbl"};

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
// Cell edges beyond this (about 3.5 m) are taken as this.
constexpr int kMaxTableTwips = 200000;
// What is kept of a field instruction and of a font name.
constexpr std::size_t kMaxFieldInstruction = 2048;
constexpr std::size_t kMaxFontName = 256;
// Distinct code pages one document may use; further ones read as Windows-1252.
constexpr std::size_t kMaxCodePages = 32;

int Twips(int value, int lowest) {
    return std::clamp(value, lowest, kMaxParagraphTwips);
}

bool IsUnderlineWord(std::string_view word) {
    // \ul and its styled variants (\uld, \uldb, \ulwave, ...); \ulnone and \ulc are not.
    return word.starts_with("ul") && word != "ulnone" && word != "ulc";
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The target of a HYPERLINK field instruction: its address, with "#name" for the \l
// switch's bookmark; empty when the field is no hyperlink. Inside quotes "\\" is one
// backslash and "\"" a quote, as fields write them.
std::string HyperlinkTarget(std::string_view instruction) {
    std::size_t i = 0;
    auto skipSpaces = [&] {
        while (i < instruction.size() && IsSpace(instruction[i]))
            ++i;
    };
    // One argument: quoted, or up to the next space.
    auto argument = [&]() -> std::string {
        skipSpaces();
        std::string out;
        if (i < instruction.size() && instruction[i] == '"') {
            ++i;
            while (i < instruction.size() && instruction[i] != '"') {
                if (instruction[i] == '\\' && i + 1 < instruction.size() &&
                    (instruction[i + 1] == '\\' || instruction[i + 1] == '"'))
                    ++i;
                out.push_back(instruction[i++]);
            }
            ++i;
            return out;
        }
        while (i < instruction.size() && !IsSpace(instruction[i]))
            out.push_back(instruction[i++]);
        return out;
    };
    skipSpaces();
    constexpr std::string_view kHyperlink = "hyperlink";
    if (instruction.size() - i < kHyperlink.size())
        return {};
    for (std::size_t k = 0; k < kHyperlink.size(); ++k)
        if (Lower(instruction[i + k]) != kHyperlink[k])
            return {};
    i += kHyperlink.size();
    if (i < instruction.size() && !IsSpace(instruction[i]) && instruction[i] != '"')
        return {};
    std::string address;
    std::string bookmark;
    bool haveAddress = false;
    while (true) {
        skipSpaces();
        if (i >= instruction.size())
            break;
        if (instruction[i] == '\\' && i + 1 < instruction.size()) {
            const char flag = Lower(instruction[i + 1]);
            i += 2;
            if (flag == 'l')
                bookmark = argument();
            else if (flag == 'o' || flag == 't')
                argument(); // tool tip, target frame
            continue;
        }
        std::string text = argument();
        if (!haveAddress) {
            address = std::move(text);
            haveAddress = true;
        }
    }
    if (!bookmark.empty())
        address += "#" + bookmark;
    return address;
}

// How well a picture shows here: pictures in image formats best, then metafiles that
// carry a bitmap, then the rest.
int PictureRank(const RichTextPicture& picture) {
    switch (picture.kind) {
    case RichTextPictureKind::kPng:
    case RichTextPictureKind::kJpeg:
        return 4;
    case RichTextPictureKind::kDib:
    case RichTextPictureKind::kBitmap:
        return 3;
    case RichTextPictureKind::kEmf:
    case RichTextPictureKind::kMetafile:
        return MetafileBitmaps(picture.data, picture.kind == RichTextPictureKind::kEmf).empty() ? 1
                                                                                                : 2;
    case RichTextPictureKind::kUnknown:
    case RichTextPictureKind::kMacPict:
        break;
    }
    return 1;
}

std::uint32_t Blend(std::uint32_t back, std::uint32_t fore, int tenThousandths) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const auto b = static_cast<int>((back >> shift) & 0xFF);
        const auto f = static_cast<int>((fore >> shift) & 0xFF);
        const int mixed = b + (f - b) * tenThousandths / 10000;
        result |= static_cast<std::uint32_t>(std::clamp(mixed, 0, 255)) << shift;
    }
    return result;
}

class Reader {
public:
    Reader(std::string_view input, RichTextDocument& document)
        : input_(input), document_(document), out_(&document.blocks) {}

    int Run(std::string& errorText) {
        std::size_t start = 0;
        while (start < input_.size() && IsSpace(input_[start]))
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
    enum class Destination { kText, kSkip, kColourTable, kFontTable, kPicture, kFieldInstruction };

    // Which form of a picture a group holds: Word writes a picture as "\*\shppict" for
    // readers that know it and again as "\nonshppict" for the others.
    enum class PictureForm { kOnly, kShape, kAlternative };

    struct Shading {
        int percent = 0;                         // \chshdng, in hundredths of a percent
        std::optional<std::uint32_t> pattern;    // \chcfpat
        std::optional<std::uint32_t> background; // \chcbpat, \cb
        bool given = false;
    };

    struct State {
        Destination destination = Destination::kText;
        RichTextFormat format;
        RichTextParagraph paragraph; // the paragraph formatting only, never runs
        Shading shading;
        bool inTable = false;
        bool hidden = false;     // \v
        bool inFootnote = false; // inside the group of a \footnote
        PictureForm pictureForm = PictureForm::kOnly;
        int unicodeSkip = 1; // \ucN: fallback characters after each \uN
        RichTextTabKind tabKind = RichTextTabKind::kLeft; // of the next \tx
        std::string fieldLink; // the link of the \field whose group this is, once known
    };

    // A cell definition of the row being read, with its merge into the previous cell.
    struct CellDefinition {
        RichTextCellDefinition definition;
        bool mergesLeft = false; // \clmrg
    };

    // Where text goes: the document's body, or a footnote's.
    struct Flow {
        RichTextParagraph paragraph; // runs of the paragraph being read
        RichTextCell cell;
        RichTextRow row;
        std::vector<CellDefinition> rowDefinition;
        int rowLeft = 0;
        CellDefinition nextCell; // properties for the next \cellx
        bool tableOpen = false;  // the last block is a table the next row joins
    };

    struct FontInfo {
        int codePage = 0; // 0: the document's
        SymbolFont symbol = SymbolFont::kNone;
    };

    struct PendingFont {
        int number = 0;
        RichTextFont font;
        int charset = -1;
        int codePage = 0;
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

    // Groups past the depth limit are not remembered one by one: they share the state of
    // the deepest remembered group, which comes back when the reading returns to it. A
    // destination begun among them (a picture, a skipped group) is remembered once, so
    // that it ends with its own group.
    void OpenGroup() {
        FlushLead();
        pendingSkip_ = 0;
        groupStart_ = true;
        if (overflowDepth_ > 0 || static_cast<int>(stack_.size()) >= kRichTextMaxGroupDepth) {
            if (overflowDepth_ == 0)
                overflowBase_ = state_;
            ++overflowDepth_;
            return;
        }
        stack_.push_back(state_);
    }

    void CloseGroup() {
        FlushLead();
        pendingSkip_ = 0;
        groupStart_ = false;
        starred_ = false;
        if (overflowDepth_ > 0) {
            if (overflowDepth_ == overflowDestinationDepth_) {
                overflowDestinationDepth_ = 0;
                Restore(std::move(overflowDestinationState_));
            }
            if (--overflowDepth_ == 0)
                Restore(std::move(overflowBase_));
            return;
        }
        if (stack_.empty())
            return;
        if (stack_.size() == 1) {
            // The closing brace of the document; anything after it is not read.
            if (state_.destination == Destination::kColourTable && colour_.given)
                PushColour();
            done_ = true;
            return;
        }
        State restored = std::move(stack_.back());
        stack_.pop_back();
        Restore(std::move(restored));
    }

    // Leaves the current group for the state it was opened in, finishing what the group
    // held.
    void Restore(State restored) {
        State closing = std::exchange(state_, std::move(restored));
        if (closing.destination == Destination::kColourTable && colour_.given)
            PushColour(); // the last entry may lack its ";"
        if (closing.destination != state_.destination) {
            switch (closing.destination) {
            case Destination::kFontTable:
                CommitFont();
                if (state_.destination == Destination::kText)
                    state_.format.font = FontIndex(defaultFontNumber_);
                break;
            case Destination::kPicture:
                FinishPicture(closing.pictureForm);
                break;
            case Destination::kFieldInstruction:
                state_.fieldLink = HyperlinkTarget(fieldInstruction_);
                break;
            default:
                break;
            }
        }
        if (closing.inFootnote && !state_.inFootnote)
            EndFootnote(closing);
    }

    void SetDestination(Destination destination) {
        if (overflowDepth_ > 0 && overflowDestinationDepth_ == 0) {
            overflowDestinationDepth_ = overflowDepth_;
            overflowDestinationState_ = state_;
        }
        state_.destination = destination;
    }

    bool Skipping() const { return state_.destination == Destination::kSkip; }

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
            if (state_.destination == Destination::kText ||
                state_.destination == Destination::kFontTable ||
                state_.destination == Destination::kFieldInstruction)
                TextByte(static_cast<unsigned char>(byte));
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
            FlushLead();
            AppendText(0x00A0);
            break;
        case '_':
            FlushLead();
            AppendText(0x2011);
            break;
        case '\r':
        case '\n':
            if (state_.destination == Destination::kText) {
                FlushLead();
                EndParagraph();
            }
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
        FlushLead();
        if (starred) {
            // An optional destination: read only the picture wrapper and field
            // instructions.
            if (word == "shppict")
                state_.pictureForm = PictureForm::kShape;
            else if (word == "fldinst")
                BeginFieldInstruction();
            else
                SetDestination(Destination::kSkip);
            return;
        }
        switch (state_.destination) {
        case Destination::kPicture:
            PictureWord(word, hasParameter, parameter);
            return;
        case Destination::kColourTable:
            ColourWord(word, parameter);
            return;
        case Destination::kFontTable:
            FontWord(word, hasParameter, parameter);
            return;
        case Destination::kFieldInstruction:
            if (word == "u" && hasParameter)
                Unicode(parameter);
            return;
        case Destination::kText:
        case Destination::kSkip:
            break;
        }
        if (std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), word) !=
            std::end(kSkippedDestinations)) {
            SetDestination(Destination::kSkip);
            return;
        }
        if (word == "fonttbl") {
            SetDestination(Destination::kFontTable);
            return;
        }
        if (word == "colortbl") {
            SetDestination(Destination::kColourTable);
            colourTable_.clear();
            colour_ = {};
            return;
        }
        if (word == "pict") {
            SetDestination(Destination::kPicture);
            picture_ = {};
            nibble_ = -1;
            return;
        }
        if (word == "fldinst") {
            BeginFieldInstruction();
            return;
        }
        if (word == "nonshppict") {
            // The second form of a picture just read is an alternative to it; on its own
            // it is the picture.
            if (LastRunIsShapePicture())
                state_.pictureForm = PictureForm::kAlternative;
            return;
        }
        if (word == "footnote") {
            BeginFootnote();
            return;
        }
        if (DocumentWord(word, hasParameter, parameter))
            return;
        TextWord(word, hasParameter, parameter);
    }

    // Words that set up the whole document. True when word was one.
    bool DocumentWord(std::string_view word, bool hasParameter, int parameter) {
        if (word == "ansicpg") {
            if (hasParameter && parameter > 0)
                documentCodePage_ = parameter;
        } else if (word == "mac") {
            documentCodePage_ = 10000;
        } else if (word == "pc") {
            documentCodePage_ = 437;
        } else if (word == "pca") {
            documentCodePage_ = 850;
        } else if (word == "deff") {
            defaultFontNumber_ = parameter;
            state_.format.font = FontIndex(parameter);
        } else if (word == "deftab") {
            if (hasParameter && parameter > 0)
                document_.defaultTabWidth = Twips(parameter, 1);
        } else {
            return false;
        }
        return true;
    }

    void TextWord(std::string_view word, bool hasParameter, int parameter) {
        RichTextFormat& format = state_.format;
        const bool on = !hasParameter || parameter != 0;
        if (word == "par" || word == "page" || word == "sect") {
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
        } else if (word == "strike" || word == "striked") {
            format.strike = on;
        } else if (word == "super") {
            format.position = RichTextVerticalPosition::kSuperscript;
        } else if (word == "sub") {
            format.position = RichTextVerticalPosition::kSubscript;
        } else if (word == "nosupersub") {
            format.position = RichTextVerticalPosition::kBaseline;
        } else if (word == "v") {
            state_.hidden = on;
        } else if (word == "f") {
            format.font = FontIndex(parameter);
        } else if (word == "fs") {
            format.fontSize = hasParameter && parameter > 0 ? std::min(parameter, 3276) : 24;
        } else if (word == "cf") {
            format.colour = ColourAt(hasParameter ? parameter : 0);
        } else if (word == "highlight") {
            format.highlight = ColourAt(hasParameter ? parameter : 0);
        } else if (word == "cb" || word == "chcbpat") {
            state_.shading.background = ColourAt(hasParameter ? parameter : 0);
            UpdateShading();
        } else if (word == "chcfpat") {
            state_.shading.pattern = ColourAt(hasParameter ? parameter : 0);
            UpdateShading();
        } else if (word == "chshdng") {
            state_.shading.percent = std::clamp(parameter, 0, 10000);
            UpdateShading();
        } else if (word == "plain") {
            // A link comes from the field around the text, not from its formatting.
            std::string link = std::move(format.link);
            format = {};
            format.link = std::move(link);
            format.font = FontIndex(defaultFontNumber_);
            state_.shading = {};
            state_.hidden = false;
        } else if (word == "pard") {
            state_.paragraph = {};
            state_.inTable = false;
            state_.tabKind = RichTextTabKind::kLeft;
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
        } else if (word == "tqr") {
            state_.tabKind = RichTextTabKind::kRight;
        } else if (word == "tqc") {
            state_.tabKind = RichTextTabKind::kCentre;
        } else if (word == "tqdec") {
            state_.tabKind = RichTextTabKind::kDecimal;
        } else if (word == "tx") {
            if (state_.paragraph.tabs.size() < kRichTextMaxTabStops)
                state_.paragraph.tabs.push_back({Twips(parameter, 0), state_.tabKind});
            state_.tabKind = RichTextTabKind::kLeft;
        } else if (word == "tb") {
            state_.tabKind = RichTextTabKind::kLeft; // a bar, not a stop
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
        } else if (word == "trowd") {
            flow_.rowDefinition.clear();
            flow_.rowLeft = 0;
            flow_.nextCell = {};
        } else if (word == "trleft") {
            flow_.rowLeft = std::clamp(parameter, -kMaxTableTwips, kMaxTableTwips);
        } else if (word == "clvmgf") {
            flow_.nextCell.definition.verticalMerge = RichTextMerge::kFirst;
        } else if (word == "clvmrg") {
            flow_.nextCell.definition.verticalMerge = RichTextMerge::kContinue;
        } else if (word == "clmrg") {
            flow_.nextCell.mergesLeft = true;
        } else if (word == "cellx") {
            CellDefinition cell = std::exchange(flow_.nextCell, {});
            cell.definition.rightEdge = std::clamp(parameter, -kMaxTableTwips, kMaxTableTwips);
            if (flow_.rowDefinition.size() < static_cast<std::size_t>(kRichTextMaxTableColumns))
                flow_.rowDefinition.push_back(cell);
        } else if (word == "field") {
            state_.fieldLink.clear();
        } else if (word == "fldrslt") {
            if (!state_.fieldLink.empty())
                format.link = state_.fieldLink;
        } else if (word == "chftn") {
            FootnoteMark();
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

    // Shading behind text: the pattern colour over the background by the shading's share.
    void UpdateShading() {
        Shading& shading = state_.shading;
        shading.given = true;
        if (shading.percent <= 0) {
            state_.format.shading = shading.background;
            return;
        }
        state_.format.shading = Blend(shading.background.value_or(0xFFFFFF),
                                      shading.pattern.value_or(0x000000), shading.percent);
    }

    void ColourWord(std::string_view word, int parameter) {
        if (word == "red")
            colour_.red = std::clamp(parameter, 0, 255);
        else if (word == "green")
            colour_.green = std::clamp(parameter, 0, 255);
        else if (word == "blue")
            colour_.blue = std::clamp(parameter, 0, 255);
        else
            return;
        colour_.given = true;
    }

    void FontWord(std::string_view word, bool hasParameter, int parameter) {
        if (word == "f") {
            CommitFont();
            pendingFont_ = PendingFont{};
            pendingFont_->number = parameter;
            return;
        }
        if (!pendingFont_)
            return;
        RichTextFont& font = pendingFont_->font;
        if (word == "froman")
            font.family = RichTextFontFamily::kRoman;
        else if (word == "fswiss")
            font.family = RichTextFontFamily::kSwiss;
        else if (word == "fmodern")
            font.family = RichTextFontFamily::kModern;
        else if (word == "fscript")
            font.family = RichTextFontFamily::kScript;
        else if (word == "fdecor")
            font.family = RichTextFontFamily::kDecorative;
        else if (word == "ftech")
            font.family = RichTextFontFamily::kTechnical;
        else if (word == "fcharset" && hasParameter)
            pendingFont_->charset = parameter;
        else if (word == "cpg" && hasParameter)
            pendingFont_->codePage = std::max(parameter, 0);
        else if (word == "u" && hasParameter)
            Unicode(parameter);
    }

    void CommitFont() {
        FlushLead();
        if (!pendingFont_)
            return;
        PendingFont pending = std::move(*pendingFont_);
        pendingFont_.reset();
        std::string& name = pending.font.name;
        while (!name.empty() && IsSpace(name.back()))
            name.pop_back();
        name.erase(0, std::min(name.find_first_not_of(" \t"), name.size()));
        FontInfo info;
        info.codePage = pending.codePage > 0 ? pending.codePage : CharsetCodePage(pending.charset);
        info.symbol = SymbolFontOfName(name);
        pending.font.symbolMapped = info.symbol != SymbolFont::kNone;
        fontNumbers_[pending.number] = static_cast<int>(document_.fonts.size());
        document_.fonts.push_back(std::move(pending.font));
        fonts_.push_back(info);
    }

    int FontIndex(int number) const {
        const auto found = fontNumbers_.find(number);
        return found == fontNumbers_.end() ? -1 : found->second;
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
            if (c == '\t') {
                FlushLead();
                AppendText('\t');
            } else if (c >= 0x20) {
                TextByte(c);
            }
            break;
        case Destination::kFontTable:
            if (c == ';')
                CommitFont();
            else if (c >= 0x20)
                TextByte(c);
            break;
        case Destination::kFieldInstruction:
            if (c >= 0x20)
                TextByte(c);
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

    // One byte of text in the code page of the font it is written in. A byte that begins a
    // double-byte character waits for the next one.
    void TextByte(unsigned char byte) {
        if (pendingLead_ != 0) {
            const unsigned char lead = std::exchange(pendingLead_, 0);
            EmitCodePoint(pendingLeadPage_->Pair(lead, byte));
            return;
        }
        if (state_.destination == Destination::kText) {
            const SymbolFont symbol = CurrentSymbolFont();
            if (symbol != SymbolFont::kNone) {
                const char32_t cp = SymbolFontToUnicode(symbol, byte);
                EmitCodePoint(cp != 0 ? cp : kReplacement);
                return;
            }
        }
        if (byte < 0x80) {
            EmitCodePoint(byte);
            return;
        }
        CodePage& page = CurrentCodePage();
        const char32_t cp = page.Single(byte);
        if (cp == CodePage::kLeadByte) {
            pendingLead_ = byte;
            pendingLeadPage_ = &page;
            return;
        }
        EmitCodePoint(cp);
    }

    // A lead byte that no second byte followed stands for nothing.
    void FlushLead() {
        if (pendingLead_ == 0)
            return;
        pendingLead_ = 0;
        EmitCodePoint(kReplacement);
    }

    void EmitCodePoint(char32_t cp) {
        switch (state_.destination) {
        case Destination::kText:
            AppendText(cp);
            break;
        case Destination::kFontTable:
            if (pendingFont_ && pendingFont_->font.name.size() < kMaxFontName)
                AppendUtf8(pendingFont_->font.name, cp);
            break;
        case Destination::kFieldInstruction:
            if (fieldInstruction_.size() < kMaxFieldInstruction)
                AppendUtf8(fieldInstruction_, cp);
            break;
        default:
            break;
        }
    }

    const FontInfo* CurrentFont() const {
        const int font = state_.format.font;
        return font >= 0 && static_cast<std::size_t>(font) < fonts_.size()
                   ? &fonts_[static_cast<std::size_t>(font)]
                   : nullptr;
    }

    SymbolFont CurrentSymbolFont() const {
        const FontInfo* font = CurrentFont();
        return font ? font->symbol : SymbolFont::kNone;
    }

    // The code page of the font being named in the font table, or of the text's font;
    // the document's when the font names none.
    CodePage& CurrentCodePage() {
        int number = 0;
        if (state_.destination == Destination::kFontTable) {
            if (pendingFont_)
                number = pendingFont_->codePage > 0 ? pendingFont_->codePage
                                                    : CharsetCodePage(pendingFont_->charset);
        } else if (const FontInfo* font = CurrentFont()) {
            number = font->codePage;
        }
        return CodePageNumbered(number > 0 ? number : documentCodePage_);
    }

    CodePage& CodePageNumbered(int number) {
        auto found = codePages_.find(number);
        if (found != codePages_.end())
            return *found->second;
        if (codePages_.size() >= kMaxCodePages)
            return CodePageNumbered(1252);
        return *codePages_.emplace(number, std::make_unique<CodePage>(number)).first->second;
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
        auto unit = static_cast<char32_t>(parameter < 0 ? parameter + 65536 : parameter);
        pendingSkip_ = state_.unicodeSkip;
        if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_ != 0) {
            const char32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
            highSurrogate_ = 0;
            EmitCodePoint(cp);
            return;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushSurrogate();
            highSurrogate_ = unit;
            return;
        }
        // Word writes the characters of symbol fonts at U+F000 on, plus their byte.
        if (unit >= 0xF020 && unit <= 0xF0FF && state_.destination == Destination::kText) {
            const SymbolFont symbol = CurrentSymbolFont();
            if (symbol != SymbolFont::kNone) {
                const char32_t cp = SymbolFontToUnicode(symbol, static_cast<unsigned char>(unit));
                unit = cp != 0 ? cp : kReplacement;
            }
        }
        if (unit != 0)
            EmitCodePoint(unit);
    }

    void FlushSurrogate() {
        if (highSurrogate_ == 0)
            return;
        highSurrogate_ = 0;
        AppendCodePoint(kReplacement);
    }

    void AppendText(char32_t cp) {
        if (state_.destination != Destination::kText || state_.hidden)
            return;
        FlushSurrogate();
        AppendCodePoint(cp);
    }

    void AppendCodePoint(char32_t cp) {
        auto& runs = flow_.paragraph.runs;
        if (runs.empty() || runs.back().picture >= 0 || runs.back().format != state_.format) {
            runs.emplace_back();
            runs.back().format = state_.format;
        }
        AppendUtf8(runs.back().text, cp);
    }

    void BeginFieldInstruction() {
        SetDestination(Destination::kFieldInstruction);
        fieldInstruction_.clear();
    }

    // Footnotes are read into blocks of their own and shown after the document; their
    // marks are numbered in order.
    void BeginFootnote() {
        if (footnoteOpen_ || state_.hidden || overflowDepth_ > 0) {
            SetDestination(Destination::kSkip);
            return;
        }
        footnoteOpen_ = true;
        state_.inFootnote = true;
        bodyFlow_ = std::exchange(flow_, {});
        out_ = &footnotes_;
    }

    void EndFootnote(const State& closing) {
        if (!footnoteOpen_)
            return;
        FlushFlow(closing);
        footnoteOpen_ = false;
        flow_ = std::exchange(bodyFlow_, {});
        out_ = &document_.blocks;
    }

    void FootnoteMark() {
        if (!state_.inFootnote && !state_.hidden && state_.destination == Destination::kText)
            ++footnoteNumber_;
        for (const char digit : std::to_string(footnoteNumber_))
            AppendText(static_cast<char32_t>(digit));
    }

    bool LastRunIsShapePicture() const {
        const auto& runs = flow_.paragraph.runs;
        return shapePicture_ >= 0 && !runs.empty() && runs.back().picture == shapePicture_;
    }

    void FinishPicture(PictureForm form) {
        nibble_ = -1;
        RichTextPicture picture = std::exchange(picture_, {});
        if (picture.data.empty() || state_.destination != Destination::kText || state_.hidden)
            return;
        if (form == PictureForm::kAlternative && LastRunIsShapePicture()) {
            // Keep whichever form shows better; the first one on a tie.
            RichTextPicture& shown = document_.pictures[static_cast<std::size_t>(shapePicture_)];
            if (PictureRank(picture) > PictureRank(shown))
                shown = std::move(picture);
            return;
        }
        FlushSurrogate();
        RichTextRun run;
        run.format = state_.format;
        run.picture = static_cast<int>(document_.pictures.size());
        shapePicture_ = form == PictureForm::kShape ? run.picture : -1;
        document_.pictures.push_back(std::move(picture));
        flow_.paragraph.runs.push_back(std::move(run));
    }

    RichTextParagraph TakeParagraph(const RichTextParagraph& format) {
        FlushSurrogate();
        RichTextParagraph paragraph = format;
        paragraph.runs = std::move(flow_.paragraph.runs);
        flow_.paragraph = {};
        return paragraph;
    }

    void EndParagraph() {
        if (state_.inTable) {
            EndCellParagraph();
            return;
        }
        out_->emplace_back(TakeParagraph(state_.paragraph));
        flow_.tableOpen = false;
    }

    void EndCellParagraph() { flow_.cell.paragraphs.push_back(TakeParagraph(state_.paragraph)); }

    void EndCell() {
        EndCellParagraph();
        flow_.row.cells.push_back(std::exchange(flow_.cell, {}));
    }

    void EndRow() {
        if (!flow_.paragraph.runs.empty() || !flow_.cell.paragraphs.empty())
            EndCell();
        if (flow_.row.cells.empty())
            return;
        ApplyRowDefinition(flow_.row);
        if (!flow_.tableOpen) {
            out_->emplace_back(RichTextTable{});
            flow_.tableOpen = true;
        }
        std::get<RichTextTable>(out_->back()).rows.push_back(std::exchange(flow_.row, {}));
    }

    // Gives row its cell definitions, joining a cell merged into the one on its left
    // (\clmrg) to that one: its edge and whatever text it holds.
    void ApplyRowDefinition(RichTextRow& row) const {
        std::vector<RichTextCell> cells;
        const std::size_t count = std::max(row.cells.size(), flow_.rowDefinition.size());
        for (std::size_t i = 0; i < count; ++i) {
            const bool defined = i < flow_.rowDefinition.size();
            const bool given = i < row.cells.size();
            if (defined && flow_.rowDefinition[i].mergesLeft && !row.definitions.empty()) {
                row.definitions.back().rightEdge = flow_.rowDefinition[i].definition.rightEdge;
                if (given && !cells.empty())
                    for (RichTextParagraph& paragraph : row.cells[i].paragraphs)
                        if (!paragraph.runs.empty())
                            cells.back().paragraphs.push_back(std::move(paragraph));
                continue;
            }
            if (defined)
                row.definitions.push_back(flow_.rowDefinition[i].definition);
            if (given)
                cells.push_back(std::move(row.cells[i]));
        }
        row.cells = std::move(cells);
        row.leftEdge = flow_.rowLeft;
    }

    // Ends what a flow holds unfinished: a row, and a paragraph without its \par.
    void FlushFlow(const State& state) {
        if (!flow_.row.cells.empty() || !flow_.cell.paragraphs.empty() ||
            (state.inTable && !flow_.paragraph.runs.empty())) {
            if (!flow_.paragraph.runs.empty() || !flow_.cell.paragraphs.empty()) {
                flow_.cell.paragraphs.push_back(TakeParagraph(state.paragraph));
                flow_.row.cells.push_back(std::exchange(flow_.cell, {}));
            }
            EndRow();
        }
        if (!flow_.paragraph.runs.empty())
            out_->emplace_back(TakeParagraph(state.paragraph));
    }

    void Finish() {
        FlushLead();
        FlushSurrogate();
        if (picture_.data.size() > 0 && state_.destination == Destination::kPicture) {
            // A picture cut short by the end of the text: show what arrived.
            state_.destination = stack_.empty() ? Destination::kText : stack_.front().destination;
            FinishPicture(state_.pictureForm);
        }
        if (footnoteOpen_) {
            const State footnote = state_;
            state_.inFootnote = false;
            EndFootnote(footnote);
        }
        FlushFlow(state_);
        for (RichTextBlock& block : footnotes_)
            document_.blocks.push_back(std::move(block));
        document_.defaultFont = FontIndex(defaultFontNumber_);
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
    State overflowBase_;
    int overflowDestinationDepth_ = 0;
    State overflowDestinationState_;
    bool groupStart_ = false;
    bool starred_ = false;
    int pendingSkip_ = 0;
    char32_t highSurrogate_ = 0;

    int documentCodePage_ = 1252;
    std::map<int, std::unique_ptr<CodePage>> codePages_;
    unsigned char pendingLead_ = 0;
    CodePage* pendingLeadPage_ = nullptr;

    std::optional<PendingFont> pendingFont_;
    std::map<int, int> fontNumbers_; // \fN -> index into document_.fonts
    std::vector<FontInfo> fonts_;    // alongside document_.fonts
    int defaultFontNumber_ = -1;

    std::vector<std::optional<std::uint32_t>> colourTable_;
    PendingColour colour_;
    RichTextPicture picture_;
    int nibble_ = -1;
    int shapePicture_ = -1; // the last picture read from a \*\shppict

    std::string fieldInstruction_;

    std::vector<RichTextBlock>* out_;
    Flow flow_;
    Flow bodyFlow_; // the body's, while a footnote is read
    bool footnoteOpen_ = false;
    int footnoteNumber_ = 0;
    std::vector<RichTextBlock> footnotes_;
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

RichTextTableLayout LayOutTable(const RichTextTable& table) {
    RichTextTableLayout layout;
    const std::size_t rows = table.rows.size();
    layout.places.resize(rows);
    // Columns from the cell edges, when every cell of every row has edges in order.
    std::vector<int> edges;
    bool useEdges = true;
    for (const RichTextRow& row : table.rows) {
        const std::size_t count = std::max(row.cells.size(), row.definitions.size());
        if (row.definitions.size() < count) {
            useEdges = false;
            break;
        }
        int left = row.leftEdge;
        edges.push_back(left);
        for (const RichTextCellDefinition& cell : row.definitions) {
            if (cell.rightEdge <= left) {
                useEdges = false;
                break;
            }
            left = cell.rightEdge;
            edges.push_back(left);
        }
        if (!useEdges)
            break;
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    if (edges.size() < 2 || edges.size() - 1 > static_cast<std::size_t>(kRichTextMaxTableColumns))
        useEdges = false;
    auto edgeIndex = [&edges](int edge) {
        return static_cast<int>(std::lower_bound(edges.begin(), edges.end(), edge) - edges.begin());
    };
    for (std::size_t r = 0; r < rows; ++r) {
        const RichTextRow& row = table.rows[r];
        const std::size_t count = std::max(row.cells.size(), row.definitions.size());
        auto& places = layout.places[r];
        places.resize(count);
        int left = row.leftEdge;
        for (std::size_t c = 0; c < count; ++c) {
            if (useEdges) {
                const int right = row.definitions[c].rightEdge;
                places[c].column = edgeIndex(left);
                places[c].columnSpan = edgeIndex(right) - places[c].column;
                left = right;
            } else {
                places[c].column = static_cast<int>(c);
            }
        }
        layout.columns = std::max(layout.columns, static_cast<int>(count));
    }
    if (useEdges) {
        layout.columns = static_cast<int>(edges.size() - 1);
        for (std::size_t i = 1; i < edges.size(); ++i)
            layout.columnWidths.push_back(edges[i] - edges[i - 1]);
    }
    // Vertical merges: a cell continues the one above when it covers the same columns.
    auto mergeOf = [&table](std::size_t r, std::size_t c) {
        const auto& definitions = table.rows[r].definitions;
        return c < definitions.size() ? definitions[c].verticalMerge : RichTextMerge::kNone;
    };
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < layout.places[r].size(); ++c) {
            RichTextCellPlace& top = layout.places[r][c];
            if (top.merged || mergeOf(r, c) != RichTextMerge::kFirst)
                continue;
            for (std::size_t below = r + 1; below < rows; ++below) {
                auto& places = layout.places[below];
                const auto found =
                    std::find_if(places.begin(), places.end(), [&top](const RichTextCellPlace& p) {
                        return p.column == top.column && p.columnSpan == top.columnSpan;
                    });
                if (found == places.end() ||
                    mergeOf(below, static_cast<std::size_t>(found - places.begin())) !=
                        RichTextMerge::kContinue)
                    break;
                found->merged = true;
                ++top.rowSpan;
            }
        }
    }
    return layout;
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
