#pragma once
// A reader for the Rich Text help files shown in the help viewer. It turns RTF bytes into
// a small document model (paragraphs of formatted runs, tables of rows and cells, embedded
// pictures as bytes) that the viewer renders. Standard C++ and the C library's iconv only;
// the Qt side lives in richtextqt.h.
//
// What is read: groups and destinations (the style sheet, document info, headers and
// footers and every "\*" destination but pictures and field instructions are skipped; the
// font and colour tables are read), \par \line \tab \page \sect, \b \i \ul \ulnone
// \strike \super \sub \nosupersub \highlight \cb \chcbpat \chcfpat \chshdng \v \f \fs \cf
// \plain \pard, \ql \qc \qr \qj, \sb \sa \li \ri \fi, tab stops (\tx \tqr \tqc \tqdec),
// \'hh in the code page of the font's character set (\fcharset, \cpg), else the document's
// (\ansicpg), double-byte code pages included, the Symbol and Wingdings fonts as the
// characters they draw, \uN with its \ucN fallback, footnotes (their marks \chftn where they
// stand, their text after the document), HYPERLINK fields, tables (\trowd \cellx \clvmgf
// \clvmrg \clmgf \clmrg \intbl \cell \row), and \pict with hex or \bin data, choosing the
// better of a picture's \*\shppict and \nonshppict forms. Unknown control words are
// ignored.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vexa {

enum class RichTextVerticalPosition { kBaseline, kSuperscript, kSubscript };

// Character formatting of a run.
struct RichTextFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    RichTextVerticalPosition position = RichTextVerticalPosition::kBaseline;
    int fontSize = 24; // half-points (\fs): 24 is 12 point
    int font = -1;     // index into RichTextDocument::fonts, -1 for the viewer's own
    // Colours are 0x00BBGGRR (red in the low byte); empty for the viewer's own text colour,
    // and for no highlight (\highlight) or shading (\cb, \chcbpat) behind the text.
    std::optional<std::uint32_t> colour;
    std::optional<std::uint32_t> highlight;
    std::optional<std::uint32_t> shading;
    // What a HYPERLINK field's result links to, as the field names it ("#name" for a
    // bookmark); empty outside links.
    std::string link;
    bool operator==(const RichTextFormat&) const = default;
};

enum class RichTextAlignment { kLeft, kCentre, kRight, kJustify };

// Text with one format, or one picture.
struct RichTextRun {
    // UTF-8. A line break (\line) is "\n", a tab "\t". Empty for a picture.
    std::string text;
    RichTextFormat format;
    int picture = -1; // index into RichTextDocument::pictures, -1 for text
    bool operator==(const RichTextRun&) const = default;
};

enum class RichTextTabKind { kLeft, kCentre, kRight, kDecimal };

inline constexpr std::size_t kRichTextMaxTabStops = 64; // further stops are ignored

struct RichTextTabStop {
    int position = 0; // twips from the left margin, like the indents
    RichTextTabKind kind = RichTextTabKind::kLeft;
    bool operator==(const RichTextTabStop&) const = default;
};

struct RichTextParagraph {
    std::vector<RichTextRun> runs; // consecutive text of one format is one run
    RichTextAlignment alignment = RichTextAlignment::kLeft;
    // Spacing and indents in twips (\sb \sa \li \ri \fi); the first line's indent is
    // relative to the left one and may be negative.
    int spaceBefore = 0;
    int spaceAfter = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    std::vector<RichTextTabStop> tabs; // in the order given; at most kRichTextMaxTabStops
    bool operator==(const RichTextParagraph&) const = default;
};

enum class RichTextMerge {
    kNone,
    kFirst,    // \clvmgf: the top cell of cells merged downwards
    kContinue, // \clvmrg: part of the merged cell above
};

// A cell as the row's definition describes it (\clvmgf \clvmrg ... \cellx).
struct RichTextCellDefinition {
    int rightEdge = 0; // \cellx: twips from the left margin
    RichTextMerge verticalMerge = RichTextMerge::kNone;
    bool operator==(const RichTextCellDefinition&) const = default;
};

struct RichTextCell {
    std::vector<RichTextParagraph> paragraphs; // at least one
    bool operator==(const RichTextCell&) const = default;
};

// A row's cells in order, and its definition: a cell past the definitions has no width
// of its own, a definition past the cells is an empty cell. Cells merged across (\clmrg)
// are already one cell here.
struct RichTextRow {
    std::vector<RichTextCell> cells;
    std::vector<RichTextCellDefinition> definitions;
    int leftEdge = 0; // \trleft: where the first cell begins, twips from the left margin
    bool operator==(const RichTextRow&) const = default;
};

// Consecutive rows form one table; a paragraph outside a table ends it.
struct RichTextTable {
    std::vector<RichTextRow> rows;
    bool operator==(const RichTextTable&) const = default;
};

