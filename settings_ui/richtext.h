#pragma once
// A reader for the Rich Text help files shown in the help viewer. It turns RTF bytes into
// a small document model (paragraphs of formatted runs, tables of rows and cells, embedded
// pictures as bytes) that the viewer renders. Standard C++ only; the Qt side lives in
// richtextqt.h.
//
// What is read: groups and destinations (the font table, style sheet, document info,
// headers and footers and every "\*" destination are skipped; the colour table is read),
// \par \line \tab, \b \i \ul \ulnone \fs \cf \plain \pard, \ql \qc \qr \qj, \sb \sa \li \ri \fi,
// \'hh in
// Windows-1252, \uN with its \ucN fallback, tables (\trowd \intbl \cell \row), and \pict
// with hex or \bin data. Unknown control words are ignored.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vexa {

// Character formatting of a run.
struct RichTextFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int fontSize = 24; // half-points (\fs): 24 is 12 point
    // 0x00BBGGRR (red in the low byte); empty for the viewer's own text colour.
    std::optional<std::uint32_t> colour;
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
    bool operator==(const RichTextParagraph&) const = default;
};

struct RichTextCell {
    std::vector<RichTextParagraph> paragraphs; // at least one
    bool operator==(const RichTextCell&) const = default;
};

struct RichTextRow {
    std::vector<RichTextCell> cells;
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

struct RichTextDocument {
    std::vector<RichTextBlock> blocks;
    std::vector<RichTextPicture> pictures;
    bool operator==(const RichTextDocument&) const = default;
};

// Limits on what the reader accepts from a file.
inline constexpr int kRichTextMaxGroupDepth = 256; // deeper groups are skipped
inline constexpr std::size_t kRichTextMaxBinaryBytes = 32u * 1024u * 1024u; // per \bin

// Reads rtf into document (replacing what it held). Returns 1 when the whole text was
// read; 0 when it was not Rich Text, ended inside a group, nested too deep or held a \bin
// that was refused, with the reason in errorText. document always holds what was
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

// 8-bit Windows-1252 text as UTF-8 (the five unassigned bytes become the C1 code points of
// the same value, as Windows maps them).
std::string Windows1252ToUtf8(std::string_view text);

} // namespace vexa
