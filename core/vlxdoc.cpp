// The document's construction, reset, reporting and refresh.
#include "core/vlxdoc.h"

#include "core/programpaths.h"

#include <cstdio>
#include <fstream>

namespace vexa {

namespace {

constexpr std::uint16_t kDefaultDeviceType = 2;
constexpr std::uint16_t kDefaultFirmwareVersion = 3;
constexpr std::uint16_t kDefaultFirmwareVersionMinor = 3;
constexpr std::uint16_t kDefaultHardwareVersion = 2;
constexpr std::uint16_t kRevisionMajorValue = 3;
constexpr std::uint16_t kRevisionMinorValue = 30;

std::uint16_t ProfileU16(SettingsStore& settings, const char* key, int defaultValue) {
    return static_cast<std::uint16_t>(settings.GetInt("HardwareProfile", key, defaultValue));
}

} // namespace

std::int16_t IntVariableRef::Get() const {
    if (slot_)
        return slot_->I16();
    return identity_ ? identity_->NumNVMTables() : 0;
}

void IntVariableRef::Set(std::int16_t value) const {
    if (slot_)
        slot_->SetI16(value);
    else if (identity_)
        identity_->SetI16(IdentityBlock::kNumNVMTables, value);
}

std::int16_t ReadPackageVersion(const std::string& programDir) {
    std::ifstream in(JoinStoredPath(programDir, "Package.ver"), std::ios::binary);
    if (!in)
        return 0;
    char first = 0;
    if (!in.get(first))
        return 0;
    return static_cast<std::int16_t>(static_cast<unsigned char>(first));
}

CVLXDoc::CVLXDoc(CVLXDocServices services)
    : settings_(services.settings), platform_(services.platform),
      controller_(std::make_unique<NullControllerLink>()) {
    VariableTable.resize(kMaxVariables);
    ProgramDir = std::move(services.programDir);
    while (ProgramDir.size() > 1 && ProgramDir.back() == '/')
        ProgramDir.pop_back();
    Identity.SetU16(IdentityBlock::kDeviceType, kDefaultDeviceType);
    Identity.SetU16(IdentityBlock::kFirmwareVersion, kDefaultFirmwareVersion);
    RecomputeDefinitionDir();
    Identity.Clear();
    PackageVersion = ReadPackageVersion(ProgramDir);
    if (platform_)
        platform_->WriteDesktopShortcut(ProgramDir);
    ResetDocument();
    if (platform_) {
        const bool about = settings_->GetInt("AboutBox", "ShowAtStartup", 1) == 1;
        const bool start = settings_->GetInt("StartBox", "ShowAtStartup", 1) == 1;
        platform_->ShowStartupDialogs(about, start);
    }
}

CVLXDoc::~CVLXDoc() = default;

void CVLXDoc::SetHost(DocumentHost* host) {
    host_ = host ? host : &nullHost_;
}

void CVLXDoc::SetControllerLink(std::unique_ptr<ControllerLink> link) {
    controller_ = link ? std::move(link) : std::make_unique<NullControllerLink>();
}

int CVLXDoc::ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
    return host_->MessageBox(text, caption, flags);
}

int CVLXDoc::SetStatusText(const std::string& text) {
    if (!host_->HasFrame())
        return 0;
    host_->SetStatusText(text);
    return 1;
}

void CVLXDoc::RefreshViews(int rebuild) {
    if (!host_->HasFrame())
        return;
    if (rebuild != 0) {
        if (graph_) {
            for (int trace = 0; trace < kNumCurves; ++trace)
                graph_->SetTraceVisible(trace, false);
        }
        host_->RebuildBars();
    }
    LoadCurvesIntoGraph();
    host_->RedrawView();
}

int CVLXDoc::NotifyChange(int flags, void* sheet) {
    if (flags & 2)
        RefreshViews(1);
    else if (flags & 1)
        RefreshViews(0);
    if ((flags & 4) && sheet)
        host_->RebuildSheetPages(sheet);
    return 1;
}

void CVLXDoc::RecomputeDefinitionDir() {
    DefinitionDir =
        JoinStoredPath(JoinStoredPath(ProgramDir, "PID" + std::to_string(Identity.DeviceType())),
                       std::to_string(Identity.FirmwareVersion()));
}

std::string CVLXDoc::DefinitionFilePath() const {
    return JoinStoredPath(DefinitionDir, Header[kDefinitionFileName]);
}

