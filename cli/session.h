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
#include "link/hidbackend.h"
#include "link/hiddevice.h"
#include "link/serialdevicefactory.h"
#include "link/vlxcontroller.h"
#include "sim/simoptions.h"
#include "sim/simtransport.h"

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

// Where the controller commands find the controller.
struct ControllerOptions {
    // A serial device path, "usb" (the controller's own USB interface) or "sim" (the
    // virtual controller in this process, on virtual time).
    std::string port;
    std::string traceFile;       // every byte through the link, appended; empty: no trace
    SimOptions sim;              // identity, faults and seed of "sim"
    bool simLayoutGiven = false; // --nvm given: it overrides the identity's memory type
    int choice = 0;              // the entry of a transmission choice list, in sorted order
};

// The settings the link reads its port from: only the port name, never written back to
// the user's settings file.
class PortNameSettings : public SettingsStore {
public:
    int GetInt(std::string_view, std::string_view, int defaultValue) const override {
        return defaultValue;
    }
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const override;
    bool WriteInt(std::string_view, std::string_view, int) override { return true; }
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;

private:
    std::string port_;
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

    // Creates the document's controller link on options.port, as the windowed program
    // does, and hands it to the document. The link opens at once; false with a reason in
    // error when it cannot (the text the port's open reports).
    bool AttachController(const ControllerOptions& options, std::string& error);
    CVLXController* Controller() { return controller_; }
    ManualTimerService& Timers() { return timers_; }
    // Lets ms pass for the link's timer: virtual time on "sim", a real pause otherwise.
    void Wait(int ms);
    // The link's time: virtual on "sim", else the steady clock.
    Clock& LinkClock();
    bool VirtualTime() const { return sim_ != nullptr; }

private:
    CommandContext& context_;
    IniSettingsStore settings_;
    CliHost host_;
    CGraphEngine engine_;
    GraphEngineCurveGraph graph_;
    // The link's world; declared before the document, whose link uses it to the end.
    ManualClock simClock_;
    ManualTimerService timers_;
    SerialDeviceFactory factory_;
    PortNameSettings portSettings_;
    std::unique_ptr<SimTransport> sim_;
    std::unique_ptr<HidBackend> hidBackend_;
    std::unique_ptr<CHidDevice> hid_;
    CVLXController* controller_ = nullptr;
    std::unique_ptr<CVLXDoc> doc_;
};

} // namespace vexa::cli
