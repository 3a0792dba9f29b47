// The model as a QTextDocument: text and paragraphs, character formats, tables, and
// pictures as image resources shown at their display size.
#include "settings_ui/richtext.h"
#include "settings_ui/richtextqt.h"

#include "qtprint.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>

#include <gtest/gtest.h>

#include <cstdlib>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vexa {
namespace {

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(VEXA_RICHTEXT_FIXTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Fill(const std::string& fixture, QTextDocument& document) {
    RichTextDocument model;
    std::string error;
    ASSERT_EQ(ReadRichText(ReadFixture(fixture), model, error), 1) << error;
    FillTextDocument(model, document);
}

// The fragment of document whose text is exactly text.
QTextFragment FindFragment(const QTextDocument& document, const QString& text) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().text() == text)
                return it.fragment();
    ADD_FAILURE() << "no fragment " << text.toStdString();
    return {};
}

std::vector<QTextImageFormat> Images(const QTextDocument& document) {
    std::vector<QTextImageFormat> images;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.push_back(it.fragment().charFormat().toImageFormat());
    return images;
}

// Every fragment of the document's blocks outside tables, in order.
std::vector<QTextFragment> Fragments(const QTextDocument& document) {
    std::vector<QTextFragment> fragments;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            fragments.push_back(it.fragment());
    return fragments;
}

std::vector<QTextTable*> Tables(const QTextDocument& document) {
    std::vector<QTextTable*> tables;
    for (QTextFrame* frame : document.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(frame))
            tables.push_back(table);
    return tables;
}

QString CellText(QTextTable* table, int row, int column) {
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selection().toPlainText();
}

TEST(RichTextQt, ParagraphsBecomeBlocksWithTheirAlignment) {
    QTextDocument document;
    Fill("paragraphs.rtf", document);
    EXPECT_EQ(
        document.toPlainText(),
        QString::fromUtf8("First paragraph\nSecond line one\nline two\ttabbed\n"
                          "Centred \\ {braces}\nRight\nJustified\nIndented\nLast without par"));
    ASSERT_EQ(document.blockCount(), 7);
    // \line breaks the line inside its paragraph.
    EXPECT_EQ(document.findBlockByNumber(1).text(),
              QString::fromUtf8("Second line one\u2028line two\ttabbed"));
    EXPECT_EQ(document.findBlockByNumber(0).blockFormat().alignment(), Qt::AlignLeft);
    EXPECT_EQ(document.findBlockByNumber(2).blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(document.findBlockByNumber(3).blockFormat().alignment(), Qt::AlignRight);
    EXPECT_EQ(document.findBlockByNumber(4).blockFormat().alignment(), Qt::AlignJustify);
    // Twips at 15 a pixel.
    const QTextBlockFormat indented = document.findBlockByNumber(5).blockFormat();
    EXPECT_EQ(indented.leftMargin(), 48.0);
    EXPECT_EQ(indented.rightMargin(), 24.0);
    EXPECT_EQ(indented.textIndent(), -24.0);
    EXPECT_EQ(indented.topMargin(), 8.0);
    EXPECT_EQ(document.findBlockByNumber(0).blockFormat().bottomMargin(), 200.0 / 15);
}

TEST(RichTextQt, RunsKeepTheirCharacterFormats) {
    QTextDocument document;
    Fill("character_formats.rtf", document);
    const QTextCharFormat bold = FindFragment(document, "bold").charFormat();
    EXPECT_EQ(bold.fontWeight(), QFont::Bold);
    EXPECT_FALSE(bold.fontItalic());
    EXPECT_FALSE(bold.fontUnderline());
    EXPECT_EQ(FindFragment(document, "plain ").charFormat().fontWeight(), QFont::Normal);
    EXPECT_TRUE(FindFragment(document, "italic").charFormat().fontItalic());
    EXPECT_TRUE(FindFragment(document, "underline").charFormat().fontUnderline());

    QTextDocument sized;
    Fill("font_sizes_colours.rtf", sized);
    EXPECT_EQ(FindFragment(sized, "twenty").charFormat().fontPointSize(), 20.0);
    EXPECT_EQ(FindFragment(sized, "twelve ").charFormat().fontPointSize(), 12.0);
    EXPECT_EQ(FindFragment(sized, "red ").charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FindFragment(sized, "blue ").charFormat().foreground().color(), QColor(0, 128, 255));
    // The automatic colour leaves the viewer's own text colour.
    EXPECT_FALSE(FindFragment(sized, "auto out of range ")
                     .charFormat()
                     .hasProperty(QTextFormat::ForegroundBrush));
}

TEST(RichTextQt, SuperSubStrikeHighlightShadingAndFontsAreShown) {
    QTextDocument document;
    Fill("charfmt.rtf", document);
    EXPECT_EQ(document.toPlainText(), "E = mc2, H2O, old, marked, shaded, mono, visible ");
    struct Expected {
        QString text;
        QTextCharFormat::VerticalAlignment position;
        bool strike;
        QColor background; // invalid for none
        QString family;
        QFont::StyleHint hint;
    };
    const QColor yellow(255, 255, 0);
    const Expected expected[] = {
        {"E = mc", QTextCharFormat::AlignNormal, false, {}, "Arial", QFont::AnyStyle},
        {"2", QTextCharFormat::AlignSuperScript, false, {}, "Arial", QFont::AnyStyle},
        {", H", QTextCharFormat::AlignNormal, false, {}, "Arial", QFont::AnyStyle},
        {"2", QTextCharFormat::AlignSubScript, false, {}, "Arial", QFont::AnyStyle},
        {"O, ", QTextCharFormat::AlignNormal, false, {}, "Arial", QFont::AnyStyle},
        {"old", QTextCharFormat::AlignNormal, true, {}, "Arial", QFont::AnyStyle},
        {", ", QTextCharFormat::AlignNormal, false, {}, "Arial", QFont::AnyStyle},
        {"marked", QTextCharFormat::AlignNormal, false, yellow, "Arial", QFont::AnyStyle},
        {", ", QTextCharFormat::AlignNormal, false, {}, "Arial", QFont::AnyStyle},
        {"shaded", QTextCharFormat::AlignNormal, false, yellow, "Arial", QFont::AnyStyle},
        {", ", QTextCharFormat::AlignNormal, false, {}, "Arial", QFont::AnyStyle},
        {"mono", QTextCharFormat::AlignNormal, false, {}, "Courier New", QFont::TypeWriter},
        {", visible ", QTextCharFormat::AlignNormal, false, {}, "Arial", QFont::AnyStyle},
    };
    const std::vector<QTextFragment> fragments = Fragments(document);
    ASSERT_EQ(fragments.size(), std::size(expected));
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        SCOPED_TRACE(i);
        const QTextCharFormat format = fragments[i].charFormat();
        EXPECT_EQ(fragments[i].text(), expected[i].text);
        EXPECT_EQ(format.verticalAlignment(), expected[i].position);
        EXPECT_EQ(format.fontStrikeOut(), expected[i].strike);
        EXPECT_EQ(format.hasProperty(QTextFormat::BackgroundBrush),
                  expected[i].background.isValid());
        if (expected[i].background.isValid()) {
            EXPECT_EQ(format.background().color(), expected[i].background);
        }
        EXPECT_EQ(format.fontFamilies().toStringList(), QStringList{expected[i].family});
        EXPECT_EQ(format.fontStyleHint(), expected[i].hint);
        EXPECT_EQ(format.fontPointSize(), 14.0);
    }
}

