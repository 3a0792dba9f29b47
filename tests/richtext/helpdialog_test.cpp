// The "Tuning Help Viewer" on the offscreen platform: one window reused for every help
// file, Done centred at its distance from the bottom, no selection by mouse, scrolling by
// keyboard, the message for a file that cannot be opened, and a screenshot to look at.
#include "settings_ui/helpdialog.h"
#include "settings_ui/modelcontrols.h"

#include "qtprint.h"
#include "support/recordinghost.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexa {
namespace {

std::string Fixture(const char* name) {
    return std::string(VEXA_RICHTEXT_FIXTURES) + "/" + name;
}

class HelpDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        dialog_.SetMessageHost(&host_);
    }

    std::string WriteFile(const char* name, const std::string& bytes) {
        const QString path = temp_.filePath(QString::fromUtf8(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path.toStdString();
    }

    QString Text() const { return dialog_.TextControl()->toPlainText(); }

    // A point inside the shown text's first occurrence of text, in viewport coordinates.
    QPoint PointOn(const QString& text) const {
        CHelpTextView* view = dialog_.TextControl();
        QTextCursor found = view->document()->find(text);
        EXPECT_FALSE(found.isNull()) << text.toStdString();
        QTextCursor inside(view->document());
        inside.setPosition(found.selectionStart() + 2);
        return view->cursorRect(inside).center();
    }

    // Shows fixture in a window of size, saves what it looks like under the build's test
    // output as file, and returns it.
    QImage Screenshot(const char* fixture, QSize size, const char* file) {
        EXPECT_EQ(dialog_.ShowHelpFile(Fixture(fixture)), 1);
        dialog_.resize(size);
        QApplication::processEvents();
        const QImage shot = dialog_.grab().toImage();
        EXPECT_FALSE(shot.isNull());
        QDir().mkpath(VEXA_TEST_OUTPUT_DIR);
        const QString path = QStringLiteral(VEXA_TEST_OUTPUT_DIR "/") + QString::fromUtf8(file);
        EXPECT_TRUE(shot.save(path)) << path.toStdString();
        return shot;
    }

    void Click(const QString& text) {
        QTest::mouseClick(dialog_.TextControl()->viewport(), Qt::LeftButton, {}, PointOn(text));
    }

    QTemporaryDir temp_;
    testing::RecordingHost host_;
    CHelpDialog dialog_;
};

TEST_F(HelpDialogTest, IsBuiltHiddenWithItsTexts) {
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.windowTitle(), "Tuning Help Viewer");
    EXPECT_EQ(dialog_.DoneButton()->text(), "Done");
    EXPECT_TRUE(dialog_.DoneButton()->isDefault());
    EXPECT_TRUE(dialog_.TextControl()->isReadOnly());
    EXPECT_FALSE(dialog_.windowIcon().isNull());
    // 536 x 374 dialog units of 8-point "MS Shell Dlg".
    EXPECT_EQ(dialog_.size(), QSize(804, 608));
}

TEST_F(HelpDialogTest, OneWindowShowsEachRequestInTurnWhereTheUserLeftIt) {
    const std::string first = WriteFile("first.rtf", "{\\rtf1 First help\\par}");
    const std::string second = WriteFile("second.rtf", "{\\rtf1 Second help\\par}");
    EXPECT_EQ(dialog_.ShowHelpFile(first), 1);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(Text(), "First help");
    dialog_.move(120, 90);
    const QPoint placed = dialog_.pos();

    EXPECT_EQ(dialog_.ShowHelpFile(second), 1);
    EXPECT_EQ(Text(), "Second help");
    EXPECT_EQ(dialog_.pos(), placed);

    // Done hides the window; the next request shows the same one again.
    QTest::mouseClick(dialog_.DoneButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.ShowHelpFile(first), 1);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(Text(), "First help");

    // So does the close box.
    dialog_.close();
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.ShowHelpFile(second), 1);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(Text(), "Second help");
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(HelpDialogTest, AFileThatCannotBeOpenedIsReportedAndTheTextKept) {
    const std::string good = WriteFile("good.rtf", "{\\rtf1 Kept text\\par}");
    ASSERT_EQ(dialog_.ShowHelpFile(good), 1);
    const std::string missing = temp_.filePath("missing.rtf").toStdString();
    EXPECT_EQ(dialog_.ShowHelpFile(missing), 0);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(Text(), "Kept text");
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0],
              (testing::RecordedMessage{missing + " was not found.", "VEXA Transmission Control",
                                        kMbIconStop}));

    EXPECT_EQ(dialog_.LoadHelpFile(temp_.path().toStdString()), 0);
    ASSERT_EQ(host_.messages.size(), 2u);
    EXPECT_EQ(host_.messages[1].text, "Access to " + temp_.path().toStdString() + " was denied.");
    EXPECT_EQ(Text(), "Kept text");
}

