#pragma once
// CVLXDoc: the one open calibration. It holds the calibration proper (curves, variables,
// the blocks a calibration file stores), the loaded definition text that every generated
// window reads its layout from, and the links to the windows and the controller link.
//
// Positions into DefinitionText are character indices. The section scope
// (SectionStart..SectionEnd) and the block scope (BlockStart..BlockEnd) are shared by every
// caller: find the section (and block), then read its keys before anything else moves them.
#include "core/byteblock.h"
#include "core/bytestream.h"
#include "core/changelog.h"
#include "core/controllerlink.h"
#include "core/curvegraph.h"
#include "core/documenthost.h"
#include "core/settingsstore.h"
#include "formula/formulaparser.h"

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

constexpr int kNumCurves = 50;
constexpr int kPointsPerCurve = 10;
constexpr int kMaxVariables = 4096;
constexpr int kMaxFormulas = 40;
constexpr int kConvPairs = 20;
constexpr int kNumHeaderStrings = 15;

// Key-read defaults that mean "no default: leave the output as it was".
constexpr std::int32_t kNoIntDefault = std::numeric_limits<std::int32_t>::min();
constexpr float kNoFloatDefault = -1000000.0f;
// A missing key or value in action lists, reference substitution and symbol reads.
constexpr int kMissingValue = -1000;

enum ScopeFlag : int { kSectionScope = 0, kBlockScope = 1 };

// Variable type codes as the calibration file stores them.
enum VariableType : std::uint8_t {
    kTypeI8 = 0,
    kTypeI16 = 1,
    kTypeI32 = 2,
    kTypeF32 = 8,
    kTypeSTR = 16,
    kTypeT8 = 32,
    kTypeT16 = 33,
    kTypeContinuation = 255,
};

inline bool IsIntegerType(std::uint8_t type) {
    return type <= kTypeI32;
}
inline bool IsTableType(std::uint8_t type) {
    return type == kTypeT8 || type == kTypeT16;
}

struct VariableSlot {
    // int16 (low half) or int32 for integers, float32 for F32; for curve tables the
    // start offset (bytes 0-1), cell count (byte 2) and cell width (byte 3).
    ByteBlock<4> value;
    std::uint16_t index = 0xFFFF;
    std::uint8_t type = 0;
    std::uint8_t flags = 0;
    std::string name; // in a string's continuation slot: the string value

    std::int16_t I16() const { return value.I16(0); }
    void SetI16(std::int16_t v) { value.SetI16(0, v); }
    std::int32_t I32() const { return value.I32(0); }
    void SetI32(std::int32_t v) { value.SetI32(0, v); }
    float F32() const { return value.F32(0); }
    void SetF32(float v) { value.SetF32(0, v); }
    std::uint16_t TableStart() const { return value.U16(0); }
    std::uint8_t TableCells() const { return value.U8(2); }
    std::uint8_t TableWidth() const { return value.U8(3); }
    void SetTableLayout(std::uint16_t start, std::uint8_t cells, std::uint8_t width) {
        value.SetU16(0, start);
        value.SetU8(2, cells);
        value.SetU8(3, width);
    }
    bool operator==(const VariableSlot&) const = default;
};

struct ConvPair {
    float value = 0.0f;
    std::int32_t raw = 0;
};

// Per-curve conversion settings, read from the definition's GraphElement blocks.
struct CurveSettings {
    std::int32_t TraceMode = 0;
    std::string StoreToIntFormula;
    std::string IntToStoreFormula;
    std::string DispToIntFormula;
    std::string IntToDispFormula;
    std::string ProxyFormula;
    std::string PadEnable;
    bool operator==(const CurveSettings&) const = default;
};

// Formula slots of the curve conversions.
enum CurveFormulaSlot : int {
    kStoreToInt = 0,
    kIntToStore = 1,
    kDispToInt = 2,
    kIntToDisp = 3,
};

// The 15 header strings in file order.
enum HeaderString : int {
    kLogicalName = 0,
    kSchema,
    kTransmissionType,
    kSubType,
    kReserved4,
    kDefinitionFileName,
    kDescription,
    kReserved7,
    kProdID,
    kProdName,
    kMinFWVer,
    kMaxFWVer,
    kMinHWVer,
    kReserved13,
    kReserved14,
};

// Platform steps of the document's construction that a windowed build performs and a
// headless one skips.
class DocumentPlatform {
public:
    virtual ~DocumentPlatform() = default;
    // Writes (or overwrites) the desktop entry; failures are ignored.
    virtual void WriteDesktopShortcut(const std::string& programDir) = 0;
    // Shows the About and Getting Started dialogs as the settings ask.
    virtual void ShowStartupDialogs(bool about, bool gettingStarted) = 0;
};

