// Calibration files: writing the current format, reading it and the older one, and
// re-attaching a loaded calibration to the definitions installed for the controller.
#include "core/atomicfile.h"
#include "core/vlxdoc.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vexa {

namespace {

constexpr std::string_view kCurrentFormat = "GVR02";
constexpr std::string_view kLegacyFormat = "\"GVR01\"";
constexpr std::uint16_t kUnmatched = 0xFFFF;

template <std::size_t N> void WriteBlock(ByteWriter& out, const ByteBlock<N>& block) {
    out.Bytes(block.bytes.data(), N);
}

template <std::size_t N> void ReadBlock(ByteReader& in, ByteBlock<N>& block) {
    in.Bytes(block.bytes.data(), N);
}

std::string TooManyFormulasText(bool store, std::uint32_t count) {
    char text[160];
    if (store)
        std::snprintf(text, sizeof text,
                      "Too many store formulas (%u) for array size, truncating to maximum number.",
                      count);
    else
        std::snprintf(text, sizeof text,
                      "Too many load formulas (%u) for array size, truncating to maximum number.",
                      count);
    return text;
}

std::string BareFileName(const std::string& name) {
    const std::size_t cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

} // namespace

struct CVLXDoc::SavedState {
    decltype(CVLXDoc::CurveTable) curveTable;
    decltype(CVLXDoc::CurveSettingsTable) curveSettings;
    decltype(CVLXDoc::ConvTable) convTable;
    std::string definitionText, controlStateText, reservedText;
    decltype(CVLXDoc::Header) header;
    IdentityBlock identity;
    DeclarationsBlock declarations;
    std::vector<VariableSlot> variables;
    decltype(CVLXDoc::StoreFormulas) storeFormulas, loadFormulas;
    DisplayBlock display;
    ByteBlock<508> reserved508;
    ByteBlock<1024> reserved1024;
    int sectionStart, sectionEnd, itemCursor, blockStart, blockEnd;
    std::string definitionDir;
    bool modified;
};

std::unique_ptr<CVLXDoc::SavedState> CVLXDoc::CaptureState() const {
    return std::make_unique<SavedState>(
        SavedState{CurveTable,     CurveSettingsTable, ConvTable,
                   DefinitionText, ControlStateText,   ReservedText,
                   Header,         Identity,           Declarations,
                   VariableTable,  StoreFormulas,      LoadFormulas,
                   Display,        ReservedBlock508,   ReservedBlock1024,
                   SectionStart,   SectionEnd,         ItemCursor,
                   BlockStart,     BlockEnd,           DefinitionDir,
                   modified_});
}

void CVLXDoc::RestoreState(SavedState& state) {
    CurveTable = state.curveTable;
    CurveSettingsTable = std::move(state.curveSettings);
    ConvTable = state.convTable;
    DefinitionText = std::move(state.definitionText);
    ControlStateText = std::move(state.controlStateText);
    ReservedText = std::move(state.reservedText);
    Header = std::move(state.header);
    Identity = state.identity;
    Declarations = state.declarations;
    VariableTable = std::move(state.variables);
    StoreFormulas = std::move(state.storeFormulas);
    LoadFormulas = std::move(state.loadFormulas);
    Display = state.display;
    ReservedBlock508 = state.reserved508;
    ReservedBlock1024 = state.reserved1024;
    SectionStart = state.sectionStart;
    SectionEnd = state.sectionEnd;
    ItemCursor = state.itemCursor;
    BlockStart = state.blockStart;
    BlockEnd = state.blockEnd;
    DefinitionDir = std::move(state.definitionDir);
    modified_ = state.modified;
    controller_->SetAddressingModes(Declarations.NVMType());
}

void CVLXDoc::CopyCalibration(const CVLXDoc& other) {
    RestoreState(*other.CaptureState());
    ProxyActive = other.ProxyActive;
}

std::string CVLXDoc::SaveToBytes() const {
    ByteWriter out;
    out.Text(kCurrentFormat);
    out.U8('\n');
    for (const std::string& text : Header)
        out.CountedString(text);
    WriteBlock(out, Identity);
    for (std::int16_t point : CurveTable)
        out.U16(static_cast<std::uint16_t>(point));
    out.CountedString(ControlStateText);
    out.CountedString(ReservedText);
    WriteBlock(out, ReservedBlock508);
    WriteBlock(out, Display);
    for (const auto& curve : ConvTable) {
        for (const ConvPair& pair : curve) {
            ByteBlock<8> bytes;
            bytes.SetF32(0, pair.value);
            bytes.SetI32(4, pair.raw);
            WriteBlock(out, bytes);
        }
    }
    WriteBlock(out, Declarations);
    out.CountedString(DefinitionText);
    WriteBlock(out, ReservedBlock1024);
    const std::uint32_t variables =
        std::min<std::uint32_t>(Declarations.VariableCount(), kMaxVariables);
    for (std::uint32_t i = 0; i < variables; ++i) {
        const VariableSlot& slot = VariableTable[i];
        WriteBlock(out, slot.value);
        out.U16(slot.index);
        out.U8(slot.type);
        out.U8(slot.flags);
        out.CountedString(slot.name);
    }
    const std::uint32_t stores =
        std::min<std::uint32_t>(Declarations.StoreFormulaCount(), kMaxFormulas);
    for (std::uint32_t i = 0; i < stores; ++i)
        out.CountedString(StoreFormulas[i]);
    const std::uint32_t loads =
        std::min<std::uint32_t>(Declarations.LoadFormulaCount(), kMaxFormulas);
    for (std::uint32_t i = 0; i < loads; ++i)
        out.CountedString(LoadFormulas[i]);
    return out.Data();
}

int CVLXDoc::ReadCurrentFormat(ByteReader& in, std::string& failure) {
    for (std::string& text : Header)
        text = in.CountedString();
    ReadBlock(in, Identity);
    Identity.SetU16(IdentityBlock::kIdentityCurrent, 0);
    for (std::int16_t& point : CurveTable)
        point = static_cast<std::int16_t>(in.U16());
    ControlStateText = in.CountedString();
    ReservedText = in.CountedString();
    ReadBlock(in, ReservedBlock508);
    ReadBlock(in, Display);
    for (auto& curve : ConvTable) {
        for (ConvPair& pair : curve) {
            ByteBlock<8> bytes;
            ReadBlock(in, bytes);
            pair.value = bytes.F32(0);
            pair.raw = bytes.I32(4);
        }
    }
    ReadBlock(in, Declarations);
    DefinitionText = in.CountedString();
    ReadBlock(in, ReservedBlock1024);
    if (in.Failed()) {
        failure = "the file ends before its calibration data is complete";
        return -1;
    }

    const std::uint32_t variables = Declarations.VariableCount();
    if (variables > kMaxVariables) {
        failure = "it claims " + std::to_string(variables) + " variables, more than the " +
                  std::to_string(kMaxVariables) + " a calibration can hold";
        return -1;
    }
    for (std::uint32_t i = 0; i < kMaxVariables; ++i) {
        VariableSlot& slot = VariableTable[i];
        if (i >= variables) {
            // Slots past the file's table start empty, not with the previous calibration's.
            slot = VariableSlot{};
            continue;
        }
        ReadBlock(in, slot.value);
        slot.index = in.U16();
        slot.type = in.U8();
        slot.flags = in.U8();
        slot.name = in.CountedString();
    }

    for (const bool store : {true, false}) {
        auto& formulas = store ? StoreFormulas : LoadFormulas;
        const std::uint32_t count =
            store ? Declarations.StoreFormulaCount() : Declarations.LoadFormulaCount();
        if (count > kMaxFormulas) {
            ShowMessage(TooManyFormulasText(store, count),
                        store ? "Store formula array size exceeded"
                              : "Load formula array size exceeded",
                        kMbIconStop);
        }
        for (auto& formula : formulas)
            formula.clear();
        for (std::uint32_t i = 0; i < count && !in.Failed(); ++i) {
            std::string text = in.CountedString();
            if (i < kMaxFormulas)
                formulas[i] = std::move(text);
        }
        const std::uint32_t kept = std::min<std::uint32_t>(count, kMaxFormulas);
        if (store)
            Declarations.SetStoreFormulaCount(kept);
        else
            Declarations.SetLoadFormulaCount(kept);
    }
    if (in.Failed()) {
        failure = "the file ends in the middle of its variables or formulas";
        return -1;
    }
    AttachToDefinitions();
    return 1;
}

void CVLXDoc::AttachToDefinitions() {
    Header[kDefinitionFileName] = BareFileName(Header[kDefinitionFileName]);
    const HeaderString compared[] = {kProdID, kSchema, kMinFWVer, kMaxFWVer, kMinHWVer};
    std::array<std::string, 5> remembered;
    for (std::size_t i = 0; i < remembered.size(); ++i)
        remembered[i] = Header[static_cast<std::size_t>(compared[i])];

    // The identity of the last controller seen wins over the file's.
    const std::pair<const char*, std::size_t> profile[] = {
        {"DeviceType", IdentityBlock::kDeviceType},
        {"FirmwareVersion", IdentityBlock::kFirmwareVersion},
        {"FirmwareVersionMinor", IdentityBlock::kFirmwareVersionMinor},
        {"HardwareVersion", IdentityBlock::kHardwareVersion},
    };
    std::array<int, 4> values{};
    bool complete = true;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = settings_->GetInt("HardwareProfile", profile[i].first, kUnmatched);
        complete = complete && values[i] != kUnmatched;
    }
    if (complete) {
        for (std::size_t i = 0; i < values.size(); ++i)
            Identity.SetU16(profile[i].second, static_cast<std::uint16_t>(values[i]));
    }

