#include "cli/session.h"

#include "sim/simpresets.h"

#include "link/borrowedtransport.h"
#include "link/serialport.h"
#include "link/tracingtransport.h"

#include <algorithm>
#include <clocale>
#include <thread>

#ifdef VEXA_HAVE_QT_SERIAL
#include "link/qtserial_transport.h"

#include <QCoreApplication>
#endif
#ifdef VEXA_HAVE_HIDAPI
#include "link/hidapi_backend.h"
#endif

namespace vexa::cli {

int CliHost::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    err_ << caption << ": " << text << "\n";
    messages_.push_back({caption, text, flags});
    // Questions are answered with their default: Yes for Yes/No boxes (No where the box
    // makes the second button the default), OK otherwise.
    const unsigned buttons = flags & 0xF;
    if (buttons != kMbYesNo && buttons != kMbYesNoCancel)
        return kIdOk;
    return (flags & kMbDefButton2) != 0 ? kIdNo : kIdYes;
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

std::string PortNameSettings::GetString(std::string_view section, std::string_view key,
                                        std::string_view defaultValue) const {
    if (section == kCommSettingsSection && key == kComPortNameKey)
        return port_;
    return std::string(defaultValue);
}

bool PortNameSettings::WriteString(std::string_view section, std::string_view key,
                                   std::string_view value) {
    if (section == kCommSettingsSection && key == kComPortNameKey)
        port_ = std::string(value);
    return true;
}

bool CliSession::AttachController(const ControllerOptions& options, std::string& error) {
    CHidDevice* hid = nullptr;
    Clock* clock = &SteadyClock::Instance();
    if (options.port == "usb") {
#ifdef VEXA_HAVE_HIDAPI
        hidBackend_ = std::make_unique<HidapiBackend>();
        const UsbIds ids = UsbIdsFromSettings(settings_);
        hid_ = std::make_unique<CHidDevice>(*hidBackend_, ids.vendor, ids.product);
        hid = hid_.get();
#else
        error = "This build has no USB HID support.";
        return false;
#endif
    } else if (options.port == kSimPortName) {
        SimOptions sim = options.sim;
        // The controller is what its identity says: a shipped identity brings that
        // controller's layout and calibration. It never copies what the host parsed from
        // its definitions, so a host that misreads them meets a controller that does not.
        const SimPreset* preset = FindSimPresetByIdentity(sim.identity);
        const int nvmType = sim.layout.nvmType;
        if (preset)
            sim.layout = preset->layout;
        if (options.simLayoutGiven)
            sim.layout.nvmType = nvmType;
        sim_ = std::make_unique<SimTransport>(simClock_, sim);
        if (preset && sim.layout.nvmType == preset->layout.nvmType)
            LoadSimPresetMemory(*preset, sim_->Controller());
        clock = &simClock_;
        factory_.Register(kSimPortName, [this](const std::string&, int) {
            return std::make_unique<BorrowedTransport>(*sim_);
        });
    } else {
#ifdef VEXA_HAVE_QT_SERIAL
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "vexa-cli";
            static char* argv[] = {name, nullptr};
            static QCoreApplication application(argc, argv);
            // The application object sets the user's locale; what is printed keeps '.'.
            std::setlocale(LC_NUMERIC, "C");
        }
        RegisterQtSerialPorts(factory_);
#else
        error = "This build has no serial port support; use --port sim.";
        return false;
#endif
    }
    portSettings_.WriteString(kCommSettingsSection, kComPortNameKey,
                              options.port == "usb" ? "" : options.port);
    std::unique_ptr<ByteTransport> port =
        std::make_unique<CSerialPort>(&portSettings_, &factory_, hid, *clock);
    port = WithTraceFile(std::move(port), options.traceFile, *clock);
    auto link = std::make_unique<CVLXController>(*doc_, std::move(port), timers_, *clock);
    controller_ = link.get();
    const int choice = options.choice;
    controller_->SetTransmissionChooser([choice](const std::vector<std::string>& names,
                                                 int& selected) {
        selected = choice;
        return names.empty() || (choice >= 0 && choice < static_cast<int>(names.size())) ? 1 : 0;
    });
    doc_->SetControllerLink(std::move(link));
    // The monitor opened the port already; once more, to learn why when it failed.
    if (!controller_->Monitor().transport().IsOpen())
        return controller_->ReopenPort(error) == 1;
    return true;
}

Clock& CliSession::LinkClock() {
    if (sim_)
        return simClock_;
    return SteadyClock::Instance();
}

void CliSession::Wait(int ms) {
    if (sim_)
        simClock_.Advance(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    timers_.Advance(ms);
}

} // namespace vexa::cli
