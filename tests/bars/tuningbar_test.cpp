// The "Graph Controls" bar on the offscreen platform: rows and labels from the definition,
// trace boxes and their companions, the link button, a control button that switches an
// option and rebuilds the bar, help texts and ids, and a picture of the shipped 4L60E bar.
#include "barsupport.h"
#include "data/datafixture.h"
#include "graph/dynamicdialogbar.h"
#include "graph/graphengine.h"
#include "support/docfixture.h"

#include <QApplication>
#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::CountingIds;

const char* const kDefinition =
    "[Declarations]\n$TotalBlockSize 64\n$DynamicBlockSize 1\n$NumDynamicTableCells 1\n"
    "$NumDynamicTableEntries 1\n$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
    "$DynamicInterpolation 1\n$StaticBlockSize 32\n$StaticBlockStart 32\n$NVMType 0\n"
    "Mode I16 1:0:x Def:1\nLinked I16 1:2:x Def:1\n"
    "[GraphicalTuning]\n"
    "GraphElement Label {\nDisplayName Shift Curves\n}\n"
    "GraphElement Trace {\nLogicalName Up12\nTraceNum 0\nTraceColor 0x0000FF\nEnableButton 0\n"
    "DisplayName 1-2\nHelpText Upshift help\nStatusBarTxt Upshift one to two\nToolTip 1-2 tip\n}\n"
    "GraphElement Trace {\nLogicalName Up23\nTraceNum 1\nTraceColor 0x00FF00\nEnableButton 1\n"
    "DisplayName 2-3\n}\n"
    "GraphElement Trace {\nTraceNum 3\nTraceColor 0xFF0000\nEnableButton 2\nDisplayName 3-2\n"
    "ToolTip Downshift\n}\n"
    "GraphElement Trace {\nLogicalName Solo\nTraceNum 4\nTraceColor 0x00FFFF\nEnableButton 1\n"
    "DisplayName Solo\nSingleLabelEnable @Mode I:1\n}\n"
    "GraphElement Trace {\nTraceNum 5\nTraceColor 0xFF00FF\nEnableButton 2\nDisplayName Proxy\n"
    "ProxyEnable @Mode I:1\nProxyFormula x+10\n}\n"
    "GraphElement TraceLinkButton {\nLogicalName LinkBtn\nDisplayName Link\n"
    "EnableCondition @Linked I:1\n}\n"
    "GraphElement ControlButton {\nLogicalName ModeBtn\nDisplayName Mode\nBackColor 0x808080\n"
    "BitValState0 @Mode I:0\nBitValState1 @Mode I:1\n}\n";

// A host that rebuilds the bar when the document asks, as the main window does.
class BarHost : public testing::RecordingHost {
public:
    void RebuildBars() override {
        RecordingHost::RebuildBars();
        if (bar)
            bar->BuildFromDefinition(doc);
    }
    CDynamicDialogBar* bar = nullptr;
    CVLXDoc* doc = nullptr;
};

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class TuningBar : public ::testing::Test {
protected:
    void SetUp() override {
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
        doc->SetHost(&host);
        doc->SetGraph(&graph);
        ASSERT_EQ(doc->LoadDefinitionFile(dir.Write("t.def", kDefinition)), 1);
        ASSERT_EQ(doc->ReadDeclarations(1), 1);
        doc->Display.SetTraceVisible(0, false);
        doc->Display.SetTraceVisible(1, true);
        doc->Display.SetU8(DisplayBlock::kLinkMode, 0);
        bar = std::make_unique<CDynamicDialogBar>(&ids);
        host.bar = bar.get();
        host.doc = doc.get();
        ASSERT_EQ(bar->BuildFromDefinition(doc.get()), 1);
        host.calls.clear();
        doc->SetModifiedFlag(false);
    }
    void TearDown() override {
        bar.reset();
        FlushDeletes();
    }
    CLegendButton& Button(const std::string& name) {
        CLegendButton* button = bar->FindButton(name);
        EXPECT_NE(button, nullptr) << name;
        return *button;
    }
    void ShowActive() {
        bar->resize(bar->sizeHint());
        bar->show();
        bar->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(bar.get()));
    }
    static QRect Rect(QWidget* w) { return w->geometry(); }

    CountingIds ids;
    CGraphEngine engine{kNumCurves, kPointsPerCurve};
    GraphEngineCurveGraph graph{engine};
    testing::TempDir dir;
    testing::MemorySettings settings;
    BarHost host;
    std::unique_ptr<CVLXDoc> doc;
    std::unique_ptr<CDynamicDialogBar> bar;
};