TEST(RichTextQt, SymbolFontTextNeedsNoSymbolFont) {
    QTextDocument document;
    Fill("symbol.rtf", document);
    EXPECT_EQ(document.toPlainText(), QString::fromUtf8("•\tItem one\nαβγ"));
    // The characters are the ones the font draws; a font of that name, where one is
    // installed, would draw its own letters for them.
    for (const QTextFragment& fragment : Fragments(document))
        EXPECT_FALSE(fragment.charFormat().hasProperty(QTextFormat::FontFamilies))
            << fragment.text().toStdString();
}

TEST(RichTextQt, LinksAreAnchorsToWhatTheFieldNames) {
    QTextDocument document;
    Fill("fields_footnotes.rtf", document);
    struct Expected {
        QString text;
        QString href;
    };
    const Expected expected[] = {{"the web", "https://example.com/help?a=1&b=2"},
                                 {"other help", "Help/Other.rtf"},
                                 {"below", "#Section2"}};
    for (const Expected& link : expected) {
        const QTextCharFormat format = FindFragment(document, link.text).charFormat();
        EXPECT_TRUE(format.isAnchor()) << link.text.toStdString();
        EXPECT_EQ(format.anchorHref(), link.href);
    }
    EXPECT_FALSE(FindFragment(document, "See ").charFormat().isAnchor());
    // Footnotes follow the text, marked with their numbers.
    EXPECT_TRUE(document.toPlainText().endsWith("End\n1 First note.\n2 Second\nnote."))
        << document.toPlainText().toStdString();
}

