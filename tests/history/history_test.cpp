// Undo and redo at the document: every kind of edit a person can make, taken back and done
// again, compared with the whole saved file before and after; the modified mark through
// undo, redo and saving; a fresh history after New and Open.
#include "history/historydoc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace vexa::testing {
namespace {

// "" when equal, else where the two files part.
std::string Difference(const std::string& a, const std::string& b) {
    if (a == b)
        return {};
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
           ", first difference at byte " + std::to_string(at);
}

struct Edit {
    const char* what;
    std::function<void(HistoryDoc&)> prepare; // not part of the step
    std::function<void(HistoryDoc&)> run;
    std::string undoName;
    bool pointsOnly = false;
};

void PointOperation(HistoryDoc& h, const std::string& name, vexa::PointOperation op,
                    double argument) {
    h.Select(0, {2, 3, 4, 5, 6});
    h.doc->SetCurvePoints(name, h.engine.OperationValues(op, argument));
}

const std::vector<Edit>& Edits() {
    static const std::vector<Edit> edits = {
        {"a drag of three selected points", nullptr,
         [](HistoryDoc& h) {
             // Link mode off, so only the points of one curve move.
             h.engine.SetLinkMode(0);
             h.engine.OnMouseDown(0, h.X(2), h.Y(0, 2));
             h.engine.OnMouseUp(0, h.X(2), h.Y(0, 2));
             h.engine.OnMouseDown(kGraphShift, h.X(4), h.Y(0, 4));
             ChangeScope step(*h.doc, {}, ChangeNaming::kMovePoints);
             const int y = h.Y(0, 4);
             for (int dy = 5; dy <= 40; dy += 5)
                 h.engine.OnMouseMove(1, h.X(4), y - dy);
             h.engine.OnMouseUp(0, h.X(4), y - 40);
         },
         "Move 3 Points of 1-2 Up", true},
        {"Shift+Up on points of two curves", nullptr,
         [](HistoryDoc& h) {
             h.Select(0, {7});
             h.engine.SetPointSelected(1, 7, 1);
             ChangeScope step(*h.doc, {}, ChangeNaming::kMovePoints);
             h.engine.OnKey(kGraphKeyUp, 1, kGraphShift);
         },
         "Move 2 Points of 1-2 Up and 2-1 Down", true},
        {"a number typed into a settings field", nullptr,
         [](HistoryDoc& h) {
             ChangeScope step(*h.doc, "Axle ratio");
             h.doc->SetFloatVariable("AxleRatio", 4.10f);
             h.doc->NotifyChange(1, nullptr);
         },
         "Axle ratio"},
        {"a control button's action list and state", nullptr,
         [](HistoryDoc& h) {
             ChangeScope step(*h.doc, "Tow/Haul Switch");
             ASSERT_EQ(h.doc->FindBlockByLogicalName("GraphElement", "TowHaul"), 1);
             int match = 1;
             h.doc->ApplyActionList("BitValState1", kBlockScope, nullptr, &match);
             std::string state = "1";
             h.doc->ControlState("GraphicalTuning", "TowHaul", state, 1);
             h.doc->NotifyChange(2, nullptr);
         },
         "Tow/Haul Switch"},
        {"a trace box", nullptr,
         [](HistoryDoc& h) {
             ChangeScope step(*h.doc, "3-4 Up");
             h.doc->Display.SetTraceVisible(4, true);
             h.doc->Display.SetTraceVisible(5, true);
             h.doc->NotifyChange(2, nullptr);
         },
         "3-4 Up"},
        {"the link button", nullptr,
         [](HistoryDoc& h) {
             ChangeScope step(*h.doc, "Edit Up/Down Together");
             h.doc->Display.SetU8(DisplayBlock::kLinkMode, 0);
             h.doc->NotifyChange(2, nullptr);
         },
         "Edit Up/Down Together"},
        {"a transmission type chosen", nullptr,
         [](HistoryDoc& h) {
             for (const SelectionEntry& entry : ReadTransmissionCatalogue(*h.doc)) {
                 if (entry.fileName == "4l80e.def")
                     ApplyTransmissionType(*h.doc, entry);
             }
         },
         "Transmission Type 4L80E"},
        {"Set To", nullptr,
         [](HistoryDoc& h) { PointOperation(h, "Set", PointOperation::kSetTo, 30.0); },
         "Set 5 Points of 1-2 Up", true},
        {"Add", nullptr,
         [](HistoryDoc& h) { PointOperation(h, "Add to", PointOperation::kAdd, 4.0); },
         "Add to 5 Points of 1-2 Up", true},
        {"Scale", nullptr,
         [](HistoryDoc& h) { PointOperation(h, "Scale", PointOperation::kScale, 120.0); },
         "Scale 5 Points of 1-2 Up", true},
        {"Interpolate", nullptr,
         [](HistoryDoc& h) { PointOperation(h, "Interpolate", PointOperation::kInterpolate, 0.0); },
         "Interpolate 3 Points of 1-2 Up", true},
        {"Smooth",
         [](HistoryDoc& h) {
             // A bump to smooth away.
             const std::vector<CurvePointValue> bump{{0, 4, h.engine.GetValue(0, 4) + 10.0}};
             h.doc->SetCurvePoints("Set", bump);
             h.doc->ClearHistory();
             h.doc->SetModifiedFlag(false);
         },
         [](HistoryDoc& h) { PointOperation(h, "Smooth", PointOperation::kSmooth, 0.0); },
         "Smooth 3 Points of 1-2 Up", true},
        {"Paste", nullptr,
         [](HistoryDoc& h) {
             h.engine.OnMouseDown(0, h.X(1), h.Y(1, 1));
             h.engine.OnMouseUp(0, h.X(1), h.Y(1, 1));
             const std::vector<double> values{20.0, 25.0, 30.0};
             h.doc->SetCurvePoints("Paste", h.engine.PasteValues(values));
         },
         "Paste 3 Points of 2-1 Down", true},
        {"a calibration read from controller table 2",
         [](HistoryDoc& h) {
             h.doc->Display.SetI32(DisplayBlock::kSelectedNVMTable, 1);
             h.doc->SetModifiedFlag(false);
         },
         [](HistoryDoc& h) {
             // As File>Read Calibration from Controller runs it.
             ASSERT_EQ(h.controller->TransferCalibration(0), 1);
             h.doc->RefreshViews(1);
         },
         "Read Calibration from Controller"},
    };
    return edits;
}

TEST(History, EveryEditIsTakenBackAndDoneAgainExactly) {
    for (const Edit& edit : Edits()) {
        SCOPED_TRACE(edit.what);
        HistoryDoc h;
        if (edit.prepare)
            edit.prepare(h);
        const std::string before = h.doc->SaveToBytes();
        const std::vector<float> graphBefore = h.GraphValues();
        edit.run(h);
        const std::string after = h.doc->SaveToBytes();
        const std::vector<float> graphAfter = h.GraphValues();
        ASSERT_NE(Difference(before, after), "");
        EXPECT_TRUE(h.doc->IsModified());
        EXPECT_EQ(h.doc->UndoName(), edit.undoName);
        EXPECT_EQ(h.doc->History().StepCount(), 1u);

        h.host.calls.clear();
        ASSERT_EQ(h.doc->Undo(), 1);
        EXPECT_EQ(Difference(h.doc->SaveToBytes(), before), "");
        EXPECT_EQ(h.GraphValues(), graphBefore);
        EXPECT_FALSE(h.doc->IsModified());
        EXPECT_FALSE(h.doc->CanUndo());
        EXPECT_EQ(h.doc->RedoName(), edit.undoName);
        // The bars and an open System Settings window show restored settings too.
        const bool sheetRefreshed = std::find(h.host.calls.begin(), h.host.calls.end(),
                                              "RefreshSettingsSheet(0)") != h.host.calls.end();
        EXPECT_EQ(sheetRefreshed, !edit.pointsOnly);

        ASSERT_EQ(h.doc->Redo(), 1);
        EXPECT_EQ(Difference(h.doc->SaveToBytes(), after), "");
        EXPECT_EQ(h.GraphValues(), graphAfter);
        EXPECT_TRUE(h.doc->IsModified());
        EXPECT_FALSE(h.doc->CanRedo());

        ASSERT_EQ(h.doc->Undo(), 1);
        EXPECT_EQ(Difference(h.doc->SaveToBytes(), before), "");
    }
}

void SetAxleRatio(CVLXDoc& doc, float ratio) {
    ChangeScope step(doc, "Axle ratio");
    doc.SetFloatVariable("AxleRatio", ratio);
}

TEST(History, ModifiedMarkFollowsTheSavedState) {
    HistoryDoc h;
    CVLXDoc& doc = *h.doc;
    const std::string path = h.dir.File("saved.gvr");

    SetAxleRatio(doc, 3.9f);
    SetAxleRatio(doc, 4.1f);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_FALSE(doc.IsModified());

    // Away from the saved state and back, in both directions.
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
    doc.Redo();
    EXPECT_FALSE(doc.IsModified());
    doc.Undo();
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
    doc.Redo();
    doc.Redo();
    EXPECT_FALSE(doc.IsModified());

    // A new step after an undo discards the saved state's step: no way back to it.
    doc.Undo();
    SetAxleRatio(doc, 4.3f);
    EXPECT_EQ(doc.History().StepCount(), 2u);
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FLOAT_EQ(doc.FindFloatVariable("AxleRatio").Get(), 3.73f);
    doc.Redo();
    doc.Redo();
    EXPECT_TRUE(doc.IsModified());

    // A change made outside any step cannot be taken back, so the saved state is lost too.
    ASSERT_TRUE(doc.OnSaveDocument(path));
    SetAxleRatio(doc, 3.5f);
    doc.Identity.SetU16(IdentityBlock::kHardwareVersion, 7);
    doc.SetModifiedFlag();
    doc.Undo();
    EXPECT_TRUE(doc.IsModified());
}

TEST(History, NewAndOpenStartAFreshHistory) {
    HistoryDoc h;
    CVLXDoc& doc = *h.doc;
    const std::string path = h.dir.File("saved.gvr");
    ASSERT_TRUE(doc.OnSaveDocument(path));

    SetAxleRatio(doc, 3.9f);
    ASSERT_TRUE(doc.CanUndo());
    // A file that cannot be opened leaves the calibration and its history as they were.
    EXPECT_FALSE(doc.OnOpenDocument(h.dir.File("missing.gvr")));
    EXPECT_TRUE(doc.CanUndo());
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.IsModified());