TEST_F(TuningBar, RowsAndLabelsFollowTheDefinition) {
    ASSERT_EQ(bar->Controls().size(), 6u); // heading, 1-2, 2-3 (+3-2), Solo, Link, Mode
    EXPECT_EQ(Rect(bar->Controls()[0]), QRect(5, 20, 125, 16));
    CLegendButton& up12 = Button("Up12");
    EXPECT_EQ(Rect(&up12), QRect(5, 41, 15, 20));
    ASSERT_EQ(up12.Labels().size(), 1u);
    EXPECT_EQ(Rect(up12.Labels()[0]), QRect(23, 41, 107, 20));
    EXPECT_EQ(up12.Labels()[0]->text(), QStringLiteral("1-2"));
    EXPECT_EQ(up12.Labels()[0]->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(up12.Labels()[0]->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(up12.Labels()[0]->font().pointSize(), 10);

    // A companion pair: one box, two half-width labels in the two curves' colours.
    CLegendButton& up23 = Button("Up23");
    EXPECT_EQ(up23.Traces(), (std::vector<int>{1, 3}));
    ASSERT_EQ(up23.Labels().size(), 2u);
    EXPECT_EQ(Rect(up23.Labels()[0]), QRect(23, 71, 53, 20));
    EXPECT_EQ(Rect(up23.Labels()[1]), QRect(76, 71, 54, 20));
    EXPECT_EQ(up23.Labels()[1]->palette().color(QPalette::Window), QColor(0, 0, 255));

    // The check states come from the document.
    EXPECT_EQ(up12.CheckState(), 0);
    EXPECT_EQ(up23.CheckState(), 1);
    EXPECT_EQ(engine.IsTraceVisible(1), 1);
    EXPECT_EQ(engine.IsTraceVisible(3), 1);
    EXPECT_EQ(Button("ModeBtn").CheckState(), 1);
    // SingleLabelEnable holds: Solo's label takes the row; its proxy companion is hidden.
    ASSERT_EQ(Button("Solo").Labels().size(), 1u);
    EXPECT_EQ(Rect(Button("Solo").Labels()[0]).width(), 107);
    EXPECT_EQ(doc->ProxyActive[5], 1);
}

TEST_F(TuningBar, TraceBoxesShowAndHideEveryAttachedCurve) {
    CLegendButton& up12 = Button("Up12");
    up12.click();
    EXPECT_EQ(engine.IsTraceVisible(0), 1);
    EXPECT_TRUE(doc->Display.TraceVisible(0));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"RedrawView"}));

    // One box, two curves.
    CLegendButton& up23 = Button("Up23");
    up23.click();
    EXPECT_EQ(engine.IsTraceVisible(1), 0);
    EXPECT_EQ(engine.IsTraceVisible(3), 0);
    EXPECT_FALSE(doc->Display.TraceVisible(1));
    EXPECT_FALSE(doc->Display.TraceVisible(3));
    up23.click();
    EXPECT_EQ(engine.IsTraceVisible(1), 1);
    EXPECT_EQ(engine.IsTraceVisible(3), 1);
    EXPECT_TRUE(doc->Display.TraceVisible(3));
}

TEST_F(TuningBar, ClickingALabelActsLikeTheBox) {
    ShowActive();
    CLegendButton& up23 = Button("Up23");
    ASSERT_EQ(up23.CheckState(), 1);
    QTest::mouseClick(up23.Labels()[1], Qt::LeftButton); // the companion's label
    EXPECT_EQ(up23.CheckState(), 0);
    EXPECT_TRUE(up23.hasFocus());
    EXPECT_EQ(engine.IsTraceVisible(1), 0);
    EXPECT_EQ(engine.IsTraceVisible(3), 0);
    EXPECT_FALSE(doc->Display.TraceVisible(1));

    // A double click (press, release, double click, release) counts as two clicks.
    QTest::mouseClick(up23.Labels()[0], Qt::LeftButton);
    QTest::mouseDClick(up23.Labels()[0], Qt::LeftButton);
    QTest::mouseRelease(up23.Labels()[0], Qt::LeftButton);
    EXPECT_EQ(up23.CheckState(), 0);
    QTest::mouseClick(up23.Labels()[0], Qt::LeftButton);
    EXPECT_EQ(up23.CheckState(), 1);
    EXPECT_EQ(engine.IsTraceVisible(3), 1);
}