    RecomputeDefinitionDir();
    if (LoadDefinitionFile(DefinitionFilePath())) {
        ReadApplicationID();
        ReadDeclarations(0);
        for (std::size_t i = 0; i < remembered.size(); ++i) {
            if (remembered[i] != Header[static_cast<std::size_t>(compared[i])])
                Identity.SetU16(IdentityBlock::kFirmwareVersionMinor, kUnmatched);
        }
    }
    if (Header[kTransmissionType] == "None") {
        ReservedText.clear();
        DefinitionText.clear();
    } else if (Identity.RevisionMajor() != 3 || Identity.RevisionMinor() != 30 ||
               Identity.PackageVersion() != PackageVersion) {
        Identity.SetU16(IdentityBlock::kFirmwareVersionMinor, kUnmatched);
    }
    Identity.SetU16(IdentityBlock::kRevisionMajor, 3);
    Identity.SetU16(IdentityBlock::kRevisionMinor, 30);
    Identity.SetI16(IdentityBlock::kPackageVersion, PackageVersion);

    controller_->CheckController(0, 1);
    RefreshViews(1);
    host_->RefreshSettingsSheet(0);
}

int CVLXDoc::LoadFromBytes(std::string_view bytes, std::string& failure) {
    ByteReader in(bytes);
    std::string firstLine;
    in.Line(firstLine);
    if (firstLine == kLegacyFormat) {
        const int imported = ImportLegacyFile(in, failure);
        if (imported != 1)
            return imported;
        Identity.SetU16(IdentityBlock::kFirmwareVersionMinor, kUnmatched);
        controller_->CheckController(0, 1);
        RefreshViews(1);
        host_->RefreshSettingsSheet(0);
        ShowMessage("You have just loaded a data file from the old Trellisor TCS application "
                    "program. It is highly recommended that you select \"Save As\" from the file "
                    "menu and save it under a new file name before making any changes. If this "
                    "file is saved without changing the file name, then the original file format "
                    "will be lost and you will no longer be able to open this file in the old "
                    "application (if needed).",
                    "Old File Format Detected", kMbIconInformation);
        return 1;
    }
    if (firstLine != kCurrentFormat) {
        ShowMessage("This file is not recognized as a valid calibration file. Please try to load "
                    "a different file.",
                    "Invalid Calibration File Format:", kMbOk);
        return 0;
    }
    return ReadCurrentFormat(in, failure);
}