TEST_F(HelpDialogTest, DamagedRichTextShowsWhatWasRead) {
    const std::string cut = WriteFile("cut.rtf", "{\\rtf1 Whole line\\par{\\b half");
    EXPECT_EQ(dialog_.ShowHelpFile(cut), 1);
    EXPECT_EQ(Text(), "Whole line\nhalf");
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(HelpDialogTest, ResizingKeepsDoneCentredAndTheMargins) {
    dialog_.show();
    const QRect text = dialog_.TextControl()->geometry();
    const QRect done = dialog_.DoneButton()->geometry();
    // The template's layout: text at (7, 7) sized 522 x 344 dialog units, Done 50 x 14.
    EXPECT_EQ(text, QRect(11, 11, 783, 559));
    EXPECT_EQ(done.size(), QSize(75, 23));
    EXPECT_EQ(done.topLeft(), QPoint((804 - 75) / 2, 574));

    for (const QSize client : {QSize(1000, 700), QSize(420, 300), QSize(805, 609)}) {
        SCOPED_TRACE(client.width());
        dialog_.resize(client);
        EXPECT_EQ(dialog_.TextControl()->geometry(),
                  QRect(11, 11, client.width() - 21, client.height() - 49));
        EXPECT_EQ(dialog_.DoneButton()->geometry(),
                  QRect((client.width() - 75) / 2, client.height() - 34, 75, 23));
    }
}

TEST_F(HelpDialogTest, ClicksSelectNothingButTheKeyboardScrolls) {
    std::string rtf = "{\\rtf1 ";
    for (int i = 0; i < 200; ++i)
        rtf += "Line " + std::to_string(i) + " of a long help text\\par ";
    rtf += "}";
    ASSERT_EQ(dialog_.ShowHelpFile(WriteFile("long.rtf", rtf)), 1);
    CHelpTextView* view = dialog_.TextControl();
    QWidget* viewport = view->viewport();
    const int before = view->textCursor().position();

    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(60, 30));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(30, 10));
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(viewport, QPoint(300, 200));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_FALSE(view->textCursor().hasSelection());
    EXPECT_EQ(view->textCursor().position(), before);

    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_PageDown);
    const int afterPage = bar->value();
    EXPECT_GT(afterPage, 0);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_GT(bar->value(), afterPage);
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());

    // A new file starts at its top.
    ASSERT_EQ(dialog_.ShowHelpFile(WriteFile("long2.rtf", rtf)), 1);
    EXPECT_EQ(bar->value(), 0);
}

// A help file with links of every kind, written in a "Help" folder beside another.
std::string LinkPage() {
    return "{\\rtf1\\ansi "
           "{\\field{\\*\\fldinst HYPERLINK \"Sub\\\\\\\\Next.rtf\"}{\\fldrslt Next page}}\\par "
           "{\\field{\\*\\fldinst HYPERLINK \"https://example.com/vexa?a=1\"}{\\fldrslt Web "
           "site}}\\par "
           "{\\field{\\*\\fldinst HYPERLINK \"..\\\\\\\\Outside.rtf\"}{\\fldrslt Outside "
           "link}}\\par "
           "{\\field{\\*\\fldinst HYPERLINK \"file:///etc/passwd.rtf\"}{\\fldrslt Absolute "
           "link}}\\par "
           "{\\field{\\*\\fldinst HYPERLINK \"notes.txt\"}{\\fldrslt Text link}}\\par "
           "Plain words\\par}";
}