TEST_F(TuningBar, LinkButtonSwitchesTheGraphsLinkMode) {
    engine.SetLinkMode(0);
    CLegendButton& link = Button("LinkBtn");
    ASSERT_EQ(link.CheckState(), 0);
    link.click();
    EXPECT_EQ(doc->Display.U8(DisplayBlock::kLinkMode), 1);
    EXPECT_EQ(engine.IsLinkMode(), 1);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"RedrawView"}));

    // Rebuilt, the box and the graph keep the document's link mode.
    ASSERT_EQ(bar->BuildFromDefinition(doc.get()), 1);
    EXPECT_EQ(Button("LinkBtn").CheckState(), 1);

    // Without its EnableCondition the button is not made and the mode stays as it was.
    doc->SetIntVariable("Linked", 0);
    engine.SetLinkMode(0);
    ASSERT_EQ(bar->BuildFromDefinition(doc.get()), 1);
    EXPECT_EQ(bar->FindButton("LinkBtn"), nullptr);
    EXPECT_EQ(engine.IsLinkMode(), 0);
}

TEST_F(TuningBar, ControlButtonSwitchesItsOptionAndRebuildsTheBar) {
    // The bar rebuilds itself, with a main window or without one; the main window's other
    // bars (the dashboard and its live data) are left as they are.
    for (const bool frame : {true, false}) {
        SCOPED_TRACE(frame ? "frame" : "no frame");
        host.hasFrame = frame;
        doc->SetIntVariable("Mode", 1);
        ASSERT_EQ(bar->BuildFromDefinition(doc.get()), 1);
        host.calls.clear();
        const int builds = bar->BuildCount();

        Button("ModeBtn").click();
        EXPECT_EQ(doc->FindIntVariable("Mode").Get(), 0);
        EXPECT_EQ(bar->BuildCount(), builds + 1);
        EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "RebuildBars"), 0);
        EXPECT_EQ(host.calls.front(), "RedrawView");
        FlushDeletes();
        // The rebuilt bar shows what the new value selects at once.
        EXPECT_EQ(Button("ModeBtn").CheckState(), 0);
        ASSERT_EQ(Button("Solo").Labels().size(), 2u);
        EXPECT_EQ(Rect(Button("Solo").Labels()[0]).width(), 53);
        EXPECT_EQ(Button("Solo").Traces(), (std::vector<int>{4, 5}));
        EXPECT_EQ(doc->ProxyActive[5], 0);

        Button("ModeBtn").click();
        FlushDeletes();
        EXPECT_EQ(doc->FindIntVariable("Mode").Get(), 1);
        EXPECT_EQ(Button("ModeBtn").CheckState(), 1);
        EXPECT_EQ(Button("Solo").Labels().size(), 1u);
    }
}

TEST_F(TuningBar, ControlButtonWhoseBlockIsGoneStillRebuilds) {
    CLegendButton& mode = Button("ModeBtn");
    const int builds = bar->BuildCount();
    // The definition no longer has the block the button was made from.
    doc->DefinitionText = "\n[GraphicalTuning]";
    mode.click();
    EXPECT_EQ(doc->FindIntVariable("Mode").Get(), 1);
    EXPECT_EQ(bar->BuildCount(), builds + 1);
    EXPECT_TRUE(bar->Controls().empty());
}

