#pragma once
// The one expression evaluator behind every conversion a definition file asks for: curve
// conversions, store and load formulas, edit-box and tuning-bar formulas, live data items.
//
// A formula is infix text over numbers, the variable x, the constants A to H and the
// functions of FunctionNames(). Variable references are substituted by the caller before
// the text gets here. Evaluation happens while parsing (no syntax tree), in double
// precision, and never fails hard: every fault yields a value plus an error text, and the
// caller decides whether to use the value.
#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace vexa {

class CFormulaParser {
public:
    // Shows a modal message box (text, caption, message-box flags) and returns the button
    // pressed. The owner routes it to its DocumentHost; without one the answer is OK (1).
    using MessageBoxFunction =
        std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;

    // Function names in the order they are tried; slot 0 is never matched. Longer names
    // come before their prefixes (SINH before SIN, ARCTAN before TAN, LN before LOG).
    static constexpr std::array<std::string_view, 26> kFunctionNames = {
        "",    "PI",  "ABS",  "SQRT",   "SINH",   "COSH",   "TANH",   "ARCTAN", "LN",
        "LOG", "EXP", "SIN",  "COS",    "TAN",    "COT",    "ARCSIN", "ARCCOS", "INT",
        "RAD", "DEG", "SIGN", "ARSINH", "ARCOSH", "ARTANH", "KGV",    "GGT"};

    // Error texts of the domain errors; each starts with a space because it is appended to
    // "Error found on position %d!" when a syntax error follows.
    static constexpr std::string_view kDivideByZero = " Divide by zero!";
    static constexpr std::string_view kNegativeRoot = " No SQRT from neg. values!";
    static constexpr std::string_view kDomainError = " General Parser Error blocked!";

    // x = 0.0 is evaluated as this value (the smallest normal float), so that formulas
    // dividing by x stay finite.
    static constexpr double kZeroX = 1.1754943508222875e-38;

    CFormulaParser();

    // Evaluates formula for the given x and returns its value.
    // - Empty formula: returns 0.0 and leaves errorPosition and errorText untouched.
    // - Success: errorPosition = 0, errorText = "" or the last domain error text.
    // - Syntax error: returns the value of the part parsed so far; errorPosition = the
    //   1-based position, in the simplified text (Formula()), of the first character not
    //   consumed; errorText = "Error found on position N!" followed by any domain error text.
    // - Internal fault: returns 0.0, errorText = "System Error: " + reason, errorPosition
    //   untouched.
    // simplify != 0 runs Simplify() first; every caller in the program passes 1.
    double Evaluate(const std::string& formula, double x, int& errorPosition,
                    std::string& errorText, int simplify = 1);

    // Stores value in constant slot index (1 to 9; slots 1 to 8 are read as A to H) and
    // returns index. Any other index is a programming error: it is shown in a message box
    // and the box's result is returned.
    int SetFunctConst(int index, double value);

    // Routes SetFunctConst's message box; caption is the application's title.
    void SetMessageBox(MessageBoxFunction show, std::string caption = "VEXA Transmission Control");

    // The text of the last evaluation after simplification.
    const std::string& Formula() const { return m_formula; }
    // The domain error text of the last evaluation (empty when none occurred).
    const std::string& ErrorText() const { return m_errorText; }
    // Constant slot index (1 to 9); 0.0 for any other index.
    double Constant(int index) const;

    // The normalisation applied before evaluating: blanks dropped, decimal commas and all
    // bracket kinds accepted, redundant parentheses and multiplications by (1) removed.
    // The value of a well-formed formula never changes; error positions refer to the result.
    static std::string Simplify(std::string formula);

private:
    // Recursive descent, one function per precedence level.
    double Expression();
    double Term();
    double Power();
    double Signed();
    double Primary();
    double ApplyFunction(std::size_t slot, double v);

    // The character at the current 1-based position, or kEnd past the text.
    int Token() const;
    // Advances one position and skips blanks.
    void NextToken();

    static constexpr int kEnd = -1;

    std::string m_formula;
    std::string m_errorText;
    double m_x = 0.0;
    std::array<double, 10> m_constants{}; // slot 0 unused
    std::size_t m_position = 0;           // 1-based; 0 before the first token
    int m_depth = 0;                      // current nesting, bounded to protect the stack
    MessageBoxFunction m_showMessage;
    std::string m_caption = "VEXA Transmission Control";
};

} // namespace vexa