    SetAxleRatio(doc, 3.9f);
    doc.Undo();
    ASSERT_TRUE(doc.CanRedo());
    doc.OnNewDocument();
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.UndoName(), "");
}

TEST(History, NestedStepsAreOneAndStepsThatChangeNothingAreNone) {
    HistoryDoc h;
    CVLXDoc& doc = *h.doc;
    {
        // The outer step names the whole; a rebuild inside it belongs to it.
        ChangeScope outer(doc, "Tire size");
        doc.SetFloatVariable("TireDiam", 30.0f);
        SetAxleRatio(doc, 4.1f);
        doc.NotifyChange(2, nullptr);
        // Nothing can be taken back while a step is open.
        EXPECT_FALSE(doc.CanUndo());
        EXPECT_EQ(doc.Undo(), 0);
    }
    EXPECT_EQ(doc.History().StepCount(), 1u);
    EXPECT_EQ(doc.UndoName(), "Tire size");
    {
        // An unnamed outer step takes the first name given inside it.
        ChangeScope outer(doc, {});
        SetAxleRatio(doc, 4.3f);
    }
    EXPECT_EQ(doc.UndoName(), "Axle ratio");
    {
        ChangeScope nothing(doc, "Axle ratio");
        doc.SetFloatVariable("AxleRatio", 4.3f);
    }
    EXPECT_EQ(doc.History().StepCount(), 2u);

    doc.Undo();
    doc.Undo();
    EXPECT_FLOAT_EQ(doc.FindFloatVariable("AxleRatio").Get(), 3.73f);
    EXPECT_FLOAT_EQ(doc.FindFloatVariable("TireDiam").Get(), 28.0f);
}

