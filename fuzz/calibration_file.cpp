// Arbitrary bytes as a calibration file opened with File>Open. Opening must never crash or
// read out of range; a file that is refused must leave the open calibration exactly as it
// was; a file that opens must save into bytes that open again, and its memory image must
// build and apply.
#include "support/docfixture.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace vexa;

const char* const kDefinition = "[ApplicationID]\n"
                                "LogicalName Fuzz\n"
                                "TransmissionType 4L60E\n"
                                "ProdName VEXA TCS-2\n"
                                "[Declarations]\n"
                                "$TotalBlockSize 256\n$DynamicBlockSize 128\n"
                                "$NumDynamicTableCells 19\n$NumDynamicTableEntries 2\n"
                                "$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
                                "$DynamicInterpolation 2\n$StaticBlockSize 128\n"
                                "$StaticBlockStart 128\n$NVMType 0\n"
                                "Speed I16 1:12:x Def:300\n"
                                "Ratio F32 1:16:x Def:3.73\n"
                                "Note STR 2:0:none\n"
                                "Shift T8 10:3:x NVM:19:0x40:1 Def:10,20,30,\n"
                                "StoreFormulae:\n"
                                "Speed=Speed+1\n"
                                "LoadFormulae:\n"
                                "Speed=Speed-1\n";

// Answers every message box with OK and shows a frame, so the views are refreshed too.
struct QuietHost : NullDocumentHost {
    bool HasFrame() const override { return true; }
};

// A graph that only checks the document stays inside its traces and points.
struct CheckingGraph : CurveGraph {
    static void Check(int trace, int point = 0) {
        if (trace < 0 || trace >= kNumCurves || point < 0 || point >= kPointsPerCurve)
            std::abort();
    }
    void SetTraceVisible(int trace, bool) override { Check(trace); }
    void SetValue(int trace, int point, double) override { Check(trace, point); }
    void UpdateTraceRange(int trace) override { Check(trace); }
    void SetLink(int trace, int linked) override {
        Check(trace);
        Check(linked);
    }
};

struct Harness {
    testing::TempDir dir;
    testing::MemorySettings settings;
    QuietHost host;
    CheckingGraph graph;
    std::unique_ptr<CVLXDoc> doc;
    std::string file;

    Harness() {
        dir.Write("PID2/3/generic.init", kDefinition);
        dir.Write("PID2/3/4l60e.def", kDefinition);
        dir.Write("OldTypetoDef.map", "4L60E=4l60e.def\n");
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
        doc->SetHost(&host);
        doc->SetGraph(&graph);
        file = dir.File("input.gvr");
    }
};

std::vector<std::uint8_t> ImageBuffer(const CVLXDoc& doc) {
    const std::int32_t size = doc.Declarations.TotalBlockSize();
    return std::vector<std::uint8_t>(static_cast<std::size_t>(size < 0       ? 0
                                                              : size > 65536 ? 65536
                                                                             : size),
                                     0xFF);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness h;
    CVLXDoc& doc = *h.doc;
    doc.OnNewDocument();
    const std::string before = doc.SaveToBytes();

    h.dir.Write("input.gvr", std::string(reinterpret_cast<const char*>(data), size));
    if (!doc.OnOpenDocument(h.file)) {
        if (doc.SaveToBytes() != before)
            std::abort(); // a refused file changed the calibration
        return 0;
    }

    const std::string saved = doc.SaveToBytes();
    std::string failure;
    if (doc.LoadFromBytes(saved, failure) != 1)
        std::abort(); // what we saved does not open again

    std::vector<std::uint8_t> image = ImageBuffer(doc);
    doc.BuildMemoryImage(image);
    doc.ApplyMemoryImage(image);
    return 0;
}