bool CVLXDoc::OnOpenDocument(const std::string& path) {
    std::error_code ec;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, ec))
        file.open(path, std::ios::binary);
    std::string bytes;
    if (file.is_open())
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (!file.is_open() || file.bad()) {
        ShowMessage("The file \"" + path +
                        "\" could not be read. Check that it exists and that you may read it.\n\n"
                        "The calibration that was open has not been changed.",
                    "Calibration File Open Error:", kMbIconStop);
        return false;
    }

    std::unique_ptr<SavedState> before = CaptureState();
    SetModifiedFlag(true);
    std::string failure;
    const int result = LoadFromBytes(bytes, failure);
    if (result == 1) {
        SetModifiedFlag(false);
        ClearHistory();
        return true;
    }
    RestoreState(*before);
    if (result < 0) {
        RefreshViews(1);
        ShowMessage("The file \"" + path + "\" could not be opened: " + failure +
                        ".\n\nThe calibration that was open has not been changed.",
                    "Calibration File Open Error:", kMbIconStop);
    }
    return false;
}

bool CVLXDoc::OnSaveDocument(const std::string& path) {
    std::string error;
    if (!WriteFileAtomically(path, SaveToBytes(), error)) {
        ShowMessage("The calibration could not be saved to \"" + path + "\": " + error +
                        "\n\nThe file on disk has not been changed.",
                    "Calibration File Save Error:", kMbIconStop);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

} // namespace vexa
