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

std::string DescribeFormat(const RichTextFormat& format) {
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
    if (format.fontSize != 24)
        add(std::to_string(format.fontSize));
    if (format.colour) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%06X", *format.colour);
        add(colour);
    }
    return flags.empty() ? std::string() : "[" + flags + "]";
}

std::string DescribeParagraph(const RichTextParagraph& paragraph) {
    static const char* const kAlignment[] = {"", "(c)", "(r)", "(j)"};
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
    if (!spacing.empty())
        out += "{" + spacing + "}";
    out += ":";
    for (const RichTextRun& run : paragraph.runs) {
        out += ' ';
        if (run.picture >= 0) {
            out += "<picture " + std::to_string(run.picture) + ">";
            continue;
        }
        out += DescribeFormat(run.format) + "\"" + run.text + "\"";
    }
    return out;
}

// One line a block: "P: [b]"text" ...", or "T: a | b // c | d" for a table (" // " between
// rows, " | " between cells, " / " between the paragraphs of a cell).
std::vector<std::string> Describe(const RichTextDocument& document) {
    std::vector<std::string> lines;
    for (const RichTextBlock& block : document.blocks) {
        if (const auto* paragraph = std::get_if<RichTextParagraph>(&block)) {
            lines.push_back(DescribeParagraph(*paragraph));
            continue;
        }
        std::string line = "T:";
        const auto& table = std::get<RichTextTable>(block);
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            line += r == 0 ? " " : " // ";
            for (std::size_t c = 0; c < table.rows[r].cells.size(); ++c) {
                line += c == 0 ? "" : " | ";
                const auto& paragraphs = table.rows[r].cells[c].paragraphs;
                for (std::size_t p = 0; p < paragraphs.size(); ++p) {
                    line += p == 0 ? "" : " / ";
                    line += DescribeParagraph(paragraphs[p]);
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
                     "T: P: [b]\"Gear\" | P: \"Speed\" // P: \"1-2\" | P: \"15 km/h\" / P: \"light "
                     "throttle\"",
                     "P: \"Between tables\"", "T: P: \"only cell\"", "P: \"After\""}},
        // The picture wrapper "\*\shppict" is read, its "\nonshppict" alternative is not.
        FixtureCase{"picture_png.rtf", {"P: \"Before \" <picture 0> \" after.\""}},
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
        DamagedCase{"DepthPastTheLimit",
                    Nested(kRichTextMaxGroupDepth + 50, "c"),
                    0,
                    "Groups nested deeper than 256 levels were skipped.",
                    {"P: \"ab\""}},
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
        DamagedCase{"CellsWithoutRow",
                    "{\\rtf1\\trowd\\intbl a\\cell b",
                    0,
                    "The Rich Text ends inside a group.",
                    {"T: P: \"a\" | P: \"b\""}}),
    [](const ::testing::TestParamInfo<DamagedCase>& param) { return param.param.name; });

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