using RichTextBlock = std::variant<RichTextParagraph, RichTextTable>;

enum class RichTextPictureKind {
    kUnknown,
    kPng,      // \pngblip
    kJpeg,     // \jpegblip
    kDib,      // \dibitmap: a BITMAPINFO and its bits, without the file header
    kBitmap,   // \wbitmap: device-dependent bits, described by \picw \pich \wbm...
    kEmf,      // \emfblip
    kMetafile, // \wmetafile
    kMacPict,  // \macpict
};

struct RichTextPicture {
    RichTextPictureKind kind = RichTextPictureKind::kUnknown;
    std::string data; // the picture's bytes, decoded from hex or taken from \bin
    int width = 0;    // \picw, \pich: pixels for bitmaps, 0.01 mm for metafiles
    int height = 0;
    int goalWidth = 0; // \picwgoal, \pichgoal: the wanted size in twips, 0 when not given
    int goalHeight = 0;
    int scaleX = 100; // \picscalex, \picscaley: percent
    int scaleY = 100;
    int bitsPerPixel = 1; // \wbmbitspixel, \wbmplanes, \wbmwidthbytes (\wbitmap only)
    int planes = 1;
    int widthBytes = 0;
    bool operator==(const RichTextPicture&) const = default;
};

enum class RichTextFontFamily {
    kDefault,
    kRoman,
    kSwiss,
    kModern,
    kScript,
    kDecorative,
    kTechnical
};

struct RichTextFont {
    std::string name; // UTF-8, as the font table names it
    RichTextFontFamily family = RichTextFontFamily::kDefault;
    // Whether the text was turned from the Symbol or Wingdings font's own bytes into the
    // characters they draw: such text needs no particular font any more.
    bool symbolMapped = false;
    bool operator==(const RichTextFont&) const = default;
};

struct RichTextDocument {
    std::vector<RichTextBlock> blocks; // footnotes come last, after the text
    std::vector<RichTextPicture> pictures;
    std::vector<RichTextFont> fonts;
    int defaultFont = -1;      // \deff, as an index into fonts; -1 when none is named
    int defaultTabWidth = 720; // \deftab, twips
    bool operator==(const RichTextDocument&) const = default;
};

// Limits on what the reader accepts from a file.
// Groups deeper than this are read as one group: their text is kept, and their formatting
// lasts until the reading comes back to this depth.
inline constexpr int kRichTextMaxGroupDepth = 256;
inline constexpr std::size_t kRichTextMaxBinaryBytes = 32u * 1024u * 1024u; // per \bin

// Reads rtf into document (replacing what it held). Returns 1 when the whole text was
// read; 0 when it was not Rich Text, ended inside a group or held a \bin that was refused,
// with the reason in errorText. document always holds what was
// accepted: a text that does not begin with "{\rtf" is taken as plain text, one paragraph
// a line. Never reads outside rtf.
int ReadRichText(std::string_view rtf, RichTextDocument& document, std::string& errorText);

// A picture's size on the page in twips (1/1440 inch): its goal size, else its natural
// size in pixels (the decoded image's, or \picw \pich for bitmaps; 0 when unknown) at
// 15 twips a pixel, or \picw \pich in 0.01 mm for metafiles; then scaled by \picscalex and
// \picscaley. Each side is kept within 1..kRichTextMaxPictureTwips when it is known.
inline constexpr int kRichTextMaxPictureTwips = 15 * 4000;
struct RichTextSize {
    int width = 0;
    int height = 0;
    bool operator==(const RichTextSize&) const = default;
};
RichTextSize PictureDisplaySize(const RichTextPicture& picture, int naturalWidthPixels,
                                int naturalHeightPixels);

// Where each cell of a table goes on a grid of columns. The columns come from the cell
// edges of all rows, so a cell whose edges pass over other rows' edges spans several
// columns; when a row lacks edges, or the edges would make more than
// kRichTextMaxTableColumns columns, cell n of each row is column n.
inline constexpr int kRichTextMaxTableColumns = 63;
struct RichTextCellPlace {
    int column = 0;
    int columnSpan = 1;
    int rowSpan = 1;     // more than 1 on the top cell of a vertical merge
    bool merged = false; // part of the merged cell above, whose place it shares
    bool operator==(const RichTextCellPlace&) const = default;
};
struct RichTextTableLayout {
    int columns = 0;
    std::vector<int> columnWidths; // twips, one a column; empty when the edges are not used
    // [row][cell]: a place for every cell and every definition past the cells.
    std::vector<std::vector<RichTextCellPlace>> places;
    bool operator==(const RichTextTableLayout&) const = default;
};
RichTextTableLayout LayOutTable(const RichTextTable& table);

// 8-bit Windows-1252 text as UTF-8 (the five unassigned bytes become the C1 code points of
// the same value, as Windows maps them).
std::string Windows1252ToUtf8(std::string_view text);

} // namespace vexa