class HelpLinkTest : public HelpDialogTest {
protected:
    void SetUp() override {
        HelpDialogTest::SetUp();
        ASSERT_TRUE(QDir(temp_.path()).mkpath("Help/Sub"));
        page_ = WriteFile("Help/Links.rtf", LinkPage());
        WriteFile("Help/Sub/Next.rtf", "{\\rtf1 The next page\\par}");
        WriteFile("Outside.rtf", "{\\rtf1 Outside the help folder\\par}");
        dialog_.SetUrlOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return browserWorks_;
        });
        ASSERT_EQ(dialog_.ShowHelpFile(page_), 1);
        dialog_.resize(640, 480);
        QApplication::processEvents();
    }

    std::string page_;
    std::vector<QUrl> opened_;
    bool browserWorks_ = true;
};

TEST_F(HelpLinkTest, AHelpFileLinkOpensInTheSameViewerAndAWebAddressInTheBrowser) {
    const QPoint placed = dialog_.pos();
    Click("Web site");
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl("https://example.com/vexa?a=1"));
    EXPECT_TRUE(Text().startsWith("Next page"));

    // Pressed on a link but let go elsewhere: nothing.
    QWidget* viewport = dialog_.TextControl()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, PointOn("Next page"));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, PointOn("Plain words"));
    EXPECT_TRUE(Text().startsWith("Next page"));

    // Named relative to the file shown, "\" between its parts.
    Click("Next page");
    EXPECT_EQ(Text(), "The next page");
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(dialog_.pos(), placed);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_FALSE(dialog_.TextControl()->textCursor().hasSelection());
}

TEST_F(HelpLinkTest, LinksLeavingTheHelpFilesOrToOtherFilesAreRefused) {
    struct Case {
        const char* link;
        testing::RecordedMessage message;
    };
    const Case cases[] = {
        {"Outside link", {kOutsideProgramDirError, "../Outside.rtf", kMbIconExclamation}},
        {"Absolute link", {kOutsideProgramDirError, "file:///etc/passwd.rtf", kMbIconExclamation}},
        {"Text link",
         {"The link does not name a help file (.rtf) or a web address, so the help viewer "
          "cannot open it.",
          "Help Link Error:", kMbIconExclamation}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        host_.messages.clear();
        Click(c.link);
        ASSERT_EQ(host_.messages.size(), 1u);
        EXPECT_EQ(host_.messages[0], c.message);
        EXPECT_TRUE(Text().startsWith("Next page"));
    }
    EXPECT_TRUE(opened_.empty());

    // A browser that does not start is reported too.
    browserWorks_ = false;
    host_.messages.clear();
    Click("Web site");
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text,
              "https://example.com/vexa?a=1 could not be opened: no web browser was started "
              "for it.");
}

TEST_F(HelpLinkTest, TabReachesTheLinksAndEnterOpensThem) {
    CHelpTextView* view = dialog_.TextControl();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClick(view, Qt::Key_Return);
    QApplication::processEvents();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl("https://example.com/vexa?a=1"));

    QTest::keyClick(view, Qt::Key_Backtab);
    QTest::keyClick(view, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Text(), "The next page");
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(HelpDialogTest, ScreenshotOfAMetafilePictureMergedCellsAndSymbolBullets) {
    const QImage shot = Screenshot("help_page.rtf", {640, 600}, "richtext_help_page.png");

    // The metafile's bitmap is on screen in its three colours, not a grey frame.
    int red = 0;
    int blue = 0;
    int green = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb c = shot.pixel(x, y);
            red += c == qRgb(0xE0, 0x20, 0x20);
            blue += c == qRgb(0x20, 0x40, 0xE0);
            green += c == qRgb(0x30, 0xA0, 0x30);
        }
    EXPECT_GT(red, 1000);
    EXPECT_GT(blue, 1000);
    EXPECT_GT(green, 2000);
    const QString text = Text();
    EXPECT_TRUE(text.contains(QString::fromUtf8("•\tRaise a point"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("✔\tCheck the shift feel on a test drive: Δv")))
        << text.toStdString();
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(HelpDialogTest, ScreenshotOfAHelpFileWithAPicture) {
    const QImage shot = Screenshot("help_sample.rtf", {640, 520}, "richtext_help_viewer.png");

    // The picture's red square is on screen: the document resource was drawn.
    int red = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() == 0xE0 && c.green() == 0x20 && c.blue() == 0x20)
                ++red;
        }
    EXPECT_GT(red, 100);
    EXPECT_TRUE(host_.messages.empty());
}

} // namespace
} // namespace vexa