// A handle to an integer variable's int16 value (or the identity's NumNVMTables).
class IntVariableRef {
public:
    IntVariableRef() = default;
    explicit IntVariableRef(VariableSlot* slot) : slot_(slot) {}
    explicit IntVariableRef(IdentityBlock* identity) : identity_(identity) {}
    explicit operator bool() const { return slot_ != nullptr || identity_ != nullptr; }
    std::int16_t Get() const;
    void Set(std::int16_t value) const;

private:
    VariableSlot* slot_ = nullptr;
    IdentityBlock* identity_ = nullptr;
};

// A handle to a float variable's value.
class FloatVariableRef {
public:
    FloatVariableRef() = default;
    explicit FloatVariableRef(VariableSlot* slot) : slot_(slot) {}
    explicit operator bool() const { return slot_ != nullptr; }
    float Get() const { return slot_ ? slot_->F32() : 0.0f; }
    void Set(float value) const {
        if (slot_)
            slot_->SetF32(value);
    }

private:
    VariableSlot* slot_ = nullptr;
};

struct CVLXDocServices {
    SettingsStore* settings = nullptr; // required
    std::string programDir;            // without a trailing separator
    DocumentPlatform* platform = nullptr;
};

class CVLXDoc {
public:
    explicit CVLXDoc(CVLXDocServices services);
    ~CVLXDoc();
    CVLXDoc(const CVLXDoc&) = delete;
    CVLXDoc& operator=(const CVLXDoc&) = delete;

    // --- Links ---------------------------------------------------------------------
    // The windows that show the document; nullptr detaches (a host with no frame).
    void SetHost(DocumentHost* host);
    DocumentHost& Host() const { return *host_; }
    // The controller link the document talks to (the monitor, once it exists).
    void SetControllerLink(std::unique_ptr<ControllerLink> link);
    ControllerLink& Controller() const { return *controller_; }
    void SetGraph(CurveGraph* graph) { graph_ = graph; }
    CurveGraph* Graph() const { return graph_; }
    SettingsStore& Settings() const { return *settings_; }
    CFormulaParser& Parser() { return parser_; }

