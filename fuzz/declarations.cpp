// Arbitrary bytes as definition text with a [Declarations] section: reading the
// declarations (a first read and a reload) must keep the tables within their sizes, and
// building and applying the memory image must stay inside the image, whatever offsets,
// sizes, layouts and formulas the text declares.
#include "support/docfixture.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace vexa;

struct Harness {
    testing::TempDir dir;
    testing::MemorySettings settings;
    NullDocumentHost host;
    std::unique_ptr<CVLXDoc> doc;

    Harness() {
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, dir.path(), nullptr});
        doc->SetHost(&host);
    }
};

void CheckCounts(const CVLXDoc& doc) {
    if (doc.Declarations.VariableCount() > kMaxVariables ||
        doc.Declarations.StoreFormulaCount() > kMaxFormulas ||
        doc.Declarations.LoadFormulaCount() > kMaxFormulas)
        std::abort();
}

// The image a transfer would send: $TotalBlockSize bytes, kept to a size a controller has.
std::vector<std::uint8_t> ImageBuffer(const CVLXDoc& doc) {
    const std::int32_t size = doc.Declarations.TotalBlockSize();
    const std::int32_t clamped = size < 0 ? 0 : size > 65536 ? 65536 : size;
    return std::vector<std::uint8_t>(static_cast<std::size_t>(clamped), 0xFF);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness h;
    CVLXDoc& doc = *h.doc;
    doc.ClearDeclarations(2);
    for (int curve = 0; curve < kNumCurves; ++curve) {
        doc.ResetGraphElement(curve);
        // Some curves convert, so the image carries values and not only zeros.
        doc.Curve(curve).TraceMode = curve % 3;
        doc.Curve(curve).StoreToIntFormula = "x/4";
        doc.Curve(curve).IntToStoreFormula = "x*4";
    }
    doc.DefinitionText.assign(reinterpret_cast<const char*>(data), size);

    if (!doc.ReadDeclarations(1))
        return 0;
    CheckCounts(doc);
    std::vector<std::uint8_t> image = ImageBuffer(doc);
    const std::size_t imageSize = image.size();
    doc.BuildMemoryImage(image);
    doc.ApplyMemoryImage(image);
    if (image.size() != imageSize)
        std::abort();

    // A reload keeps the values and appends the formulas again.
    doc.ReadDeclarations(0);
    CheckCounts(doc);
    doc.BuildMemoryImage(image);
    return 0;
}
