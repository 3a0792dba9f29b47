#include "cli/session.h"

#include <algorithm>

namespace vexa::cli {

int CliHost::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    err_ << caption << ": " << text << "\n";
    messages_.push_back({caption, text, flags});
    // Questions are answered with their default: Yes for Yes/No boxes, OK otherwise.
    const unsigned buttons = flags & 0xF;
    return buttons == kMbYesNo || buttons == kMbYesNoCancel ? kIdYes : kIdOk;
}

void CliHost::RebuildBars() {
    if (doc_)
        BuildGraphicalTuning(*doc_, controls_);
}

CliSession::CliSession(CommandContext& context)
    : context_(context), settings_(context.paths.settingsFile), host_(context.err),
      engine_(kNumCurves, kPointsPerCurve), graph_(engine_) {
    doc_ =
        std::make_unique<CVLXDoc>(CVLXDocServices{&settings_, context.paths.programDir, nullptr});
    host_.Attach(doc_.get());
    doc_->SetHost(&host_);
    doc_->SetGraph(&graph_);
    engine_.SetAdjustCallback([this](int curve, int point, float value, std::int16_t& delta) {
        return doc_->AdjustCurvePoint(curve, point, value, delta);
    });
    engine_.SetStoredValueCallback(
        [this](int curve, int point) { return int{doc_->Point(curve, point)}; });
    doc_->LoadCurvesIntoGraph();
}

bool CliSession::New() {
    return doc_->OnNewDocument();
}

bool CliSession::Open(const std::string& path) {
    return doc_->OnOpenDocument(path);
}

bool CliSession::SaveAs(const std::string& path) {
    return doc_->OnSaveDocument(path);
}

std::vector<std::uint8_t> CliSession::Image() {
    const std::int32_t size = doc_->Declarations.TotalBlockSize();
    if (size <= 0)
        return {};
    std::vector<std::uint8_t> image(static_cast<std::size_t>(size),
                                    doc_->Declarations.NVMType() > 1 ? 0xFF : 0x00);
    if (!doc_->BuildMemoryImage(image))
        return {};
    return image;
}

} // namespace vexa::cli
