#pragma once
// How the definition's numeric settings fields show and store a variable: the
// "DisplayFormula <printf format> = <formula of x>" that turns a variable's value into the
// text a field shows, and the "StoreFormula I@Name = <formula>" that names the variable a
// field writes. The settings fields and the calibration comparison share them, so a value
// reads the same in both.
#include "formula/formulaparser.h"

#include <string>

namespace vexa {

class CVLXDoc;

// Splits "format = formula" at its first "=" when that is not the first character; the
// format loses its trailing blanks, the formula its blanks at both ends.
bool SplitAtEquals(const std::string& text, std::string& before, std::string& after);

// Whether format's conversions are all for doubles (f F e E g G a A, with flags, a width
// and precision of at most 255, optionally the 'l' length) and at most count of them. "%%"
// counts as text; '*', %n and every other conversion are refused.
bool FormatFitsDoubles(const std::string& format, int count);

// printf of up to three doubles; the caller has checked format with FormatFitsDoubles.
std::string FormatDoubles(const std::string& format, double a, double b = 0.0, double c = 0.0);

// A field's display: the value shown is FormatDoubles(format, formula(x = value)).
struct DisplayFormula {
    std::string format = "%#.2f";
    std::string formula = "x";
};

// The DisplayFormula key's text. Without an "=" the whole text is the formula; a format
// that would read arguments it is not given keeps the default.
DisplayFormula ParseDisplayFormula(const std::string& text);

// A StoreFormula key: the formula that turns what was typed into the value, and the
// variable it is written to.
struct StoreTarget {
    std::string formula;
    std::string name; // without the kind letter and "@"
    int kind = -1;    // 0 integer variable, 1 float variable, -1 none
};

// "I@Name = formula" (or "F@..."); a text without "=" is a bare formula with no target.
StoreTarget ParseStoreFormula(const std::string& text);

// formula at x with the document's references (I:, F:, T:, M:) replaced by their values.
double EvaluateSettingFormula(CVLXDoc& doc, CFormulaParser& parser, const std::string& formula,
                              double x);

// The text a field with this display shows for value.
std::string ShowSettingValue(CVLXDoc& doc, CFormulaParser& parser, const DisplayFormula& display,
                             double value);

} // namespace vexa
