#include "core/programpaths.h"
#include "support/docfixture.h"
#include "support/recordinggraph.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::DocFixture;
using testing::RecordingGraph;

const char* const kGenericInit = "[ApplicationID]\n"
                                 "LogicalName Generic\n"
                                 "TransmissionType None\n"
                                 "ProdName VEXA TCS-2\n"
                                 "Schema 1\n"
                                 "[Declarations]\n"
                                 "$TotalBlockSize 256\n$DynamicBlockSize 128\n"
                                 "$NumDynamicTableCells 19\n$NumDynamicTableEntries 4\n"
                                 "$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
                                 "$DynamicInterpolation 2\n$StaticBlockSize 128\n"
                                 "$StaticBlockStart 128\n$NVMType 0\n"
                                 "Speed I16 1:12:x Def:300\n";

TEST(Document, NewDocumentHasDefaultCurvesIdentityAndGenericDefinitions) {
    DocFixture f;
    f.dir.Write("PID2/3/generic.init", kGenericInit);
    f.MakeDoc();
    CVLXDoc& doc = *f.doc;

    for (int point = 0; point < kPointsPerCurve; ++point) {
        EXPECT_EQ(doc.Point(0, point), 1000 + 200 * point);
        EXPECT_EQ(doc.Point(1, point), 500 + 100 * point);
        EXPECT_EQ(doc.Point(49, point), doc.Point(1, point));
        EXPECT_EQ(doc.Point(48, point), doc.Point(0, point));
    }
    EXPECT_EQ(doc.Identity.DeviceType(), 2);
    EXPECT_EQ(doc.Identity.FirmwareVersion(), 3);
    EXPECT_EQ(doc.Identity.FirmwareVersionMinor(), 3);
    EXPECT_EQ(doc.Identity.HardwareVersion(), 2);
    EXPECT_EQ(doc.Identity.RevisionMajor(), 3);
    EXPECT_EQ(doc.Identity.RevisionMinor(), 30);
    EXPECT_EQ(doc.Identity.ApplyDefaultsOnReload(), 1);
    EXPECT_EQ(doc.DefinitionDir, JoinStoredPath(f.dir.path(), "PID2/3"));

    // generic.init was read, then the definition text emptied until a type is chosen.
    EXPECT_EQ(doc.Header[kDefinitionFileName], "generic.init");
    EXPECT_EQ(doc.Header[kTransmissionType], "None");
    EXPECT_EQ(doc.Header[kProdName], "VEXA TCS-2");
    EXPECT_EQ(doc.Declarations.TotalBlockSize(), 256);
    EXPECT_EQ(doc.FindIntVariable("Speed").Get(), 300);
    EXPECT_EQ(doc.DefinitionText, "");

    EXPECT_TRUE(doc.Display.TraceVisible(0));
    EXPECT_TRUE(doc.Display.TraceVisible(1));
    EXPECT_FALSE(doc.Display.TraceVisible(2));
    EXPECT_EQ(doc.Display.U8(DisplayBlock::kLinkMode), 1);
    EXPECT_TRUE(f.host.messages.empty());
}

TEST(Document, IdentityComesFromTheSettingsUnlessReadFromTheController) {
    DocFixture f;
    f.settings.WriteInt("HardwareProfile", "DeviceType", 5);
    f.settings.WriteInt("HardwareProfile", "FirmwareVersion", 7);
    f.dir.Write("PID5/7/generic.init", kGenericInit);
    f.MakeDoc();
    EXPECT_EQ(f.doc->DefinitionDir, JoinStoredPath(f.dir.path(), "PID5/7"));
    EXPECT_EQ(f.doc->Header[kProdName], "VEXA TCS-2");

    // A controller with identity 9/1 was read; File>New keeps it.
    f.doc->Identity.SetU16(IdentityBlock::kDeviceType, 9);
    f.doc->Identity.SetU16(IdentityBlock::kFirmwareVersion, 1);
    f.doc->Identity.SetU16(IdentityBlock::kIdentityFromController, 1);
    f.doc->Identity.SetU16(IdentityBlock::kIdentityCurrent, 1);
    f.doc->OnNewDocument();
    EXPECT_EQ(f.doc->DefinitionDir, JoinStoredPath(f.dir.path(), "PID9/1"));

    // Once the identity is no longer current, the settings win again.
    f.doc->Identity.SetU16(IdentityBlock::kIdentityCurrent, 0);
    f.doc->OnNewDocument();
    EXPECT_EQ(f.doc->Identity.DeviceType(), 5);
    EXPECT_EQ(f.doc->Identity.IdentityFromController(), 0);
}

TEST(Document, PackageVersionIsTheFirstByteOfTheFile) {
    DocFixture f;
    f.dir.Write("Package.ver", "7 and more");
    f.MakeDoc();
    EXPECT_EQ(f.doc->PackageVersion, '7');
    EXPECT_EQ(f.doc->Identity.PackageVersion(), '7');
    EXPECT_EQ(ReadPackageVersion(f.dir.File("nowhere")), 0);
}

TEST(Document, MessagesGoToTheHostEvenWithoutAFrame) {
    DocFixture f;
    f.MakeDoc();
    f.host.hasFrame = false;
    f.host.answers.push_back(kIdYes);
    EXPECT_EQ(f.doc->ShowMessage("text", "Caption:", kMbIconStop | kMbYesNo), kIdYes);
    EXPECT_EQ(f.host.messages.back(),
              (testing::RecordedMessage{"text", "Caption:", kMbIconStop | kMbYesNo}));
    EXPECT_EQ(f.doc->SetStatusText("status"), 0);
    f.doc->RefreshViews(1);
    EXPECT_TRUE(f.host.calls.empty());
    f.host.hasFrame = true;
    EXPECT_EQ(f.doc->SetStatusText("status"), 1);
    EXPECT_EQ(f.host.statusTexts, std::vector<std::string>{"status"});
}

TEST(Document, RefreshAndNotifyChangeFollowTheInfluenceFlags) {
    DocFixture f;
    f.MakeDoc();
    RecordingGraph graph;
    f.doc->SetGraph(&graph);

    f.doc->NotifyChange(1, nullptr);
    EXPECT_EQ(f.host.calls, std::vector<std::string>{"RedrawView"});
    EXPECT_TRUE(graph.visibleCalls.empty());
    EXPECT_EQ(graph.ranges.size(), 50u);

    f.host.calls.clear();
    int sheet = 0;
    f.doc->NotifyChange(2 | 4, &sheet);
    EXPECT_EQ(f.host.calls,
              (std::vector<std::string>{"RebuildBars", "RedrawView", "RebuildSheetPages"}));
    EXPECT_EQ(graph.visibleCalls.size(), 50u);
    EXPECT_FALSE(graph.visibleCalls.front().second);

    f.host.calls.clear();
    f.doc->NotifyChange(4, nullptr);
    EXPECT_TRUE(f.host.calls.empty());
}

TEST(Document, NewClearsTheModifiedMarkAndRefreshes) {
    DocFixture f;
    f.MakeDoc();
    f.doc->Point(0, 0) = 1;
    f.doc->SetModifiedFlag();
    EXPECT_TRUE(f.doc->OnNewDocument());
    EXPECT_FALSE(f.doc->IsModified());
    EXPECT_EQ(f.doc->Point(0, 0), 1000);
    EXPECT_EQ(f.host.calls.back(), "RefreshSettingsSheet(0)");
}

} // namespace
} // namespace vexa
