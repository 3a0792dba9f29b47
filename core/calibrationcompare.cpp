#include "core/calibrationcompare.h"

#include "core/displayformula.h"
#include "core/graphicaltuning.h"
#include "core/numbertext.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

namespace vexa {

namespace {

// A numeric settings field that shows a variable.
struct SettingsField {
    std::string label;
    DisplayFormula display;
    int kind = -1; // 0 integer, 1 float, as the field's StoreFormula names the variable
};

// The first numeric field of any page that writes each variable, as the pages build them:
// UserOption EditBox blocks whose first StoreFormula names a variable.
std::map<std::string, SettingsField> SettingsFields(CVLXDoc& doc) {
    std::map<std::string, SettingsField> fields;
    doc.SectionStart = 0;
    while (doc.FindSection("[", 1)) {
        std::string type;
        for (int more = 0; doc.FindBlock("UserOption", type, more); more = 1) {
            if (type != "EditBox")
                continue;
            std::string text;
            doc.ReadKeyString("StoreFormula", text, kBlockScope);
            const StoreTarget target = ParseStoreFormula(text);
            // A shorter name keeps the field's value in the control state, not in a variable.
            if (target.kind < 0 || target.name.size() < 3 || fields.contains(target.name))
                continue;
            SettingsField field;
            field.kind = target.kind;
            doc.ReadKeyString("DisplayName", field.label, kBlockScope);
            doc.ReadKeyString("DisplayFormula", text, kBlockScope, "%#.2f = x");
            field.display = ParseDisplayFormula(text);
            fields.emplace(target.name, std::move(field));
        }
    }
    return fields;
}

bool IsComparedType(std::uint8_t type) {
    return IsIntegerType(type) || type == kTypeF32 || type == kTypeSTR;
}

// The slot of every named variable that holds a value, first occurrence of each name.
std::vector<std::pair<std::string, int>> ValueVariables(const CVLXDoc& doc) {
    std::vector<std::pair<std::string, int>> found;
    const int used =
        static_cast<int>(std::min<std::uint32_t>(doc.Declarations.VariableCount(), kMaxVariables));
    for (int i = 0; i < used; ++i) {
        const VariableSlot& slot = doc.VariableTable[static_cast<std::size_t>(i)];
        if (slot.name.empty() || !IsComparedType(slot.type))
            continue;
        const bool seen = std::any_of(found.begin(), found.end(),
                                      [&](const auto& entry) { return entry.first == slot.name; });
        if (!seen)
            found.emplace_back(slot.name, i);
    }
    return found;
}

std::string StringValue(const CVLXDoc& doc, int slot) {
    const auto next = static_cast<std::size_t>(slot) + 1;
    return next < doc.VariableTable.size() ? doc.VariableTable[next].name : std::string();
}

// The value as the program keeps it: what the variable lookups read.
std::string StoredText(const CVLXDoc& doc, int slot) {
    const VariableSlot& v = doc.VariableTable[static_cast<std::size_t>(slot)];
    if (v.type == kTypeI32)
        return std::to_string(v.I32());
    if (IsIntegerType(v.type))
        return std::to_string(v.I16());
    if (v.type == kTypeF32)
        return FormatG(static_cast<double>(v.F32()));
    return "\"" + StringValue(doc, slot) + "\"";
}

bool SameValue(const CVLXDoc& a, int slotA, const CVLXDoc& b, int slotB) {
    const VariableSlot& x = a.VariableTable[static_cast<std::size_t>(slotA)];
    const VariableSlot& y = b.VariableTable[static_cast<std::size_t>(slotB)];
    if (x.type == kTypeSTR || y.type == kTypeSTR)
        return x.type == y.type && StringValue(a, slotA) == StringValue(b, slotB);
    if (x.type == kTypeF32 || y.type == kTypeF32)
        return x.type == y.type && x.value.bytes == y.value.bytes;
    if (x.type == kTypeI32 || y.type == kTypeI32)
        return x.I32() == y.I32();
    return x.I16() == y.I16();
}

class ShownValues {
public:
    explicit ShownValues(CVLXDoc& doc) : doc_(doc), fields_(SettingsFields(doc)) {}