    // --- Reporting -----------------------------------------------------------------
    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags);
    // 0 when there is no main window, else 1.
    int SetStatusText(const std::string& text);
    void RefreshViews(int rebuild);
    int NotifyChange(int flags, void* sheet);
    // Set outside a step, the mark also means that no undo leads back to the saved file;
    // cleared, the document matches its file again (New, Open, Save).
    void SetModifiedFlag(bool modified = true);
    bool IsModified() const { return modified_; }

    // --- Lifecycle -----------------------------------------------------------------
    void ResetDocument();
    // File>New's document step; the caller (the application) clears the modified mark
    // as the framework's own new-document step does.
    bool OnNewDocument();
    void RecomputeDefinitionDir();
    std::string DefinitionFilePath() const;

    // --- Calibration files ---------------------------------------------------------
    // File>Open: all or nothing. On failure a message box names the file and what is
    // wrong, and the open calibration stays exactly as it was.
    bool OnOpenDocument(const std::string& path);
    // File>Save and Save As: crash-safe; on failure a message box says why and the file on
    // disk stays as it was.
    bool OnSaveDocument(const std::string& path);
    // The calibration file's bytes (the current format).
    std::string SaveToBytes() const;
    // Makes this document a copy of other's calibration, definition and curve conversions;
    // its links (host, graph, controller) stay its own.
    void CopyCalibration(const CVLXDoc& other);
    // Reads a calibration file's bytes as File>Open does, after the first line has been
    // recognised. Returns 1 when loaded, 0 when rejected (a message was shown and nothing
    // changed), -1 when the bytes are malformed (failure says why; the caller restores).
    int LoadFromBytes(std::string_view bytes, std::string& failure);
    // The older text format, after its first line ("GVR01" in quotes) was read.
    int ImportLegacyFile(ByteReader& reader, std::string& failure);
    // 1 when the map file could be opened; value changes only when a line applies.
    int ReadMapEntry(const std::string& mapPath, const std::string& key, std::string& value);

    // --- Definition engine ---------------------------------------------------------
    int LoadDefinitionFile(const std::string& path);
    int ReadDefinitionSummary(const std::string& path, std::string& logicalName,
                              std::string& transmissionType, std::string& description);
    int FindSection(std::string_view header, int continueSearch);
    int FindItemByLogicalName(std::string_view header, std::string_view logicalName);
    int ReadSectionTitles(std::string_view header, std::string& logicalName,
                          std::string& displayName, int continueSearch);
    // cursor: 0 starts at the scope's start; it is moved past the line read.
    int NextKeyLine(std::string& key, std::string& value, int& cursor, int scope);
    int ReadKeyString(std::string_view key, std::string& text, int scope,
                      const char* defaultValue = nullptr);
    int ReadKeyText(std::string_view key, std::string& buffer, int length, int scope,
                    const char* defaultValue = nullptr);
    int ReadKeyInt(std::string_view key, std::int32_t& out, int scope,
                   std::int32_t defaultValue = kNoIntDefault);
    int ReadKeyShort(std::string_view key, std::int16_t& out, int scope,
                     std::int32_t defaultValue = kNoIntDefault);
    int ReadKeyFloat(std::string_view key, float& out, int scope,
                     float defaultValue = kNoFloatDefault);
    int FindBlock(std::string_view keyword, std::string& header, int continueSearch);
    int FindBlockByLogicalName(std::string_view keyword, std::string_view logicalName);
    int ReadApplicationID();

    // --- Declarations and variables ------------------------------------------------
    IntVariableRef FindIntVariable(const std::string& name);
    FloatVariableRef FindFloatVariable(const std::string& name);
    int FindStringIndex(const std::string& name);
    int FindTableIndex(const std::string& name);
    int SetIntVariable(const std::string& name, std::int16_t value);
    int SetFloatVariable(const std::string& name, float value);
    void ClearDeclarations(int level);
    int ReadDeclarations(int level);
    int ApplyDeclarationAttribute(std::string_view prefix, const std::string& lineValue, int slot);
    int BuildMemoryImage(std::vector<std::uint8_t>& image);
    int ApplyMemoryImage(const std::vector<std::uint8_t>& image);

    // --- Curve settings and conversions --------------------------------------------
    int ReadGraphElementSettings(int curve);
    // Recomputes the points of every proxy curve from its ProxyFormula (BuildMemoryImage
    // does so on points it puts back afterwards).
    void ApplyProxyFormulas();
    int ResetGraphElement(int curve);
    std::uint8_t CurveToInternal(int curve, float value, int formulaSlot, std::int16_t offset,
                                 float x);
    float InternalToCurve(int curve, std::uint8_t raw, int formulaSlot);
    std::int16_t PadPoint(int curve, int point, int mode);
    // The graph's adjuster. delta is in internal units and in/out: 0 asks for value (in
    // display units) and receives the step that was applied; otherwise the step to apply.
    float AdjustCurvePoint(int curve, int point, float value, std::int16_t& delta);
    // A stored curve point in display units, as the graph shows it (0 out of range).
    float CurveDisplayValue(int curve, int point);
    void LoadCurvesIntoGraph();
    // The curve's legend name in the graph; empty without a graph.
    std::string CurveName(int curve) const;
    // Stores value (display units) as the nearest value the curve can hold, through
    // AdjustCurvePoint so its limits apply; returns the value shown afterwards.
    float SetCurvePointValue(int curve, int point, float value);
    // Sets the points as one step named name plus the points it changed ("Smooth 4 Points
    // of 1-2") and shows them in the graph. Non-finite values and points outside the
    // table are skipped. Returns how many stored values changed.
    int SetCurvePoints(std::string name, std::span<const CurvePointValue> values);

    // --- Formula bindings ----------------------------------------------------------
    int SubstituteReferences(std::string& formula, float x);
    int ApplyFormula(const std::string& formula, std::string& errorText);

    // --- Control state and action lists --------------------------------------------
    int ControlState(std::string_view scope, std::string_view name, std::string& text, int write);
    int GetControlState(std::string_view scope, std::string_view name, float& value);
    int SetControlState(std::string_view scope, std::string_view name, float& value);
    int GetControlState(std::string_view scope, std::string_view name, std::int32_t& value);
    int SetControlState(std::string_view scope, std::string_view name, std::int32_t& value);
    // callerValue: the value "V" entries take (int16 for I:V, float for F:V); nullptr when
    // the caller has none. match: in 1 = apply, else test only; out 1 when all matched.
    int ApplyActionList(std::string_view key, int scope, const double* callerValue, int* match);
    int MatchActionState(const std::string& format, int scope, int& state);

    // --- Change log: undo and redo ---------------------------------------------------
    // Every user-level change runs between BeginChange and EndChange (ChangeScope does
    // both, and they nest); what it changed becomes one step that Undo and Redo walk.
    void BeginChange(std::string name, ChangeNaming naming = ChangeNaming::kAsGiven,
                     const void* mergeKey = nullptr);
    void EndChange();
    // Takes back (does again) the last step and refreshes the views as a load does; 0
    // when there is none or a step is open.
    int Undo();
    int Redo();
    bool CanUndo() const { return changeLog_.CanUndo(); }
    bool CanRedo() const { return changeLog_.CanRedo(); }
    // The name of the step Undo (Redo) acts on, such as "Move 3 Points of 1-2 Up".
    std::string UndoName() const { return changeLog_.UndoName(); }
    std::string RedoName() const { return changeLog_.RedoName(); }
    // New and Open start a fresh history.
    void ClearHistory() {
        changeLog_.Clear();
        if (modified_)
            changeLog_.ForgetSaved();
    }
    ChangeLog& History() { return changeLog_; }

    // --- Calibration data (saved unless marked transient) --------------------------
    std::array<std::int16_t, kNumCurves * kPointsPerCurve> CurveTable{};
    std::array<CurveSettings, kNumCurves> CurveSettingsTable{}; // transient
    // Curves whose values follow their ProxyFormula (set by the tuning bar; transient).
    std::array<std::uint8_t, kNumCurves> ProxyActive{};
    std::array<std::array<ConvPair, kConvPairs>, kNumCurves> ConvTable{};
    std::string DefinitionText;
    std::string ControlStateText;
    std::string ReservedText;
    std::array<std::string, kNumHeaderStrings> Header{};
    IdentityBlock Identity;
    DeclarationsBlock Declarations;
    std::vector<VariableSlot> VariableTable;
    std::array<std::string, kMaxFormulas> StoreFormulas{};
    std::array<std::string, kMaxFormulas> LoadFormulas{};
    DisplayBlock Display;
    ByteBlock<508> ReservedBlock508;
    ByteBlock<1024> ReservedBlock1024;

    // Scope cursors (transient).
    int SectionStart = 0;
    int SectionEnd = 0;
    int ItemCursor = 0;
    int BlockStart = 0;
    int BlockEnd = 0;

    // Paths and versions (transient).
    std::string ProgramDir;
    std::string DefinitionDir;
    std::int16_t PackageVersion = 0;

    std::int16_t& Point(int curve, int point) {
        return CurveTable[static_cast<std::size_t>(curve * kPointsPerCurve + point)];
    }
    std::int16_t Point(int curve, int point) const {
        return CurveTable[static_cast<std::size_t>(curve * kPointsPerCurve + point)];
    }
    CurveSettings& Curve(int curve) { return CurveSettingsTable[static_cast<std::size_t>(curve)]; }
    VariableSlot& Slot(int slot) { return VariableTable[static_cast<std::size_t>(slot)]; }