TEST(RichTextQt, TabStopsLineUpBulletedText) {
    QTextDocument document;
    Fill("breaks_tabs.rtf", document);
    document.setTextWidth(600);
    document.documentLayout()->documentSize();                       // lays the text out
    EXPECT_EQ(document.defaultTextOption().tabStopDistance(), 24.0); // \deftab360
    ASSERT_EQ(document.blockCount(), 7);
    // The bullet's tab reaches the left indent, where the wrapped lines begin, with a stop
    // there or without one.
    for (const int number : {3, 4}) {
        SCOPED_TRACE(number);
        const QTextBlock bullet = document.findBlockByNumber(number);
        ASSERT_TRUE(bullet.text().startsWith(QString::fromUtf8("•\tBullet")));
        const QTextLine line = bullet.layout()->lineAt(0);
        ASSERT_TRUE(line.isValid());
        EXPECT_EQ(line.cursorToX(2), bullet.blockFormat().leftMargin());
        EXPECT_EQ(bullet.blockFormat().leftMargin(), number == 3 ? 48.0 : 96.0);
    }

    // Stops count from the margin, not from the indent.
    const QTextBlock indented = document.findBlockByNumber(5);
    ASSERT_EQ(indented.text(), "a\tb");
    EXPECT_EQ(indented.layout()->lineAt(0).cursorToX(2), 2160 / 15.0);
    // Their kinds are kept.
    const QList<QTextOption::Tab> tabs = document.findBlockByNumber(6).blockFormat().tabPositions();
    const QList<QTextOption::Tab> expected = {
        QTextOption::Tab(4000 / 15.0, QTextOption::RightTab),
        QTextOption::Tab(400.0, QTextOption::CenterTab),
        QTextOption::Tab(8000 / 15.0, QTextOption::DelimiterTab, QChar('.')),
        QTextOption::Tab(600.0, QTextOption::LeftTab)};
    EXPECT_TRUE(tabs == expected);
}

TEST(RichTextQt, TablesTakeTheirCellWidthsAndMerges) {
    {
        QTextDocument document;
        Fill("tablewidth.rtf", document);
        const std::vector<QTextTable*> tables = Tables(document);
        ASSERT_EQ(tables.size(), 1u);
        QTextTable* table = tables[0];
        ASSERT_EQ(table->columns(), 3);
        ASSERT_EQ(table->rows(), 2);
        const QList<QTextLength> widths = table->format().columnWidthConstraints();
        ASSERT_EQ(widths.size(), 3);
        for (const QTextLength& width : widths)
            EXPECT_EQ(width, QTextLength(QTextLength::FixedLength, 200.0));
        EXPECT_EQ(CellText(table, 0, 0), "Wide cell spans 2 and 3");
        EXPECT_EQ(table->cellAt(0, 1).columnSpan(), 2);
        EXPECT_EQ(CellText(table, 1, 0), "A");
        EXPECT_EQ(CellText(table, 1, 1), "B");
        EXPECT_EQ(CellText(table, 1, 2), "C");
    }
    QTextDocument document;
    Fill("merged_cells.rtf", document);
    const std::vector<QTextTable*> tables = Tables(document);
    ASSERT_EQ(tables.size(), 1u);
    QTextTable* table = tables[0];
    ASSERT_EQ(table->rows(), 3);
    ASSERT_EQ(table->columns(), 3);
    // Merged down three rows, with the text of the top cell only.
    EXPECT_EQ(table->cellAt(0, 0).rowSpan(), 3);
    EXPECT_EQ(table->cellAt(2, 0).row(), 0);
    EXPECT_EQ(CellText(table, 0, 0), "Tall");
    EXPECT_EQ(table->cellAt(1, 1).columnSpan(), 2);
    EXPECT_EQ(CellText(table, 1, 1), "Wide");
    EXPECT_EQ(CellText(table, 2, 1), "x");
    EXPECT_EQ(CellText(table, 2, 2), "y");
    EXPECT_EQ(table->format().columnWidthConstraints().at(0),
              QTextLength(QTextLength::FixedLength, 2108 / 15.0));
    EXPECT_TRUE(document.toPlainText().endsWith("\nAfter"));
}