TEST(History, OldestStepsGoWhenTheHistoryOutgrowsItsLimit) {
    HistoryDoc h;
    CVLXDoc& doc = *h.doc;
    for (int i = 1; i <= 10; ++i)
        SetAxleRatio(doc, 3.0f + 0.1f * static_cast<float>(i));
    const std::size_t perStep = doc.History().MemoryUse() / 10;
    doc.History().SetMemoryLimit(perStep * 4);
    EXPECT_EQ(doc.History().StepCount(), 4u);
    while (doc.Undo() == 1) {
    }
    // Back as far as the oldest step kept, and the file's state is out of reach.
    EXPECT_FLOAT_EQ(doc.FindFloatVariable("AxleRatio").Get(), 3.6f);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.CanRedo());
}

TEST(History, ValuesSetOnACurveLandOnTheNearestStepItHolds) {
    HistoryDoc h;
    CVLXDoc& doc = *h.doc;
    // Every value curve 0 can show, set as shown, is kept as it is stored.
    for (int raw = 0; raw < 256; ++raw) {
        SCOPED_TRACE(raw);
        const float shown = doc.InternalToCurve(0, static_cast<std::uint8_t>(raw), kIntToDisp);
        doc.Point(0, 5) = static_cast<std::int16_t>(raw * 16);
        const float result = doc.SetCurvePointValue(0, 5, shown);
        ASSERT_EQ(doc.Point(0, 5), raw * 16);
        ASSERT_EQ(result, shown);
    }
    // Beyond the ends: the limits of the internal form.
    doc.SetCurvePointValue(0, 5, 1e6f);
    EXPECT_EQ(doc.Point(0, 5), 255 * 16);
    doc.SetCurvePointValue(0, 5, -50.0f);
    EXPECT_EQ(doc.Point(0, 5), 0);
    // Values that are not numbers change nothing.
    const std::vector<CurvePointValue> odd{{0, 5, std::nan("")}, {0, 99, 10.0}, {60, 1, 10.0}};
    EXPECT_EQ(doc.SetCurvePoints("Set", odd), 0);
    EXPECT_EQ(doc.Point(0, 5), 0);
}

