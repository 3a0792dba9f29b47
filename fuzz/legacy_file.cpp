// Arbitrary bytes as the lines of an older-format file (after its "GVR01" first line).
// The import must never crash or read out of range, must either complete or say why it
// could not, and a refused file must leave the open calibration as it was.
#include "support/docfixture.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace vexa;

const char* const kGeneric = "[ApplicationID]\n"
                             "LogicalName Generic\n"
                             "TransmissionType None\n"
                             "ProdName VEXA TCS-2\n"
                             "[Declarations]\n"
                             "$TotalBlockSize 256\n$DynamicBlockSize 128\n"
                             "$NumDynamicTableCells 19\n$NumDynamicTableEntries 2\n"
                             "$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
                             "$DynamicInterpolation 2\n$StaticBlockSize 128\n"
                             "$StaticBlockStart 128\n$NVMType 0\n"
                             "AxleRatio F32 1:0:x Def:4.10\n"
                             "SYCONFIG I16 1:4:x Def:0x0F08\n";

// The variables an older file fills, and a curve converted through a formula.
const char* const kFourSpeed = "[ApplicationID]\n"
                               "LogicalName 4L60E\n"
                               "TransmissionType 4L60E\n"
                               "ProdName VEXA TCS-2\n"
                               "[Declarations]\n"
                               "$TotalBlockSize 256\n$DynamicBlockSize 128\n"
                               "$NumDynamicTableCells 19\n$NumDynamicTableEntries 2\n"
                               "$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
                               "$DynamicInterpolation 2\n$StaticBlockSize 128\n"
                               "$StaticBlockStart 128\n$NVMType 0\n"
                               "UserComment STR 0:0:x\n"
                               "AxleRatio F32 1:0:x\nTireDiam F32 1:4:x\nSSFactor F32 1:8:x\n"
                               "LowRangeRatio F32 1:12:x\nAuxRangeRatio F32 1:16:x\n"
                               "WOTTPS I16 1:20:x\nBaseTPS I16 1:22:x\nCCOssOn I16 1:24:x\n"
                               "MANUpshift12 I16 1:26:x\nSYCONFIG I16 1:28:x\n"
                               "SYCONFIG2 I16 1:30:x\nPSOM I16 1:32:x\n"
                               "FourWheelDrive I16 1:34:x\nLowRangeCal I16 1:36:x\n";

struct QuietHost : NullDocumentHost {
    CVLXDoc* doc = nullptr;
    bool HasFrame() const override { return true; }
    // Conversions as the tuning bar would read them: one formula, one pass-through curve.
    void RebuildBars() override {
        doc->Curve(0).TraceMode = 1;
        doc->Curve(0).IntToStoreFormula = "x*x/3-7";
        doc->Curve(1).TraceMode = 2;
    }
};

struct Harness {
    testing::TempDir dir;
    testing::MemorySettings settings;
    QuietHost host;
    std::unique_ptr<CVLXDoc> doc;

    Harness() {
        dir.Write("PID2/3/generic.init", kGeneric);
        dir.Write("PID2/3/4l60e.def", kFourSpeed);
        dir.Write("OldTypetoDef.map", "4L60E-HD=missing.def\n4l60e = 4l60e.def\n"
                                      "4L80E=4l60e.def\nTH400=../PID2/3/4l60e.def\n");
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
        host.doc = doc.get();
        doc->SetHost(&host);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness h;
    CVLXDoc& doc = *h.doc;
    doc.OnNewDocument();

    std::string bytes = "\"GVR01\"\r\n";
    bytes.append(reinterpret_cast<const char*>(data), size);
    std::string failure;
    const int result = doc.LoadFromBytes(bytes, failure);
    if (result == 1)
        return 0;
    if (result != -1 || failure.empty())
        std::abort(); // a recognised file is either imported or refused with a reason
    // Refused before anything was read into the document.
    if (doc.Header[kTransmissionType] != "None" || !doc.DefinitionText.empty())
        std::abort();
    return 0;
}