TEST(RichTextQt, TablesBecomeTextTablesBetweenTheirParagraphs) {
    QTextDocument document;
    Fill("table.rtf", document);
    std::vector<QTextTable*> tables;
    for (QTextFrame* frame : document.rootFrame()->childFrames())
        if (auto* table = qobject_cast<QTextTable*>(frame))
            tables.push_back(table);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0]->rows(), 2);
    EXPECT_EQ(tables[0]->columns(), 2);
    EXPECT_EQ(CellText(tables[0], 0, 0), "Gear");
    EXPECT_EQ(CellText(tables[0], 1, 1), "15 km/h\nlight throttle");
    EXPECT_EQ(FindFragment(document, "Gear").charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(tables[1]->rows(), 1);
    EXPECT_EQ(CellText(tables[1], 0, 0), "only cell");
    // Nothing is lost or doubled around the tables.
    const QString text = document.toPlainText();
    EXPECT_TRUE(text.startsWith("Shift points\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nBetween tables\n")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\nAfter")) << text.toStdString();
}

struct PictureCase {
    const char* fixture;
    QSize imageSize; // the decoded resource
    QSize shownSize; // pixels on the page
    QPoint redPixel; // a pixel of the red area, and one of the green area
    QPoint greenPixel;
    int tolerance; // per channel, for JPEG
};

class PictureTest : public ::testing::TestWithParam<PictureCase> {};

bool Near(QColor actual, QColor expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

TEST_P(PictureTest, IsAnImageResourceShownAtItsDisplaySize) {
    const PictureCase& c = GetParam();
    QTextDocument document;
    Fill(c.fixture, document);
    const std::vector<QTextImageFormat> images = Images(document);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].name(), RichTextPictureUrl(0).toString());
    EXPECT_EQ(QSize(static_cast<int>(images[0].width()), static_cast<int>(images[0].height())),
              c.shownSize);
    const QVariant resource =
        document.resource(QTextDocument::ImageResource, RichTextPictureUrl(0));
    ASSERT_TRUE(resource.canConvert<QImage>());
    const QImage image = resource.value<QImage>();
    EXPECT_EQ(image.size(), c.imageSize);
    const QColor red = image.pixelColor(c.redPixel);
    const QColor green = image.pixelColor(c.greenPixel);
    EXPECT_TRUE(Near(red, QColor(0xE0, 0x20, 0x20), c.tolerance)) << red.name().toStdString();
    EXPECT_TRUE(Near(green, QColor(0x30, 0xA0, 0x30), c.tolerance)) << green.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, PictureTest,
    ::testing::Values(
        // Goal 720 x 480 twips scaled 50 % and 200 %.
        PictureCase{"picture_png.rtf", {48, 32}, {24, 64}, {10, 10}, {40, 30}, 0},
        PictureCase{"picture_jpeg.rtf", {48, 32}, {48, 32}, {14, 14}, {40, 28}, 24},
        // Bottom-up rows behind a three-colour palette; goal 240 x 180 twips.
        PictureCase{"picture_dib.rtf", {8, 6}, {16, 12}, {0, 0}, {7, 5}, 0},
        // Top-down rows of a device-dependent bitmap.
        PictureCase{"picture_wbitmap_bin.rtf", {8, 6}, {8, 6}, {3, 2}, {0, 5}, 0},
        // The bitmap a WordPad metafile draws, at the metafile's goal size.
        PictureCase{"metafile_wordpad.rtf", {16, 12}, {96, 72}, {2, 2}, {12, 10}, 0},
        // Two bitmaps drawn side by side make one picture.
        PictureCase{"metafile_tiles.rtf", {8, 6}, {64, 48}, {1, 1}, {6, 4}, 0}),
    [](const ::testing::TestParamInfo<PictureCase>& param) {
        std::string name = param.param.fixture;
        return name.substr(0, name.find('.'));
    });

TEST(RichTextQt, ADibGetsTheFileHeaderItLacks) {
    RichTextDocument model;
    std::string error;
    ASSERT_EQ(ReadRichText(ReadFixture("picture_dib.rtf"), model, error), 1);
    const std::string& dib = model.pictures.at(0).data;
    const QByteArray file = DibToBmpFile(dib);
    ASSERT_EQ(file.size(), static_cast<qsizetype>(14 + dib.size()));
    EXPECT_EQ(file.left(2), "BM");
    auto le32 = [&file](int at) {
        return static_cast<quint32>(static_cast<quint8>(file[at])) |
               static_cast<quint32>(static_cast<quint8>(file[at + 1])) << 8 |
               static_cast<quint32>(static_cast<quint8>(file[at + 2])) << 16 |
               static_cast<quint32>(static_cast<quint8>(file[at + 3])) << 24;
    };
    EXPECT_EQ(le32(2), static_cast<quint32>(file.size()));
    EXPECT_EQ(le32(10), 14u + 40u + 3u * 4u); // header, then three palette entries
    EXPECT_EQ(file.mid(14), QByteArray(dib.data(), static_cast<qsizetype>(dib.size())));

    // Headers that do not fit their bytes are refused rather than read past the end.
    EXPECT_TRUE(DibToBmpFile(std::string("\x28\x00\x00\x00", 4)).isEmpty());
    EXPECT_TRUE(DibToBmpFile(dib.substr(0, 40)).isEmpty()); // palette missing
    EXPECT_TRUE(DibToBmpFile(std::string(11, '\0')).isEmpty());
}

