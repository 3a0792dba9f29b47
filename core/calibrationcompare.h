#pragma once
// Two calibrations side by side: every variable whose value differs, every curve point that
// differs, and what exists on one side only. Variables are matched by name; curves by the
// name of their table variable (else the name the "Graph Controls" bar gives them), so two
// calibrations of different transmission types are compared wherever their names agree.
//
// Values are given as a person sees them: a variable that a numeric settings field shows
// reads as that field shows it (its DisplayFormula, with its own calibration's references),
// any other as stored; curve points in the display units of the graph. Each side is
// converted with its own definition.
#include "core/curvegraph.h"
#include "core/documenthost.h"
#include "core/vlxdoc.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

struct VariableDifference {
    std::string name;  // the variable's name
    std::string label; // the DisplayName of the settings field that shows it, empty when none
    std::string here;  // the value as shown in the first calibration
    std::string there; // and in the second
    // The stored values, for when the shown ones round to the same text.
    std::string storedHere;
    std::string storedThere;
};

struct CurvePointDifference {
    int curve = 0;      // the curve (trace) in the first calibration
    int otherCurve = 0; // the curve it was compared with in the second
    std::string name;   // as the graph's legend names it in the first calibration
    int point = 0;
    float here = 0.0f; // display units
    float there = 0.0f;
    std::int16_t storedHere = 0;
    std::int16_t storedThere = 0;
};

struct CalibrationComparison {
    std::string typeHere; // TransmissionType of each calibration
    std::string typeThere;
    std::vector<VariableDifference> variables; // in the first calibration's order
    std::vector<CurvePointDifference> points;  // by curve, then point
    // Names that only one side has.
    std::vector<std::string> variablesOnlyHere;
    std::vector<std::string> variablesOnlyThere;
    std::vector<std::string> curvesOnlyHere;
    std::vector<std::string> curvesOnlyThere;
    // For each curve of the first calibration, the curve of the second it was compared with,
    // or -1 when the second has none of that name.
    std::array<int, kNumCurves> matchedCurve{};

    bool TypesDiffer() const { return typeHere != typeThere; }
    // True when nothing differs: same type, no differing value, nothing on one side only.
    bool Same() const;
};

// Compares two calibrations. Both documents must have their curve conversions read, as
// RefreshViews does for a shown document and ComparedCalibration for another. Nothing of
// either document changes, its definition scopes included, and a reference that cannot be
// resolved shows no message (the value reads as the formula gives it).
CalibrationComparison CompareCalibrations(CVLXDoc& here, CVLXDoc& there);

// A curve point's display value as the comparison lists it: one decimal, none when it is 0
// ("11.1", "70").
std::string ShownCurveValue(float value);

// Where a curve point difference lies: "1-2 Up point 4", the point numbered as the graph's
// x axis labels it (0 to 9).
std::string CurvePointPlace(const CurvePointDifference& difference);

// A calibration file opened only to be compared or shown beside another: no window shows
// it and no controller is attached. Its curve conversions are read as for the open document.
class ComparedCalibration {
public:
    ComparedCalibration(SettingsStore& settings, const std::string& programDir);
    ComparedCalibration(const ComparedCalibration&) = delete;
    ComparedCalibration& operator=(const ComparedCalibration&) = delete;

    // Opens the file as File>Open does. False with what went wrong in error (the texts of the
    // open's message boxes).
    bool Open(const std::string& path, std::string& error);
    CVLXDoc& Doc() { return doc_; }

private:
    class Recorder : public NullDocumentHost {
    public:
        int MessageBox(const std::string& text, const std::string& caption,
                       unsigned flags) override;
        std::string texts;
    };
    NullCurveGraph graph_;
    Recorder host_;
    CVLXDoc doc_;
};

} // namespace vexa
