#pragma once
// The document as the windowed program has it, without windows: a settings store, a
// host that acts as a main window with a frame and a graph, and the graph itself. On a
// rebuild the host configures the traces exactly as the "Graph Controls" bar does, so the
// curve conversions the command line uses are those the windowed program uses.
#include "cli/command.h"
#include "core/graphicaltuning.h"
#include "core/inifile.h"
#include "core/vlxdoc.h"
#include "graph/graphengine.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vexa::cli {

struct ShownMessage {
    std::string caption;
    std::string text;
    unsigned flags = 0;
};

class CliHost : public DocumentHost {
public:
    explicit CliHost(std::ostream& err) : err_(err) {}
    void Attach(CVLXDoc* doc) { doc_ = doc; }

    // Printed as "caption: text" on standard error and kept for the JSON output.
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool HasFrame() const override { return true; }
    void SetStatusText(const std::string& text) override { status_ = text; }
    void RebuildBars() override;
    void RedrawView() override {}
    void RebuildSheetPages(void*) override {}
    void RefreshSettingsSheet(int) override {}

    const std::vector<ShownMessage>& Messages() const { return messages_; }
    const std::vector<TuningControl>& TuningControls() const { return controls_; }

private:
    std::ostream& err_;
    CVLXDoc* doc_ = nullptr;
    std::vector<ShownMessage> messages_;
    std::vector<TuningControl> controls_;
    std::string status_;
};

class CliSession {
public:
    explicit CliSession(CommandContext& context);
    CVLXDoc& Doc() { return *doc_; }
    CliHost& Host() { return host_; }
    CGraphEngine& Graph() { return engine_; }

    // File>New, File>Open, File>Save As. Each reports through message boxes.
    bool New();
    bool Open(const std::string& path);
    bool SaveAs(const std::string& path);
    // The image a write would send: $TotalBlockSize bytes filled with 0xFF when
    // $NVMType > 1, else 0x00, then the calibration built into it. Empty on failure.
    std::vector<std::uint8_t> Image();

private:
    CommandContext& context_;
    IniSettingsStore settings_;
    CliHost host_;
    CGraphEngine engine_;
    GraphEngineCurveGraph graph_;
    std::unique_ptr<CVLXDoc> doc_;
};

} // namespace vexa::cli