private:
    // Everything a failed open must put back.
    struct SavedState;
    std::unique_ptr<SavedState> CaptureState() const;
    void RestoreState(SavedState& state);
    // Brings what follows the restored fields up to date after an undo or redo.
    void AfterRestore(const ChangeEffect& effect);
    void LoadCurveIntoGraph(int curve);
    int ReadCurrentFormat(ByteReader& reader, std::string& failure);
    void AttachToDefinitions();

    struct Scope {
        int start;
        int end;
        bool valid;
    };
    Scope ScopeOf(int scope) const;
    // The value of key in the scope, or nullopt when its first occurrence is outside it.
    std::optional<std::string> KeyValue(std::string_view key, int scope) const;
    // First used slot of that name whose type is of the same kind (kTypeI8 stands for any
    // integer type, kTypeT8 for any curve table); -1 when there is none.
    int FindVariableSlot(const std::string& name, std::uint8_t kind) const;
    int UsedSlots() const;
    // 1 when every table cell and scalar of the image walk lies inside an image of that size.
    int ImageLayoutFits(std::size_t imageSize) const;
    long long CellPosition(const VariableSlot& slot, int cell) const;
    long long ScalarPosition(const VariableSlot& slot) const;
    // Applies the store (or load) formulas; 0 when the list claims more than it can hold.
    int RunFormulaList(bool store);
    const std::string& CurveFormula(int curve, int slot);
    double EvaluateCurveFormula(int curve, int slot, double x, float referenceX);

    SettingsStore* settings_;
    DocumentPlatform* platform_;
    NullDocumentHost nullHost_;
    DocumentHost* host_ = &nullHost_;
    std::unique_ptr<ControllerLink> controller_;
    CurveGraph* graph_ = nullptr;
    CFormulaParser parser_;
    bool modified_ = false;
    ChangeLog changeLog_;
};

// Runs a change as one step of the document's history.
class ChangeScope {
public:
    ChangeScope(CVLXDoc& doc, std::string name, ChangeNaming naming = ChangeNaming::kAsGiven,
                const void* mergeKey = nullptr)
        : doc_(doc) {
        doc_.BeginChange(std::move(name), naming, mergeKey);
    }
    ~ChangeScope() { doc_.EndChange(); }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

private:
    CVLXDoc& doc_;
};

// The first character of "Package.ver" in the program directory as a byte value, 0 when
// the file cannot be opened.
std::int16_t ReadPackageVersion(const std::string& programDir);

} // namespace vexa
