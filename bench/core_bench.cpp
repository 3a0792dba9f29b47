// Opening and saving a large calibration, and building a controller image.
#include "support/docfixture.h"

#include <benchmark/benchmark.h>

namespace vexa {
namespace {

// A definition of 4096 variable slots (two-slot I32s and one-slot I16s) and about 60 kB.
std::string LargeDefinition(int imageSize) {
    std::string text = "[ApplicationID]\nLogicalName Big\nTransmissionType 4L80E\nProdName VEXA\n"
                       "[Declarations]\n$TotalBlockSize " +
                       std::to_string(imageSize) +
                       "\n$DynamicBlockSize 512\n$NumDynamicTableCells 19\n"
                       "$NumDynamicTableEntries 20\n$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
                       "$DynamicInterpolation 2\n$StaticBlockSize " +
                       std::to_string(imageSize - 1024) + "\n$StaticBlockStart 1024\n$NVMType 1\n";
    for (int curve = 0; curve < 20; ++curve)
        text += "Curve" + std::to_string(curve) + " T8 10:" + std::to_string(curve) +
                ":x NVM:19:" + std::to_string(curve * 20) +
                ":1 Def:10,20,30,40,50,60,70,80,90,100,\n";
    int slots = 20;
    for (int i = 0; slots + 2 <= kMaxVariables; ++i) {
        const bool wide = i % 2 == 0;
        text += "Value" + std::to_string(i) + (wide ? " I32 1:" : " I16 1:") +
                std::to_string((i * 2) % (imageSize - 1028)) + ":x Def:" + std::to_string(i) +
                " // calibration value with a comment to make the text realistic\n";
        slots += wide ? 2 : 1;
    }
    text += "[GraphicalTuning]\n";
    while (text.size() < 60000)
        text += "GraphElement Label {\nDisplayName Padding heading for the benchmark\n}\n";
    return text;
}

struct LargeCalibration {
    testing::DocFixture fixture;
    std::string bytes;
    explicit LargeCalibration(int imageSize) {
        fixture.dir.Write("PID2/3/generic.init",
                          "[ApplicationID]\nLogicalName G\nTransmissionType None\nProdName V\n");
        fixture.dir.Write("PID2/3/big.def", LargeDefinition(imageSize));
        fixture.MakeDoc();
        CVLXDoc& doc = *fixture.doc;
        doc.Header[kDefinitionFileName] = "big.def";
        doc.LoadDefinitionFile(doc.DefinitionFilePath());
        doc.ReadApplicationID();
        doc.ReadDeclarations(1);
        for (int c = 0; c < kNumCurves; ++c)
            doc.Curve(c).TraceMode = 2;
        bytes = doc.SaveToBytes();
    }
};

void BM_OpenLargeCalibration(benchmark::State& state) {
    LargeCalibration large(4096);
    const std::string path = large.fixture.dir.Write("big.gvr", large.bytes);
    for (auto _ : state)
        benchmark::DoNotOptimize(large.fixture.doc->OnOpenDocument(path));
    state.counters["variables"] = large.fixture.doc->Declarations.VariableCount();
    state.counters["definitionBytes"] =
        static_cast<double>(large.fixture.doc->DefinitionText.size());
}
BENCHMARK(BM_OpenLargeCalibration)->Unit(benchmark::kMillisecond);

void BM_SaveLargeCalibration(benchmark::State& state) {
    LargeCalibration large(4096);
    const std::string path = large.fixture.dir.File("saved.gvr");
    for (auto _ : state)
        benchmark::DoNotOptimize(large.fixture.doc->OnSaveDocument(path));
    state.counters["fileBytes"] = static_cast<double>(large.bytes.size());
}
BENCHMARK(BM_SaveLargeCalibration)->Unit(benchmark::kMillisecond);

void BM_BuildMemoryImage4k(benchmark::State& state) {
    LargeCalibration large(4096);
    std::vector<std::uint8_t> image(4096, 0xFF);
    for (auto _ : state)
        benchmark::DoNotOptimize(large.fixture.doc->BuildMemoryImage(image));
}
BENCHMARK(BM_BuildMemoryImage4k)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vexa

BENCHMARK_MAIN();