    // As the settings field shows it; the stored text when no field of the same kind shows it.
    std::string Shown(int slot, std::string* label) {
        const VariableSlot& v = doc_.VariableTable[static_cast<std::size_t>(slot)];
        const auto field = fields_.find(v.name);
        const bool integer = IsIntegerType(v.type);
        if (field == fields_.end() || !(integer || v.type == kTypeF32) ||
            field->second.kind != (integer ? 0 : 1))
            return StoredText(doc_, slot);
        if (label)
            *label = field->second.label;
        const double value = integer ? static_cast<double>(v.I16()) : static_cast<double>(v.F32());
        return ShowSettingValue(doc_, parser_, field->second.display, value);
    }

private:
    CVLXDoc& doc_;
    std::map<std::string, SettingsField> fields_;
    CFormulaParser parser_;
};

// A curve a calibration uses: declared by a table variable or drawn by the tuning bar.
struct CurveEntry {
    std::string key;  // what it is matched by
    std::string name; // what the legend calls it
};

std::array<CurveEntry, kNumCurves> CurvesInUse(CVLXDoc& doc) {
    std::array<CurveEntry, kNumCurves> curves;
    std::array<std::string, kNumCurves> tableNames;
    const int used =
        static_cast<int>(std::min<std::uint32_t>(doc.Declarations.VariableCount(), kMaxVariables));
    for (int i = 0; i < used; ++i) {
        const VariableSlot& slot = doc.VariableTable[static_cast<std::size_t>(i)];
        if (IsTableType(slot.type) && slot.index < kNumCurves && !slot.name.empty() &&
            tableNames[slot.index].empty())
            tableNames[slot.index] = slot.name;
    }
    std::array<std::string, kNumCurves> logicalNames;
    std::array<std::string, kNumCurves> displayNames;
    if (doc.FindSection("[GraphicalTuning]", 0)) {
        std::string type;
        for (int more = 0; doc.FindBlock("GraphElement", type, more); more = 1) {
            std::int32_t trace = -1;
            if (type != "Trace" || !doc.ReadKeyInt("TraceNum", trace, kBlockScope) || trace < 0 ||
                trace >= kNumCurves)
                continue;
            const auto t = static_cast<std::size_t>(trace);
            doc.ReadKeyText("LogicalName", logicalNames[t], 50, kBlockScope);
            doc.ReadKeyText("DisplayName", displayNames[t], 80, kBlockScope);
            if (logicalNames[t].empty() && displayNames[t].empty())
                displayNames[t] = "Curve " + std::to_string(trace);
        }
    }
    for (std::size_t c = 0; c < curves.size(); ++c) {
        for (const std::string* key : {&tableNames[c], &logicalNames[c], &displayNames[c]}) {
            if (!key->empty()) {
                curves[c].key = *key;
                break;
            }
        }
        curves[c].name = displayNames[c].empty() ? curves[c].key : displayNames[c];
    }
    return curves;
}

int FindCurve(const std::array<CurveEntry, kNumCurves>& curves, const std::string& key) {
    for (std::size_t c = 0; c < curves.size(); ++c) {
        if (curves[c].key == key)
            return static_cast<int>(c);
    }
    return -1;
}

} // namespace

bool CalibrationComparison::Same() const {
    return !TypesDiffer() && variables.empty() && points.empty() && variablesOnlyHere.empty() &&
           variablesOnlyThere.empty() && curvesOnlyHere.empty() && curvesOnlyThere.empty();
}

std::string ShownCurveValue(float value) {
    char text[48];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value));
    std::string shown = text;
    if (shown.ends_with(".0"))
        shown.resize(shown.size() - 2);
    return shown == "-0" ? "0" : shown;
}

std::string CurvePointPlace(const CurvePointDifference& difference) {
    return difference.name + " point " + std::to_string(difference.point);
}