TEST(RichTextQt, UndecodablePicturesAreGreyFramesOfTheirSize) {
    RichTextDocument model;
    std::string error;
    ASSERT_EQ(ReadRichText("{\\rtf1{\\pict\\wmetafile8\\picw2540\\pich1270 010009}"
                           "{\\pict\\pngblip\\picwgoal300\\pichgoal150 0102}"
                           "{\\pict\\wbitmap0\\picw8\\pich6\\wbmbitspixel24\\wbmwidthbytes24 00}"
                           "\\par}",
                           model, error),
              1)
        << error;
    QTextDocument document;
    FillTextDocument(model, document);
    const std::vector<QTextImageFormat> images = Images(document);
    ASSERT_EQ(images.size(), 3u);
    const QSize expected[] = {{96, 48}, {20, 10}, {8, 6}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(QSize(static_cast<int>(images[static_cast<std::size_t>(i)].width()),
                        static_cast<int>(images[static_cast<std::size_t>(i)].height())),
                  expected[i]);
        const QImage image =
            document.resource(QTextDocument::ImageResource, RichTextPictureUrl(i)).value<QImage>();
        EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2),
                  QColor(0xEE, 0xEE, 0xEE));
    }
}

TEST(RichTextQt, MetafilesShowTheBitmapTheyCarryAndOnlyVectorsAFrame) {
    QTextDocument alternatives;
    Fill("metafile_alternatives.rtf", alternatives);
    ASSERT_EQ(Images(alternatives).size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QImage image =
            alternatives.resource(QTextDocument::ImageResource, RichTextPictureUrl(i))
                .value<QImage>();
        ASSERT_EQ(image.size(), QSize(16, 12));
        EXPECT_EQ(image.pixelColor(2, 2), QColor(0xE0, 0x20, 0x20));
        EXPECT_EQ(image.pixelColor(14, 2), QColor(0x20, 0x40, 0xE0));
        EXPECT_EQ(Images(alternatives)[static_cast<std::size_t>(i)].width(), 64.0);
    }

    QTextDocument vector;
    Fill("metafile_vector.rtf", vector);
    const std::vector<QTextImageFormat> images = Images(vector);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(QSize(static_cast<int>(images[0].width()), static_cast<int>(images[0].height())),
              QSize(96, 48));
    const QImage frame =
        vector.resource(QTextDocument::ImageResource, RichTextPictureUrl(0)).value<QImage>();
    EXPECT_EQ(frame.pixelColor(frame.width() / 2, frame.height() / 2), QColor(0xEE, 0xEE, 0xEE));
}

TEST(RichTextQt, PicturesPastTheImageBudgetArePlaceholders) {
    RichTextDocument model;
    std::string error;
    ASSERT_EQ(ReadRichText(ReadFixture("picture_png.rtf"), model, error), 1);
    model.blocks.push_back(model.blocks.at(0));
    model.blocks.push_back(model.blocks.at(0));
    model.pictures.push_back(model.pictures.at(0));
    model.pictures.push_back(model.pictures.at(0));
    std::get<RichTextParagraph>(model.blocks[1]).runs.at(1).picture = 1;
    std::get<RichTextParagraph>(model.blocks[2]).runs.at(1).picture = 2;
    QTextDocument document;
    FillTextDocument(model, document, 2 * 48 * 32 * 4 + 100); // room for two pictures
    const QColor corners[] = {QColor(0x40, 0x80, 0xE0), QColor(0x40, 0x80, 0xE0),
                              QColor(0xEE, 0xEE, 0xEE)};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QImage image =
            document.resource(QTextDocument::ImageResource, RichTextPictureUrl(i)).value<QImage>();
        EXPECT_EQ(image.pixelColor(1, 1), corners[i]);
    }
    // The placeholder keeps the picture's place on the page.
    const std::vector<QTextImageFormat> images = Images(document);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[2].width(), 24.0);
    EXPECT_EQ(images[2].height(), 64.0);
}

TEST(RichTextQt, FillingReplacesTextAndPictures) {
    QTextDocument document;
    Fill("picture_png.rtf", document);
    Fill("paragraphs.rtf", document);
    EXPECT_TRUE(Images(document).empty());
    EXPECT_TRUE(document.toPlainText().startsWith("First paragraph"));
    EXPECT_FALSE(document.toPlainText().contains("Before"));
}

} // namespace
} // namespace vexa