void CVLXDoc::ResetDocument() {
    ClearDeclarations(2);

    Identity.SetU16(IdentityBlock::kApplyDefaultsOnReload, 1);
    Identity.SetU16(IdentityBlock::kRevisionMajor, kRevisionMajorValue);
    Identity.SetU16(IdentityBlock::kRevisionMinor, kRevisionMinorValue);
    Identity.SetI16(IdentityBlock::kPackageVersion, PackageVersion);

    // An identity read from the controller since the last file load stays.
    if (!(Identity.IdentityFromController() == 1 && Identity.IdentityCurrent() == 1)) {
        Identity.SetU16(IdentityBlock::kIdentityFromController, 0);
        Identity.SetU16(IdentityBlock::kIdentityCurrent, 0);
        Identity.SetU16(IdentityBlock::kDeviceType,
                        ProfileU16(*settings_, "DeviceType", kDefaultDeviceType));
        Identity.SetU16(IdentityBlock::kFirmwareVersion,
                        ProfileU16(*settings_, "FirmwareVersion", kDefaultFirmwareVersion));
        Identity.SetU16(
            IdentityBlock::kFirmwareVersionMinor,
            ProfileU16(*settings_, "FirmwareVersionMinor", kDefaultFirmwareVersionMinor));
        Identity.SetU16(IdentityBlock::kHardwareVersion,
                        ProfileU16(*settings_, "HardwareVersion", kDefaultHardwareVersion));
    }

    Header[kTransmissionType] = "None";
    for (int cleared : {kSubType, kReserved4, kLogicalName, kDescription, kReserved13, kReserved14})
        Header[static_cast<std::size_t>(cleared)].clear();
    Header[kDefinitionFileName] = "generic.init";

    // Failures are ignored: without generic.init the previous definition text is read.
    RecomputeDefinitionDir();
    LoadDefinitionFile(DefinitionFilePath());
    ReadApplicationID();
    ReadDeclarations(1);

    for (int curve = 0; curve < kNumCurves; ++curve) {
        for (int point = 0; point < kPointsPerCurve; ++point)
            Point(curve, point) = static_cast<std::int16_t>((1000 + 200 * point) / (1 + curve % 2));
        ResetGraphElement(curve);
    }

    ReservedText.clear();
    DefinitionText.clear();

    ReservedBlock508.Clear();
    Display.Clear();
    Display.SetTraceVisible(0, true);
    Display.SetTraceVisible(1, true);
    Display.SetU8(DisplayBlock::kLinkMode, 1);
}

bool CVLXDoc::OnNewDocument() {
    ResetDocument();
    RefreshViews(1);
    host_->RefreshSettingsSheet(0);
    SetModifiedFlag(false);
    ClearHistory();
    return true;
}

// ---- Change log ---------------------------------------------------------------------

void CVLXDoc::SetModifiedFlag(bool modified) {
    modified_ = modified;
    if (!modified)
        changeLog_.MarkSaved();
    else if (!changeLog_.IsOpen())
        changeLog_.ForgetSaved();
}

void CVLXDoc::BeginChange(std::string name, ChangeNaming naming, const void* mergeKey) {
    changeLog_.Begin(*this, std::move(name), naming, mergeKey);
}

void CVLXDoc::EndChange() {
    if (changeLog_.End(*this))
        modified_ = true;
}

int CVLXDoc::Undo() {
    if (!changeLog_.CanUndo())
        return 0;
    AfterRestore(changeLog_.Undo(*this));
    return 1;
}

int CVLXDoc::Redo() {
    if (!changeLog_.CanRedo())
        return 0;
    AfterRestore(changeLog_.Redo(*this));
    return 1;
}

void CVLXDoc::AfterRestore(const ChangeEffect& effect) {
    if (effect.identity)
        RecomputeDefinitionDir();
    if (effect.declarations)
        controller_->SetAddressingModes(Declarations.NVMType());
    if (!effect.pointsOnly) {
        // Anything beyond curve points may change what the bars and pages show.
        RefreshViews(1);
        host_->RefreshSettingsSheet(0);
    } else if (host_->HasFrame()) {
        for (int curve : effect.curves)
            LoadCurveIntoGraph(curve);
        host_->RedrawView();
    }
    modified_ = !changeLog_.AtSaved();
}

} // namespace vexa