namespace {

// Keeps a document's definition scopes and host while it is compared: whoever reads the
// definition when a comparison runs in between finds its scopes as it left them, and a
// reference the comparison cannot resolve shows no message.
class QuietReading {
public:
    explicit QuietReading(CVLXDoc& doc)
        : doc_(doc), host_(doc.Host()), scopes_{doc.SectionStart, doc.SectionEnd, doc.ItemCursor,
                                                doc.BlockStart, doc.BlockEnd} {
        doc_.SetHost(nullptr);
    }
    ~QuietReading() {
        doc_.SetHost(&host_);
        doc_.SectionStart = scopes_[0];
        doc_.SectionEnd = scopes_[1];
        doc_.ItemCursor = scopes_[2];
        doc_.BlockStart = scopes_[3];
        doc_.BlockEnd = scopes_[4];
    }
    QuietReading(const QuietReading&) = delete;
    QuietReading& operator=(const QuietReading&) = delete;

private:
    CVLXDoc& doc_;
    DocumentHost& host_;
    std::array<int, 5> scopes_;
};

} // namespace

CalibrationComparison CompareCalibrations(CVLXDoc& here, CVLXDoc& there) {
    const QuietReading quietHere(here);
    const QuietReading quietThere(there);
    CalibrationComparison result;
    result.typeHere = here.Header[kTransmissionType];
    result.typeThere = there.Header[kTransmissionType];
    result.matchedCurve.fill(-1);

    const auto variablesHere = ValueVariables(here);
    const auto variablesThere = ValueVariables(there);
    ShownValues shownHere(here);
    ShownValues shownThere(there);
    for (const auto& [name, slot] : variablesHere) {
        const auto other = std::find_if(variablesThere.begin(), variablesThere.end(),
                                        [&name](const auto& entry) { return entry.first == name; });
        if (other == variablesThere.end()) {
            result.variablesOnlyHere.push_back(name);
            continue;
        }
        if (SameValue(here, slot, there, other->second))
            continue;
        VariableDifference difference;
        difference.name = name;
        difference.here = shownHere.Shown(slot, &difference.label);
        difference.there =
            shownThere.Shown(other->second, difference.label.empty() ? &difference.label : nullptr);
        difference.storedHere = StoredText(here, slot);
        difference.storedThere = StoredText(there, other->second);
        result.variables.push_back(std::move(difference));
    }
    for (const auto& [name, slot] : variablesThere) {
        const bool inHere = std::any_of(variablesHere.begin(), variablesHere.end(),
                                        [&name](const auto& entry) { return entry.first == name; });
        if (!inHere)
            result.variablesOnlyThere.push_back(name);
    }

    const auto curvesHere = CurvesInUse(here);
    const auto curvesThere = CurvesInUse(there);
    for (int c = 0; c < kNumCurves; ++c) {
        const CurveEntry& curve = curvesHere[static_cast<std::size_t>(c)];
        if (curve.key.empty())
            continue;
        const int other = FindCurve(curvesThere, curve.key);
        if (other < 0) {
            result.curvesOnlyHere.push_back(curve.name);
            continue;
        }
        result.matchedCurve[static_cast<std::size_t>(c)] = other;
        for (int p = 0; p < kPointsPerCurve; ++p) {
            const std::int16_t a = here.Point(c, p);
            const std::int16_t b = there.Point(other, p);
            if (a == b)
                continue;
            result.points.push_back({c, other, curve.name, p, here.CurveDisplayValue(c, p),
                                     there.CurveDisplayValue(other, p), a, b});
        }
    }
    for (const CurveEntry& curve : curvesThere) {
        if (!curve.key.empty() && FindCurve(curvesHere, curve.key) < 0)
            result.curvesOnlyThere.push_back(curve.name);
    }
    return result;
}

int ComparedCalibration::Recorder::MessageBox(const std::string& text, const std::string& caption,
                                              unsigned) {
    texts += (texts.empty() ? "" : "\n") + caption + (caption.empty() ? "" : " ") + text;
    return kIdOk;
}

ComparedCalibration::ComparedCalibration(SettingsStore& settings, const std::string& programDir)
    : doc_(CVLXDocServices{&settings, programDir, nullptr}) {
    doc_.SetGraph(&graph_);
    doc_.SetHost(&host_);
}

bool ComparedCalibration::Open(const std::string& path, std::string& error) {
    host_.texts.clear();
    if (!doc_.OnOpenDocument(path)) {
        error =
            host_.texts.empty() ? "The file \"" + path + "\" could not be opened." : host_.texts;
        return false;
    }
    // The curve conversions come with the tuning bar's description, as for a shown document.
    std::vector<TuningControl> controls;
    BuildGraphicalTuning(doc_, controls);
    return true;
}

} // namespace vexa
