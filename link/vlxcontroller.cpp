// The controller link's construction, its seams, and controller identification.
#include "link/vlxcontroller.h"

#include "core/programpaths.h"
#include "core/vlxdoc.h"
#include "link/statedump.h"

#include <cstdio>

namespace vexa {

namespace {

constexpr const char* kUnrecognizedText =
    "The hardware or firmware version of your controller was not recognized.  Please try "
    "upgrading to the latest version of this software (available on our web site as a free "
    "download) or contact us for assistance.";
constexpr const char* kIncompatibleText =
    "The selected transmission type is not supported by this controller.  To insure proper "
    "operation, please verify that your controller supports the transmission that you are "
    "using.  Most controllers can be upgraded for a nominal cost.  Please contact us for "
    "details.";
constexpr const char* kRevisionChangeText =
    "The revision level of the connected controller is different than the last known "
    "controller, or the tuning software version has changed.  Please recheck all of your "
    "settings to insure that they are valid for your application.";

} // namespace

std::string ConnectedStatusText(const std::string& prodName, int deviceType, int hardwareVersion,
                                int firmwareVersion, int firmwareVersionMinor) {
    char text[200];
    std::snprintf(
        text, sizeof text, "%.35s connected: Product Version %d.%d, Firmware Revision %d.%d",
        prodName.c_str(), deviceType, hardwareVersion, firmwareVersion, firmwareVersionMinor);
    return text;
}

std::string ReadbackPathName(const std::string& currentPath, int table) {
    const std::size_t cut = currentPath.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? "" : currentPath.substr(0, cut + 1);
    return folder + "ControllerReadback_Table#" + std::to_string(table + 1);
}

CVLXController::CVLXController(CVLXDoc& doc, std::unique_ptr<ByteTransport> transport,
                               TimerService& timers, Clock& clock)
    : doc_(doc), clock_(clock),
      monitor_(std::make_unique<CTCS_Monitor>(std::move(transport), timers)) {
    poller_ = std::make_unique<CDataPoller>(*monitor_, doc_);
    monitor_->set_addressing_modes(doc_.Declarations.NVMType());
    monitor_->set_document(this);
}

// The document is partly destroyed when its link goes: touch nothing of it here.
CVLXController::~CVLXController() {
    monitor_->set_document(nullptr);
}

void CVLXController::SetAddressingModes(int nvmType) {
    monitor_->set_addressing_modes(nvmType);
}

int CVLXController::ReadSymbol(const std::string& name) {
    return monitor_->read_symbol(name);
}

int CVLXController::ShowMessage(const std::string& text, const std::string& caption,
                                unsigned flags) {
    return doc_.ShowMessage(text, caption, flags);
}

void CVLXController::SetStatusText(const std::string& text) {
    doc_.SetStatusText(text);
}

void CVLXController::ShowConnectionStatus(int state) {
    const IdentityBlock& id = doc_.Identity;
    if (state == 1)
        doc_.SetStatusText(ConnectedStatusText(doc_.Header[kProdName], id.DeviceType(),
                                               id.HardwareVersion(), id.FirmwareVersion(),
                                               id.FirmwareVersionMinor()));
    else
        doc_.SetStatusText(kDisconnectedStatusText);
    poller_->connection_changed(state);
    if (listener_)
        listener_(state);
}

int CVLXController::CheckController() {
    return CheckController(0, 1);
}

int CVLXController::PollTick() {
    return poller_->on_poll_timer();
}

void CVLXController::RefreshSettingsSheet(int cycle) {
    doc_.Host().RefreshSettingsSheet(cycle);
}

int CVLXController::CheckController(int declarationFlag, int showMessages) {
    CTCS_Monitor::Exchange exchange(*monitor_);
    IdentityBlock& id = doc_.Identity;
    std::uint16_t deviceType = id.DeviceType();
    std::uint16_t hardwareVersion = id.HardwareVersion();
    std::uint16_t firmwareVersion = id.FirmwareVersion();
    std::uint16_t firmwareMinor = id.FirmwareVersionMinor();
    const int flags = monitor_->read_version(&deviceType, &hardwareVersion, &firmwareVersion,
                                             &firmwareMinor, &lastError_);
    if (flags == 0)
        return 0;
    lastError_.clear();
    id.SetU16(IdentityBlock::kDeviceType, deviceType);
    id.SetU16(IdentityBlock::kHardwareVersion, hardwareVersion);
    id.SetU16(IdentityBlock::kFirmwareVersion, firmwareVersion);
    id.SetU16(IdentityBlock::kFirmwareVersionMinor, firmwareMinor);

    if (flags & 0xFC) {
        std::string& definitionFile = doc_.Header[kDefinitionFileName];
        definitionFile = StoredFileName(definitionFile);
        doc_.RecomputeDefinitionDir();
        const bool noType = doc_.Header[kTransmissionType] == "None";
        if (doc_.LoadDefinitionFile(doc_.DefinitionFilePath())) {
            doc_.ReadApplicationID();
            doc_.ReadDeclarations(declarationFlag);
            if (doc_.Header[kTransmissionType] == "None") {
                doc_.ReservedText.clear();
                doc_.DefinitionText.clear();
            } else {
                doc_.SetModifiedFlag(true);
                doc_.RefreshViews(1);
                RefreshSettingsSheet(1);
            }
        } else {
            doc_.Header[kProdName] = "Controller";
            if (noType)
                doc_.ShowMessage(kUnrecognizedText, "Unrecognized Controller Version", kMbIconStop);
            else
                doc_.ShowMessage(kIncompatibleText, "Incompatible Controller Version", kMbIconStop);
            showMessages = 0;
        }
        SettingsStore& settings = doc_.Settings();
        const int previous = settings.GetInt(kProfileSection, "DeviceType", 1000);
        settings.WriteInt(kProfileSection, "DeviceType", id.DeviceType());
        settings.WriteInt(kProfileSection, "FirmwareVersion", id.FirmwareVersion());
        settings.WriteInt(kProfileSection, "FirmwareVersionMinor", id.FirmwareVersionMinor());
        settings.WriteInt(kProfileSection, "HardwareVersion", id.HardwareVersion());
        if (showMessages == 1 && previous != 1000 && doc_.Header[kTransmissionType] != "None")
            doc_.ShowMessage(kRevisionChangeText, "Controller or Software Revision Change",
                             kMbIconInformation);
    }
    id.SetU16(IdentityBlock::kIdentityFromController, 1);
    id.SetU16(IdentityBlock::kIdentityCurrent, 1);
    monitor_->set_connected(1);
    return 1;
}

int CVLXController::DumpControllerState(const std::string& path) {
    return vexa::DumpControllerState(*monitor_, path);
}

} // namespace vexa
