// The Rich Text reader against one fixture per feature it claims, and against the inputs a
// damaged or hostile help file can hold. Results are compared as a compact description of
// the model, so a failure shows what was read.
//
// The pictures in the fixtures were drawn for them: picture_png.rtf and picture_jpeg.rtf
// hold a 48 x 32 image (blue, a red square at (8, 8) sized 12 x 12, green from row 20 on);
// picture_dib.rtf and picture_wbitmap_bin.rtf an 8 x 6 one (red top-left quarter, blue
// top-right, green bottom half).
#include "settings_ui/richtext.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace vexa {
namespace {

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(VEXA_RICHTEXT_FIXTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Hex(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", colour);
    return text;
}

// "[b i u s sup 28 f=Courier New #0000FF hl#00FFFF bg#00FFFF ->target]": what differs
// from the defaults; the document's own font is not named.
std::string DescribeFormat(const RichTextFormat& format, const RichTextDocument& document) {
    std::string flags;
    auto add = [&flags](const std::string& flag) {
        if (!flags.empty())
            flags += ' ';
        flags += flag;
    };
    if (format.bold)
        add("b");
    if (format.italic)
        add("i");
    if (format.underline)
        add("u");
    if (format.strike)
        add("s");
    if (format.position == RichTextVerticalPosition::kSuperscript)
        add("sup");
    if (format.position == RichTextVerticalPosition::kSubscript)
        add("sub");
    if (format.fontSize != 24)
        add(std::to_string(format.fontSize));
    if (format.font != document.defaultFont)
        add("f=" + (format.font >= 0 ? document.fonts.at(static_cast<std::size_t>(format.font)).name
                                     : std::string("none")));
    if (format.colour)
        add(Hex(*format.colour));
    if (format.highlight)
        add("hl" + Hex(*format.highlight));
    if (format.shading)
        add("bg" + Hex(*format.shading));
    if (!format.link.empty())
        add("->" + format.link);
    return flags.empty() ? std::string() : "[" + flags + "]";
}

std::string DescribeParagraph(const RichTextParagraph& paragraph,
                              const RichTextDocument& document) {
    static const char* const kAlignment[] = {"", "(c)", "(r)", "(j)"};
    static const char* const kTabKind[] = {"", "c", "r", "d"};
    std::string out = std::string("P") + kAlignment[static_cast<int>(paragraph.alignment)];
    std::string spacing;
    for (const auto& [name, twips] : {std::pair{"sb", paragraph.spaceBefore},
                                      {"sa", paragraph.spaceAfter},
                                      {"li", paragraph.leftIndent},
                                      {"ri", paragraph.rightIndent},
                                      {"fi", paragraph.firstLineIndent}})
        if (twips != 0)
            spacing +=
                (spacing.empty() ? "" : " ") + std::string(name) + "=" + std::to_string(twips);
    for (std::size_t t = 0; t < paragraph.tabs.size(); ++t)
        spacing += (t == 0 ? (spacing.empty() ? "tx=" : " tx=") : ",") +
                   std::to_string(paragraph.tabs[t].position) +
                   kTabKind[static_cast<int>(paragraph.tabs[t].kind)];
    if (!spacing.empty())
        out += "{" + spacing + "}";
    out += ":";
    for (const RichTextRun& run : paragraph.runs) {
        out += ' ';
        if (run.picture >= 0) {
            out += "<picture " + std::to_string(run.picture) + ">";
            continue;
        }
        out += DescribeFormat(run.format, document) + "\"" + run.text + "\"";
    }
    return out;
}

// "{L-108 2000+ 4000 6000=} ": a row's left edge and cell edges, "+" on the first of
// cells merged downwards and "=" on those that continue it; nothing without definitions.
std::string DescribeDefinitions(const RichTextRow& row) {
    if (row.definitions.empty())
        return {};
    std::string out = "{";
    if (row.leftEdge != 0)
        out += "L" + std::to_string(row.leftEdge) + " ";
    for (std::size_t c = 0; c < row.definitions.size(); ++c) {
        out += (c == 0 ? "" : " ") + std::to_string(row.definitions[c].rightEdge);
        if (row.definitions[c].verticalMerge == RichTextMerge::kFirst)
            out += "+";
        if (row.definitions[c].verticalMerge == RichTextMerge::kContinue)
            out += "=";
    }
    return out + "} ";
}

// One line a block: "P: [b]"text" ...", or "T: a | b // c | d" for a table (" // " between
// rows, " | " between cells, " / " between the paragraphs of a cell). A first line
// "deftab=N" when the default tab width is not 720 twips.
std::vector<std::string> Describe(const RichTextDocument& document) {
    std::vector<std::string> lines;
    if (document.defaultTabWidth != 720)
        lines.push_back("deftab=" + std::to_string(document.defaultTabWidth));
    for (const RichTextBlock& block : document.blocks) {
        if (const auto* paragraph = std::get_if<RichTextParagraph>(&block)) {
            lines.push_back(DescribeParagraph(*paragraph, document));
            continue;
        }
        std::string line = "T:";
        const auto& table = std::get<RichTextTable>(block);
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            line += r == 0 ? " " : " // ";
            line += DescribeDefinitions(table.rows[r]);
            for (std::size_t c = 0; c < table.rows[r].cells.size(); ++c) {
                line += c == 0 ? "" : " | ";
                const auto& paragraphs = table.rows[r].cells[c].paragraphs;
                for (std::size_t p = 0; p < paragraphs.size(); ++p) {
                    line += p == 0 ? "" : " / ";
                    line += DescribeParagraph(paragraphs[p], document);
                }
            }
        }
        lines.push_back(line);
    }
    return lines;
}

struct Read {
    int result = -1;
    std::string error;
    RichTextDocument document;
};

Read ReadText(const std::string& rtf) {
    Read read;
    read.result = ReadRichText(rtf, read.document, read.error);
    return read;
}

using Lines = std::vector<std::string>;

struct FixtureCase {
    const char* file;
    Lines expected;
};

class FixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureTest, ReadsTheWholeFileIntoTheExpectedModel) {
    const Read read = ReadText(ReadFixture(GetParam().file));
    EXPECT_EQ(read.result, 1) << read.error;
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(Describe(read.document), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, FixtureTest,
    ::testing::Values(
        // Font table, style sheet, info, "\*" destinations and headers are not text.
        FixtureCase{"paragraphs.rtf",
                    {"P{sa=200}: [20]\"First paragraph\"",
                     "P{sa=200}: [20]\"Second line one\nline two\ttabbed\"",
                     "P(c): [20]\"Centred \\ {braces}\"", "P(r): [20]\"Right\"",
                     "P(j): [20]\"Justified\"", "P{sb=120 li=720 ri=360 fi=-360}: [20]\"Indented\"",
                     "P: [20]\"Last without par\""}},
        FixtureCase{"character_formats.rtf",
                    {"P: \"plain \" [b]\"bold\" \" \" [i]\"italic\" \" \" [u]\"underline\" \" \" "
                     "[b i]\"both\"",
                     "P: [b]\"on\" \"off \" [i]\"on\" \"off \" [u]\"on\" \"off \" [u]\"on\" "
                     "\"off \" [u]\"double\"",
                     "P: [b i u]\"grouped \" \"plain inside\" [b i u]\" back\"",
                     "P: \"after group\""}},
        // Entry 0 of the colour table is the automatic colour; colours are 0x00BBGGRR.
        FixtureCase{"font_sizes_colours.rtf",
                    {"P: \"twelve \" [40]\"twenty\" [16]\" eight\"",
                     "P: [16 #0000FF]\"red \" [16 #FF8000]\"blue \" [16]\"auto out of range \" "
                     "[16 #000000]\"black\"",
                     "P: [36 #FF8000]\"big blue \" [36 #0000FF]\"red\" [36 #FF8000]\" blue\""}},
        FixtureCase{"escapes_unicode.rtf",
                    {"P: \"caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D \xC2\x8D\"",
                     "P: \"euro \xE2\x82\xAC two \xE2\x82\xAC none\xE2\x82\xAC"
                     "end\"",
                     "P: \"group \xCE\xA9restored \xCE\xA9\"",
                     "P: \"neg \xEF\x80\xA0 pair \xF0\x9F\x98\x80 lone \xEF\xBF\xBDx\"",
                     "P: \"special \xE2\x80\x94\xE2\x80\x93\xE2\x80\xA2\xE2\x80\x98\xE2\x80\x99"
                     "\xE2\x80\x9C\xE2\x80\x9D\xC2\xA0nbsp\"",
                     "P: \"bad zz hex\""}},
        // Rows that follow each other are one table; a paragraph outside ends it.
        FixtureCase{"table.rtf",
                    {"P: \"Shift points\"",
                     "T: {L-108 2000 4000} P: [b]\"Gear\" | P: \"Speed\" // {L-108 2000 4000} P: "
                     "\"1-2\" | P: \"15 km/h\" / P: \"light throttle\"",
                     "P: \"Between tables\"", "T: {3000} P: \"only cell\"", "P: \"After\""}},
        // A row may define more cells than it fills, and edges that pass over another
        // row's.
        FixtureCase{"tablewidth.rtf",
                    {"T: {3000 9000} P: \"Wide cell spans 2 and 3\" // {3000 6000 9000} P: \"A\" | "
                     "P: \"B\" | P: \"C\"",
                     "P:"}},
        FixtureCase{"vmerge.rtf",
                    {"T: {2000 4000} P: \"A\" | P: \"B\" // {2000 4000+} P: \"C\" | P: \"D\"",
                     "P: \"After\""}},
        // Cells merged across (\clmrg) are one cell with the edge of the last.
        FixtureCase{
            "merged_cells.rtf",
            {"T: {L-108 2000+ 4000 6000} P: \"Tall\" | P: \"Top\" | P: \"R\" // "
             "{L-108 2000= 6000} P: | P: \"Wide\" // {L-108 2000= 4000 6000} P: | P: \"x\" | "
             "P: \"y\"",
             "P: \"After\""}},
        // Bytes in the code page of the font's character set (\cpg before \fcharset), else
        // the document's; symbol fonts as the characters they draw.
        FixtureCase{"cp1251.rtf", {"P: \"Привет\""}},
        FixtureCase{"dbcs932.rtf", {"P: \"こんにちは\""}},
        FixtureCase{"symbol.rtf", {"P: [f=Symbol]\"•\t\" \"Item one\"", "P: [f=Symbol]\"αβγ\""}},
        FixtureCase{"codepages.rtf",
                    {"P: \"Привет \" [f=Arial]\"café\" \" \" [f=Times New Roman Greek]\"αβγ\" "
                     "\" \" [f=Tahoma]\"α\"",
                     "P: [f=ＭＳ ゴシック]\"日本語\"",
                     "P: [f=Wingdings]\"▪➢✔●\" [f=Symbol]\"• α\" [f=Marlett]\"a\""}},
        FixtureCase{
            "charfmt.rtf",
            {"P: [28 f=Arial]\"E = mc\" [sup 28 f=Arial]\"2\" [28 f=Arial]\", H\" [sub 28 "
             "f=Arial]\"2\" [28 f=Arial]\"O, \" [s 28 f=Arial]\"old\" [28 f=Arial]\", \" [28 "
             "f=Arial hl#00FFFF]\"marked\" [28 f=Arial]\", \" [28 f=Arial bg#00FFFF]\"shaded\" "
             "[28 f=Arial]\", \" [28 f=Courier New]\"mono\" [28 f=Arial]\", visible \""}},
        FixtureCase{"hidden.rtf", {"P: \"Visible\""}},
        // \page and \sect end paragraphs; tab stops with their kinds; the default tab.
        FixtureCase{"breaks_tabs.rtf",
                    {"deftab=360", "P: \"One\"", "P: \"Two\"", "P: \"Three\"",
                     "P{li=720 fi=-360 tx=720}: [f=Symbol]\"•\t\" \"Bullet item\"",
                     "P{li=1440 fi=-720}: [f=Symbol]\"•\t\" \"Bullet without a stop\"",
                     "P{li=720 tx=2160}: \"a\tb\"",
                     "P{tx=4000r,6000c,8000d,9000}: \"a\tb\tc\t1.5\""}},
        // Hyperlink fields link their result (a \plain inside keeps the link); footnotes
        // keep their numbered marks and follow the document.
        FixtureCase{"fields_footnotes.rtf",
                    {"P: \"See \" [u ->https://example.com/help?a=1&b=2]\"the web\" \", \" "
                     "[->Help\\Other.rtf]\"other help\" \" or \" [->#Section2]\"below\" \".\"",
                     "P: \"Page 3 of text\" [sup]\"1\" \", more\" [sup]\"2\"", "P: \"End\"",
                     "P: [sup]\"1\" \" First note.\"", "P: [sup]\"2\" \" Second\"",
                     "P: \"note.\""}},
        // Of a picture's two forms the one that shows better is kept.
        FixtureCase{"picture_png.rtf", {"P: \"Before \" <picture 0> \" after.\""}},
        FixtureCase{"metafile_wordpad.rtf", {"P: \"Before \" <picture 0> \" after.\""}},
        FixtureCase{"metafile_alternatives.rtf",
                    {"P: <picture 0>", "P: <picture 1>", "P: <picture 2>"}},
        FixtureCase{"picture_jpeg.rtf", {"P(c): <picture 0>"}},
        FixtureCase{"picture_dib.rtf", {"P: <picture 0>"}},
        FixtureCase{"picture_wbitmap_bin.rtf", {"P: <picture 0>"}}),
    [](const ::testing::TestParamInfo<FixtureCase>& param) {
        std::string name = param.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(RichTextPictures, KeepKindSizesAndTheExactBytes) {
    struct Case {
        const char* fixture;
        RichTextPictureKind kind;
        int width, height, goalWidth, goalHeight, scaleX, scaleY;
        std::size_t bytes;
    };
    const Case cases[] = {
        {"picture_png.rtf", RichTextPictureKind::kPng, 1270, 847, 720, 480, 50, 200, 0},
        {"picture_jpeg.rtf", RichTextPictureKind::kJpeg, 48, 32, 0, 0, 100, 100, 0},
        {"picture_dib.rtf", RichTextPictureKind::kDib, 8, 6, 240, 180, 100, 100, 40 + 12 + 48},
        {"picture_wbitmap_bin.rtf", RichTextPictureKind::kBitmap, 8, 6, 0, 0, 100, 100, 144},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        const Read read = ReadText(ReadFixture(c.fixture));
        ASSERT_EQ(read.document.pictures.size(), 1u);
        const RichTextPicture& picture = read.document.pictures[0];
        EXPECT_EQ(picture.kind, c.kind);
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
        EXPECT_EQ(picture.goalWidth, c.goalWidth);
        EXPECT_EQ(picture.goalHeight, c.goalHeight);
        EXPECT_EQ(picture.scaleX, c.scaleX);
        EXPECT_EQ(picture.scaleY, c.scaleY);
        if (c.bytes != 0) {
            EXPECT_EQ(picture.data.size(), c.bytes);
        }
    }
    // Hex data decodes to the very file the picture was made from: check the signatures
    // and that nothing of the "\*\picprop" group or the hex line breaks crept in.
    const Read png = ReadText(ReadFixture("picture_png.rtf"));
    const std::string& data = png.document.pictures.at(0).data;
    EXPECT_EQ(data.substr(0, 8), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(data.substr(data.size() - 8, 4), "IEND");
    const Read jpeg = ReadText(ReadFixture("picture_jpeg.rtf"));
    EXPECT_EQ(jpeg.document.pictures.at(0).data.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(jpeg.document.pictures.at(0).data.substr(jpeg.document.pictures[0].data.size() - 2),
              "\xFF\xD9");
    const Read bitmap = ReadText(ReadFixture("picture_wbitmap_bin.rtf"));
    const std::string& rows = bitmap.document.pictures.at(0).data;
    EXPECT_EQ(rows.substr(0, 3), "\x20\x20\xE0");            // top-left pixel, B G R
    EXPECT_EQ(rows.substr(rows.size() - 3), "\x30\xA0\x30"); // bottom-right
}

TEST(RichTextPictures, BinaryDataMayHoldBracesAndBackslashes) {
    const Read read = ReadText("{\\rtf1{\\pict\\pngblip\\bin4 {}\\}}after\\par}");
    EXPECT_EQ(read.result, 1) << read.error;
    ASSERT_EQ(read.document.pictures.size(), 1u);
    EXPECT_EQ(read.document.pictures[0].data, "{}\\}");
    EXPECT_EQ(Describe(read.document), (Lines{"P: <picture 0> \"after\""}));
}

TEST(RichTextPictures, AnOversizedBinIsSkippedAndRefused) {
    const std::string rtf = "{\\rtf1 a{\\pict\\pngblip\\bin" +
                            std::to_string(kRichTextMaxBinaryBytes + 1) + " " +
                            std::string(kRichTextMaxBinaryBytes + 1, '}') + "}b\\par}";
    const Read read = ReadText(rtf);
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.error, "A \\bin length of 33554433 bytes was refused.");
    EXPECT_EQ(read.document.pictures.size(), 0u);
    EXPECT_EQ(Describe(read.document), (Lines{"P: \"ab\""}));
}

TEST(RichTextPictures, PicturesWithoutDataOrInSkippedGroupsAreDropped) {
    const Read read = ReadText(
        "{\\rtf1 a{\\pict\\pngblip}b{\\*\\shppict{\\pict\\pngblip 89}}{\\nonshppict{\\pict\\"
        "wmetafile8 0100}}{\\*\\unknown{\\pict\\pngblip 89}}c\\par}");
    EXPECT_EQ(read.result, 1) << read.error;
    EXPECT_EQ(read.document.pictures.size(), 1u);
    EXPECT_EQ(Describe(read.document), (Lines{"P: \"ab\" <picture 0> \"c\""}));
}

TEST(RichTextPictures, DisplaySizeFollowsGoalNaturalSizeAndScale) {
    struct Case {
        RichTextPictureKind kind;
        int width, height, goalWidth, goalHeight, scaleX, scaleY;
        int decodedWidth, decodedHeight;
        RichTextSize expected;
    };
    const Case cases[] = {
        // Goal size wins, then the scale applies.
        {RichTextPictureKind::kPng, 1270, 847, 720, 480, 50, 200, 48, 32, {360, 960}},
        // No goal: the decoded image at 15 twips a pixel.
        {RichTextPictureKind::kJpeg, 0, 0, 0, 0, 100, 100, 48, 32, {720, 480}},
        // Nothing decoded: \picw \pich as pixels for bitmaps...
        {RichTextPictureKind::kBitmap, 8, 6, 0, 0, 100, 100, 0, 0, {120, 90}},
        // ... and as 0.01 mm for metafiles (2540 = one inch = 1440 twips).
        {RichTextPictureKind::kMetafile, 2540, 1270, 0, 0, 100, 100, 0, 0, {1440, 720}},
        // Unknown size stays unknown; absurd sizes are bounded.
        {RichTextPictureKind::kPng, 0, 0, 0, 0, 100, 100, 0, 0, {0, 0}},
        {RichTextPictureKind::kPng,
         0,
         0,
         2000000000,
         1,
         1000,
         1,
         0,
         0,
         {kRichTextMaxPictureTwips, 1}},
    };
    for (const Case& c : cases) {
        RichTextPicture picture;
        picture.kind = c.kind;
        picture.width = c.width;
        picture.height = c.height;
        picture.goalWidth = c.goalWidth;
        picture.goalHeight = c.goalHeight;
        picture.scaleX = c.scaleX;
        picture.scaleY = c.scaleY;
        EXPECT_EQ(PictureDisplaySize(picture, c.decodedWidth, c.decodedHeight), c.expected)
            << c.width << "x" << c.height << " goal " << c.goalWidth << "x" << c.goalHeight;
    }
}

TEST(RichTextReader, ATruncatedFileKeepsWhatWasReadAndSaysSo) {
    const Read read = ReadText(ReadFixture("truncated.rtf"));
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.error, "The Rich Text ends inside a group.");
    EXPECT_EQ(Describe(read.document),
              (Lines{"P: \"Complete paragraph\"", "P: [b]\"Cut off inside a bold group\""}));
}

TEST(RichTextReader, TextThatIsNotRichTextIsShownAsPlainLines) {
    const Read read = ReadText("Shift firmness\r\nExplained \x93here\x94\n\nEnd");
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.error, "The file is not Rich Text: it does not begin with {\\rtf.");
    EXPECT_EQ(Describe(read.document),
              (Lines{"P: \"Shift firmness\"", "P: \"Explained \xE2\x80\x9Chere\xE2\x80\x9D\"",
                     "P:", "P: \"End\""}));
}

struct DamagedCase {
    const char* name;
    std::string rtf;
    int result;
    std::string error;
    Lines expected;
};

class DamagedInputTest : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedInputTest, IsReadSafelyAndReported) {
    const Read read = ReadText(GetParam().rtf);
    EXPECT_EQ(read.result, GetParam().result);
    EXPECT_EQ(read.error, GetParam().error);
    EXPECT_EQ(Describe(read.document), GetParam().expected);
}

std::string Nested(int depth, const std::string& inner) {
    return "{\\rtf1 a" + std::string(static_cast<std::size_t>(depth), '{') + inner +
           std::string(static_cast<std::size_t>(depth), '}') + "b\\par}";
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, DamagedInputTest,
    ::testing::Values(
        DamagedCase{"BinPastTheEnd",
                    "{\\rtf1 x{\\pict\\pngblip\\bin999 abc}}",
                    0,
                    "A \\bin length of 999 bytes runs past the end of the text.",
                    {"P: \"x\""}},
        DamagedCase{"HugeBinParameter",
                    "{\\rtf1 x{\\pict\\bin99999999999 abc}}",
                    0,
                    "A \\bin length of 2147483647 bytes runs past the end of the text.",
                    {"P: \"x\""}},
        DamagedCase{"NegativeBin",
                    "{\\rtf1 x{\\pict\\pngblip\\bin-5 41}y\\par}",
                    1,
                    "",
                    {"P: \"x\" <picture 0> \"y\""}},
        DamagedCase{
            "DepthAtTheLimit", Nested(kRichTextMaxGroupDepth - 1, "c"), 1, "", {"P: \"acb\""}},
        // Past the depth limit text is kept; formatting lasts until the reading is back
        // at the limit, a destination until its own group ends.
        DamagedCase{
            "DepthPastTheLimit", Nested(kRichTextMaxGroupDepth + 50, "c"), 1, "", {"P: \"acb\""}},
        DamagedCase{"FormattingPastTheLimit",
                    Nested(kRichTextMaxGroupDepth + 50, "{\\b c}d{{\\i e}}"),
                    1,
                    "",
                    {"P: \"a\" [b]\"cd\" [b i]\"e\" \"b\""}},
        DamagedCase{"DestinationsPastTheLimit",
                    Nested(kRichTextMaxGroupDepth + 50,
                           "x{\\*\\bkmkstart n}y{\\pict\\pngblip 4142}z{\\footnote f}w"),
                    1,
                    "",
                    {"P: \"axy\" <picture 0> \"zwb\""}},
        DamagedCase{"BackslashAtTheEnd",
                    "{\\rtf1 text\\",
                    0,
                    "The Rich Text ends inside a group.",
                    {"P: \"text\""}},
        DamagedCase{"HexEscapeCutShort",
                    "{\\rtf1 a\\'e",
                    0,
                    "The Rich Text ends inside a group.",
                    {"P: \"ae\""}},
        DamagedCase{"UnicodeFallbackAtTheEnd",
                    "{\\rtf1\\uc5 a\\u937",
                    0,
                    "The Rich Text ends inside a group.",
                    {"P: \"a\xCE\xA9\""}},
        DamagedCase{
            "TextAfterTheDocumentIsIgnored", "{\\rtf1 a\\par}}{b\\par}", 1, "", {"P: \"a\""}},
        DamagedCase{"OverlongWordAndParameter",
                    "{\\rtf1\\" + std::string(300, 'x') + "1234567890123 a\\fs99999999999 b\\par}",
                    1,
                    "",
                    {"P: \"a\" [3276]\"b\""}},
        DamagedCase{
            "NulBytesAreDropped", std::string("{\\rtf1 a\0b\\par}", 15), 1, "", {"P: \"ab\""}},
        // A lead byte of a double-byte code page without its second byte.
        DamagedCase{"LoneLeadByte",
                    "{\\rtf1\\ansicpg932 a\\'82\\par b\\'82}",
                    1,
                    "",
                    {"P: \"a\xEF\xBF\xBD\"", "P: \"b\xEF\xBF\xBD\""}},
        DamagedCase{"UnknownCodePage",
                    "{\\rtf1\\ansicpg99999{\\fonttbl{\\f0\\cpg-5 A;}}\\f0 \\'80\\par}",
                    1,
                    "",
                    {"P: [f=A]\"\xE2\x82\xAC\""}},
        DamagedCase{"CellsWithoutRow",
                    "{\\rtf1\\trowd\\intbl a\\cell b",
                    0,
                    "The Rich Text ends inside a group.",
                    {"T: P: \"a\" | P: \"b\""}}),
    [](const ::testing::TestParamInfo<DamagedCase>& param) { return param.param.name; });

// "0:2x3^": a cell's first column, its column span, its row span, "^" when it is part of
// the merged cell above; rows joined by " / ".
std::string DescribePlaces(const RichTextTableLayout& layout) {
    std::string out;
    for (std::size_t r = 0; r < layout.places.size(); ++r) {
        out += r == 0 ? "" : " / ";
        for (std::size_t c = 0; c < layout.places[r].size(); ++c) {
            const RichTextCellPlace& place = layout.places[r][c];
            out += (c == 0 ? "" : " ") + std::to_string(place.column);
            if (place.columnSpan != 1)
                out += ":" + std::to_string(place.columnSpan);
            if (place.rowSpan != 1)
                out += "x" + std::to_string(place.rowSpan);
            if (place.merged)
                out += "^";
        }
    }
    return out;
}

TEST(RichTextTables, CellsFindTheirColumnsSpansAndMerges) {
    std::string manyEdges = "{\\rtf1";
    for (int r = 0; r < 70; ++r)
        manyEdges +=
            "\\trowd\\cellx" + std::to_string(100 + r) + "\\cellx5000\\intbl a\\cell b\\cell\\row";
    manyEdges += "}";
    struct Case {
        const char* name;
        std::string rtf;
        int columns;
        std::vector<int> widths;
        std::string places;
    };
    const Case cases[] = {
        // The first row's second cell spans the second row's second and third.
        {"tablewidth", ReadFixture("tablewidth.rtf"), 3, {3000, 3000, 3000}, "0 1:2 / 0 1 2"},
        // A first merged cell with nothing continuing it stays one cell.
        {"vmerge", ReadFixture("vmerge.rtf"), 2, {2000, 2000}, "0 1 / 0 1"},
        // \trleft widens the first column; a cell merged across keeps both columns.
        {"merged_cells",
         ReadFixture("merged_cells.rtf"),
         3,
         {2108, 2000, 2000},
         "0x3 1 2 / 0^ 1:2 / 0^ 1 2"},
        // A cell continues the one above only where it covers the same columns.
        {"mismatched merge",
         "{\\rtf1\\trowd\\clvmgf\\cellx4000\\intbl a\\cell\\row\\trowd\\clvmrg\\cellx2000"
         "\\cellx4000\\intbl\\cell b\\cell\\row}",
         2,
         {2000, 2000},
         "0:2 / 0 1"},
        // Without usable edges cell n is column n; merges still follow the definitions.
        {"no edges",
         "{\\rtf1\\trowd\\intbl a\\cell b\\cell\\row\\trowd\\intbl c\\cell\\row}",
         2,
         {},
         "0 1 / 0"},
        {"edges out of order",
         "{\\rtf1\\trowd\\clvmgf\\cellx3000\\cellx2000\\intbl a\\cell b\\cell\\row\\trowd\\clvmrg"
         "\\cellx3000\\intbl c\\cell\\row}",
         2,
         {},
         "0x2 1 / 0^"},
        {"more cells than edges",
         "{\\rtf1\\trowd\\cellx3000\\intbl a\\cell b\\cell\\row}",
         2,
         {},
         "0 1"},
        {"too many columns",
         manyEdges,
         2,
         {},
         [] {
             std::string rows;
             for (int r = 0; r < 70; ++r)
                 rows += r == 0 ? "0 1" : " / 0 1";
             return rows;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Read read = ReadText(c.rtf);
        ASSERT_EQ(read.result, 1) << read.error;
        ASSERT_FALSE(read.document.blocks.empty());
        const auto* table = std::get_if<RichTextTable>(&read.document.blocks[0]);
        ASSERT_NE(table, nullptr);
        const RichTextTableLayout layout = LayOutTable(*table);
        EXPECT_EQ(layout.columns, c.columns);
        EXPECT_EQ(layout.columnWidths, c.widths);
        EXPECT_EQ(DescribePlaces(layout), c.places);
    }
}

TEST(RichTextReader, ReadingReplacesThePreviousDocument) {
    RichTextDocument document;
    std::string error;
    ASSERT_EQ(ReadRichText(ReadFixture("picture_png.rtf"), document, error), 1);
    ASSERT_EQ(ReadRichText("{\\rtf1 only\\par}", document, error), 1);
    EXPECT_EQ(document.pictures.size(), 0u);
    EXPECT_EQ(Describe(document), (Lines{"P: \"only\""}));
}

TEST(RichTextReader, Windows1252MapsTheHighControlRange) {
    EXPECT_EQ(Windows1252ToUtf8("\x80\x81\x9F\xA0\xFF"),
              "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC2\xA0\xC3\xBF");
}

} // namespace
} // namespace vexa
