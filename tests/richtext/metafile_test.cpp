// The bitmaps inside Windows metafiles, read from the metafile fixtures (made by
// fixtures/make_metafiles.py: a 16 x 12 bitmap of 24 bits a pixel), and metafiles cut
// short or lying about their sizes.
#include "settings_ui/metafile.h"
#include "settings_ui/richtext.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vexa {
namespace {

RichTextDocument ReadFixture(const std::string& name) {
    std::ifstream in(std::string(VEXA_RICHTEXT_FIXTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    const std::string rtf{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    RichTextDocument document;
    std::string error;
    EXPECT_EQ(ReadRichText(rtf, document, error), 1) << error;
    return document;
}

std::string Picture(const std::string& fixture, std::size_t index = 0) {
    return ReadFixture(fixture).pictures.at(index).data;
}

// "x,y wxh from sx,sy swxsh, N header bytes of M"
std::string Describe(const MetafileBitmap& bitmap) {
    return std::to_string(bitmap.x) + "," + std::to_string(bitmap.y) + " " +
           std::to_string(bitmap.width) + "x" + std::to_string(bitmap.height) + " from " +
           std::to_string(bitmap.sourceX) + "," + std::to_string(bitmap.sourceY) + " " +
           std::to_string(bitmap.sourceWidth) + "x" + std::to_string(bitmap.sourceHeight) + ", " +
           std::to_string(bitmap.bitsOffset) + " header bytes of " +
           std::to_string(bitmap.dib.size());
}

std::vector<std::string> Describe(const std::vector<MetafileBitmap>& bitmaps) {
    std::vector<std::string> out;
    for (const MetafileBitmap& bitmap : bitmaps)
        out.push_back(Describe(bitmap));
    return out;
}

using Lines = std::vector<std::string>;

TEST(Metafiles, BitmapRecordsAreFoundWithWhereTheyAreDrawn) {
    const std::string wordpad = Picture("metafile_wordpad.rtf");
    EXPECT_EQ(Describe(MetafileBitmaps(wordpad, false)),
              (Lines{"0,0 1600x1200 from 0,0 16x12, 40 header bytes of 616"}));
    // The same with the placeable header some writers put in front.
    const std::string placeable = std::string("\xD7\xCD\xC6\x9A", 4) + std::string(18, '\0');
    EXPECT_EQ(Describe(MetafileBitmaps(placeable + wordpad, false)),
              Describe(MetafileBitmaps(wordpad, false)));
    // The same drawn by the other stretching record, which lacks the colour-usage word:
    // its fields and bitmap lie two bytes earlier. The record follows the window's origin
    // and extent.
    std::string stretchBlt = wordpad;
    const std::size_t record = 18 + 10 + 10;
    stretchBlt.erase(record + 10, 2);
    stretchBlt[record] = static_cast<char>(stretchBlt[record] - 1); // a word fewer
    stretchBlt[record + 4] = '\x41';
    stretchBlt[record + 5] = '\x0B';
    EXPECT_EQ(Describe(MetafileBitmaps(stretchBlt, false)),
              Describe(MetafileBitmaps(wordpad, false)));

    // The enhanced metafile keeps the header and the bits apart; they come back packed.
    const std::vector<MetafileBitmap> emf =
        MetafileBitmaps(Picture("metafile_alternatives.rtf", 0), true);
    EXPECT_EQ(Describe(emf), (Lines{"0,0 64x48 from 0,0 16x12, 40 header bytes of 616"}));
    ASSERT_EQ(emf.size(), 1u);
    EXPECT_EQ(emf[0].dib, MetafileBitmaps(wordpad, false).at(0).dib);

    EXPECT_EQ(Describe(MetafileBitmaps(Picture("metafile_tiles.rtf"), false)),
              (Lines{"0,0 800x1200 from 0,0 4x6, 40 header bytes of 112",
                     "800,0 800x1200 from 0,0 4x6, 40 header bytes of 112"}));
    // Lines and rectangles only; and a metafile read as the other kind.
    EXPECT_TRUE(MetafileBitmaps(Picture("metafile_vector.rtf"), false).empty());
    EXPECT_TRUE(MetafileBitmaps(wordpad, true).empty());
    EXPECT_TRUE(MetafileBitmaps(Picture("metafile_alternatives.rtf", 0), false).empty());
}

TEST(Metafiles, OfAPicturesTwoFormsTheOneThatShowsIsKept) {
    const RichTextDocument document = ReadFixture("metafile_alternatives.rtf");
    ASSERT_EQ(document.pictures.size(), 3u);
    // The enhanced form carries the bitmap; then only the Windows form does; then the
    // Windows form stands alone.
    EXPECT_EQ(document.pictures[0].kind, RichTextPictureKind::kEmf);
    EXPECT_EQ(document.pictures[1].kind, RichTextPictureKind::kMetafile);
    EXPECT_EQ(document.pictures[1].data, Picture("metafile_wordpad.rtf"));
    EXPECT_EQ(document.pictures[2].kind, RichTextPictureKind::kMetafile);
    // A PNG beats a metafile with a bitmap.
    const RichTextDocument png = ReadFixture("picture_png.rtf");
    ASSERT_EQ(png.pictures.size(), 1u);
    EXPECT_EQ(png.pictures[0].kind, RichTextPictureKind::kPng);
}

TEST(Metafiles, ARecordCutShortIsNotRead) {
    // Every prefix: the bitmap record is whole only in the last six bytes' prefixes,
    // before the end-of-file record.
    for (const bool emf : {false, true}) {
        SCOPED_TRACE(emf);
        const std::string data =
            emf ? Picture("metafile_alternatives.rtf", 0) : Picture("metafile_wordpad.rtf");
        const std::size_t whole = data.size() - (emf ? 20 : 6);
        for (std::size_t length = 0; length < data.size(); ++length) {
            const std::size_t found = MetafileBitmaps(data.substr(0, length), emf).size();
            ASSERT_EQ(found, length >= whole ? 1u : 0u) << length;
        }
    }
}

TEST(Metafiles, SizesAndOffsetsThatLieAreRefused) {
    auto put32 = [](std::string data, std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            data[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        return data;
    };
    const std::string wmf = Picture("metafile_wordpad.rtf");
    const std::string emf = Picture("metafile_alternatives.rtf", 0);
    // The WMF's records: window origin and extent (10 bytes each), then the bitmap.
    const std::size_t wmfBitmap = 18 + 10 + 10;
    // The EMF's bitmap record follows its 88-byte header; its offsets are at 48..60.
    const std::size_t emfBitmap = 88;
    struct Case {
        const char* name;
        std::string data;
        bool emf;
    };
    const Case cases[] = {
        {"record larger than the file", put32(wmf, wmfBitmap, 0x7FFFFFFF), false},
        {"record of no words", put32(wmf, 18, 0), false},
        {"header size past the end", put32(wmf, 2, 0x0000FFFF), false},
        {"bitmap header size past the bits", put32(wmf, wmfBitmap + 28, 100000), false},
        {"record size past the end", put32(emf, emfBitmap + 4, 0xFFFFFFF0), true},
        {"bitmap header outside its record", put32(emf, emfBitmap + 48, 0xFFFFFFF0), true},
        {"bits outside their record", put32(emf, emfBitmap + 60, 0x7FFFFFFF), true},
        {"bitmap header too short", put32(emf, emfBitmap + 52, 4), true},
        {"no signature", put32(emf, 40, 0), true},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(MetafileBitmaps(c.data, c.emf).empty()) << c.name;
}

} // namespace
} // namespace vexa
