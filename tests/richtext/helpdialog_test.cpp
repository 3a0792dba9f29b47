// The "Tuning Help Viewer" on the offscreen platform: one window reused for every help
// file, Done centred at its distance from the bottom, no selection by mouse, scrolling by
// keyboard, the message for a file that cannot be opened, and a screenshot to look at.
#include "settings_ui/helpdialog.h"

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

#include <gtest/gtest.h>

#include <string>

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

TEST_F(HelpDialogTest, ScreenshotOfAHelpFileWithAPicture) {
    ASSERT_EQ(dialog_.ShowHelpFile(Fixture("help_sample.rtf")), 1);
    dialog_.resize(640, 520);
    QApplication::processEvents();
    const QImage shot = dialog_.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    QDir().mkpath(VEXA_TEST_OUTPUT_DIR);
    const QString path = QStringLiteral(VEXA_TEST_OUTPUT_DIR "/richtext_help_viewer.png");
    EXPECT_TRUE(shot.save(path)) << path.toStdString();

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
