#pragma once
// The graph crosshair for a moment of a data log: the items of the document's definition
// that drive the crosshair (CrosshairMode X or Y) are found among the log's columns, and
// their recorded values go through the same crosshair formulas as live polling
// (CrosshairCoordinate), so the crosshair lands where it stood while the car drove.
#include "datalog/datalogfile.h"
#include "formula/formulaparser.h"
#include "link/polling.h"

#include <vector>

namespace vexa {

class CVLXDoc;

class CLogCrosshair {
public:
    // No coordinate for an axis: SetCrosshair leaves a -1000 coordinate as it is.
    static constexpr float kUnchanged = -1000.0f;

    // Reads the [DataItems] of doc's definition (moving the document's scopes) and matches
    // the crosshair items to log's columns: by the column name the program writes for the
    // item, else by its LogicalName. Items whose crosshair formula reads the controller
    // (an M: reference) cannot be replayed and are left out. doc and log must outlive this.
    CLogCrosshair(CVLXDoc& doc, const DataLog& log);

    // Whether any crosshair item was found in the log.
    bool Available() const { return !axes_.empty(); }

    // The crosshair at time t, from the latest value at or before t of each crosshair item.
    // Returns false when t lies before the log's first row; an axis whose item has no value
    // yet is kUnchanged.
    bool At(double t, float& x, float& y);

private:
    struct Axis {
        DataItem item;
        char axis = 0; // 'X' or 'Y'
        int channel = -1;
        // Enumerated columns: the item's value for each level of the column (-1: none).
        std::vector<double> levelValues;
    };

    CVLXDoc& doc_;
    const DataLog& log_;
    CFormulaParser parser_;
    std::vector<Axis> axes_;
};

// Whether a formula reads the controller (an M: reference).
bool ReadsController(const std::string& formula);

} // namespace vexa