TEST_F(TuningBar, TextsAndIdsAreRegisteredForButtonsAndLabels) {
    CLegendButton& up12 = Button("Up12");
    const int buttonId = up12.ControlId();
    const int labelId = up12.Labels()[0]->ControlId();
    EXPECT_EQ(buttonId, 1040); // the heading takes no id
    EXPECT_EQ(labelId, 1041);
    for (const int id : {buttonId, labelId}) {
        EXPECT_EQ(ids.status[id], "Upshift one to two");
        EXPECT_EQ(ids.tips[id], "1-2 tip");
        ASSERT_TRUE(ids.help.count(id));
        EXPECT_EQ(*ids.help[id], "Upshift help");
    }
    // A companion label brings its own texts.
    EXPECT_EQ(ids.tips[Button("Up23").Labels()[1]->ControlId()], "Downshift");
    EXPECT_EQ(ids.tips.count(Button("Up23").ControlId()), 0u);
    EXPECT_EQ(up12.property("vexaControlId").toInt(), buttonId);

    // A rebuild gives every id back and takes them again from the lowest.
    const std::size_t used = ids.inUse.size();
    ASSERT_EQ(bar->BuildFromDefinition(doc.get()), 1);
    EXPECT_EQ(ids.inUse.size(), used);
    EXPECT_EQ(Button("Up12").ControlId(), 1040);

    // With every id taken the controls still work, with id 0 and no texts.
    bar->DestroyControls();
    ids.capacity = 0;
    ASSERT_EQ(bar->BuildFromDefinition(doc.get()), 1);
    EXPECT_EQ(Button("Up12").ControlId(), 0);
    EXPECT_TRUE(ids.status.empty());
}

TEST_F(TuningBar, HelpKeyShowsTheHelpTextWhenThereIsOne) {
    ShowActive();
    CLegendButton& up12 = Button("Up12");
    up12.setFocus();
    QTest::keyClick(&up12, Qt::Key_F1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Upshift help");
    EXPECT_EQ(host.messages[0].caption, "VEXA Transmission Control");

    QTest::keyClick(&Button("Up23"), Qt::Key_F1); // no HelpText
    QTest::keyClick(bar.get(), Qt::Key_F1);       // the bar swallows its own
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(TuningBar, NoSectionLeavesTheBarEmpty) {
    doc->DefinitionText = "\n[Declarations]";
    EXPECT_EQ(bar->BuildFromDefinition(doc.get()), 0);
    EXPECT_TRUE(bar->Controls().empty());
    EXPECT_TRUE(ids.inUse.empty());
    EXPECT_EQ(bar->BuildFromDefinition(nullptr), 0);
}

TEST_F(TuningBar, FocusFrameFollowsTheFocus) {
    ShowActive();
    // Pixels of the frame one pixel above the labels of the row.
    const auto framePixels = [this](CLegendButton& button) {
        const QImage image = bar->grab().toImage();
        const QColor ink = bar->palette().color(QPalette::WindowText);
        int count = 0;
        for (CDynamicStatic* label : button.Labels()) {
            const QRect r = label->geometry();
            for (int x = r.left() - 1; x <= r.right() + 1; ++x)
                count += image.pixelColor(x, r.top() - 1) == ink ? 1 : 0;
        }
        return count;
    };
    CLegendButton& up23 = Button("Up23");
    EXPECT_EQ(framePixels(up23), 0);
    up23.setFocus();
    ASSERT_TRUE(up23.hasFocus());
    EXPECT_GT(framePixels(up23), 20);
    Button("Up12").setFocus();
    EXPECT_EQ(framePixels(up23), 0);
    EXPECT_GT(framePixels(Button("Up12")), 20);
}

TEST(TuningBarPicture, Shipped4L60E) {
    testing::DataDoc data(testing::Family{2, 3});
    ASSERT_TRUE(data.NewOfType("4l60e.def"));
    for (const int trace : {0, 1, 2, 3, 4, 5})
        data.doc->Display.SetTraceVisible(trace, true);
    CountingIds ids;
    CDynamicDialogBar bar(&ids);
    ASSERT_EQ(bar.BuildFromDefinition(data.doc.get()), 1);
    EXPECT_GE(bar.Buttons().size(), 4u);
    EXPECT_LE(bar.Controls().size(), static_cast<std::size_t>(kMaxTuningControls));
    bar.resize(bar.sizeHint());
    bar.show();
    const std::string path = testing::SaveScreenshot(bar, "tuning_bar_4l60e");
    EXPECT_FALSE(QImage(QString::fromStdString(path)).isNull());
}

} // namespace
} // namespace vexa