TEST(History, TextTypedIntoOneBoxIsOneStep) {
    HistoryDoc h;
    CVLXDoc& doc = *h.doc;
    const int box = 0; // stands for the text box that types
    auto type = [&doc](const std::string& text, const void* key) {
        ChangeScope step(doc, "Notes", ChangeNaming::kAsGiven, key);
        std::string state = text;
        doc.ControlState("[Vehicle]", "Notes", state, 1);
    };
    const std::string before = doc.SaveToBytes();
    for (const char* text : {"T", "To", "Tow"})
        type(text, &box);
    EXPECT_EQ(doc.History().StepCount(), 1u);
    const std::string typed = doc.SaveToBytes();
    // Another source starts a step of its own.
    SetAxleRatio(doc, 4.1f);
    type("Tow c", &box);
    EXPECT_EQ(doc.History().StepCount(), 3u);
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(Difference(doc.SaveToBytes(), typed), "");
    doc.Undo();
    EXPECT_EQ(Difference(doc.SaveToBytes(), before), "");

    // The saved state's step stays as it was saved, so undo still leads back to the file.
    doc.History().Clear();
    type("Tow", &box);
    ASSERT_TRUE(doc.OnSaveDocument(h.dir.File("saved.gvr")));
    type("Towing", &box);
    EXPECT_EQ(doc.History().StepCount(), 2u);
    doc.Undo();
    EXPECT_FALSE(doc.IsModified());

    // Typed away again to what it was: no step is left.
    doc.History().Clear();
    type("Towin", &box);
    type("Tow", &box);
    EXPECT_EQ(doc.History().StepCount(), 0u);
    EXPECT_FALSE(doc.CanUndo());
}

} // namespace
} // namespace vexa::testing
