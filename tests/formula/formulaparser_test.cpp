#include "formula/formulaparser.h"

#include "tests/support/recordinghost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace vexa {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;

struct Result {
    double value = 0.0;
    int errorPosition = -7; // sentinel: shows whether Evaluate wrote it
    std::string errorText = "untouched";
};

Result Eval(CFormulaParser& parser, const std::string& formula, double x = 1.0, int simplify = 1) {
    Result r;
    r.value = parser.Evaluate(formula, x, r.errorPosition, r.errorText, simplify);
    return r;
}

Result Eval(const std::string& formula, double x = 1.0, int simplify = 1) {
    CFormulaParser parser;
    return Eval(parser, formula, x, simplify);
}

std::string PositionError(int position) {
    return "Error found on position " + std::to_string(position) + "!";
}

void ExpectValue(double expected, double actual) {
    if (std::isinf(expected))
        EXPECT_EQ(expected, actual);
    else
        EXPECT_DOUBLE_EQ(expected, actual);
}

struct Case {
    const char* formula;
    double x;
    double value;
    int errorPosition;
    std::string errorText;
};

const std::string kNoError;
const std::string kDivide(CFormulaParser::kDivideByZero);
const std::string kRoot(CFormulaParser::kNegativeRoot);
const std::string kDomain(CFormulaParser::kDomainError);

void CheckCases(const std::vector<Case>& cases, int simplify = 1) {
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("formula: ") + c.formula + "  x=" + std::to_string(c.x));
        const Result r = Eval(c.formula, c.x, simplify);
        ExpectValue(c.value, r.value);
        EXPECT_EQ(c.errorPosition, r.errorPosition);
        EXPECT_EQ(c.errorText, r.errorText);
    }
}

TEST(FormulaParser, ArithmeticAndPrecedence) {
    CheckCases({
        {"2+3*4", 1, 14, 0, kNoError},
        {"(2+3)*4", 1, 20, 0, kNoError},
        {"2+3*4^2", 1, 50, 0, kNoError},
        {"8-2-2", 1, 4, 0, kNoError},
        {"8/2/2", 1, 2, 0, kNoError},
        {"2^3^2", 1, 64, 0, kNoError},
        // The sign binds tighter than "^" and takes one primary only.
        {"-2^2", 1, 4, 0, kNoError},
        {"-3^2", 1, 9, 0, kNoError},
        {"2^-1", 1, 0.5, 0, kNoError},
        {"2^-2^2", 1, 0.0625, 0, kNoError},
        {"-x", 5, -5, 0, kNoError},
        {"--2", 1, -2, 0, kNoError},
        // No unary plus: "+3" after "*" is a missing operand (0) plus 3.
        {"2*+3", 1, 3, 0, kNoError},
        {"+3", 1, 3, 0, kNoError},
        {"x*0.5+20", 100, 70, 0, kNoError},
        {"(1200-800)*0.25+x/4", 8, 102, 0, kNoError},
        {"X*2", 3, 6, 0, kNoError},
        // A missing operand at the end of the text counts as 0.
        {"2*", 1, 0, 0, kNoError},
        {"", 1, 0, -7, "untouched"},
    });
}

TEST(FormulaParser, NumbersAreRunsOfDigitsAndDots) {
    CheckCases({
        {"1,5*2", 1, 3, 0, kNoError},
        {"3 4", 1, 34, 0, kNoError},
        {"1.5.7", 1, 1.5, 0, kNoError},
        {".5*2", 1, 1, 0, kNoError},
        {"5.", 1, 5, 0, kNoError},
        {".", 1, 0, 0, kNoError},
        {"1E3", 1, 1, 2, PositionError(2)},
        {"0x10", 1, 0, 2, PositionError(2)},
    });
    EXPECT_EQ(kInf, Eval("1" + std::string(400, '0')).value);
    EXPECT_EQ(0.0, Eval("0." + std::string(400, '0') + "1").value);
}

TEST(FormulaParser, SyntaxErrorsReportPositionInSimplifiedText) {
    CheckCases({
        {"(1+2", 1, 3, 0, kNoError},
        {"((1+2)*3", 1, 9, 0, kNoError},
        {"1+2)", 1, 3, 4, PositionError(4)},
        {"2*(3+4))", 1, 14, 8, PositionError(8)},
        // The outer parentheses are stripped first, so the stray ")" moves to 4.
        {"(1+2))", 1, 3, 4, PositionError(4)},
        {"2#3", 1, 2, 2, PositionError(2)},
        {"#", 1, 0, 1, PositionError(1)},
        {"x y", 1, 1, 2, PositionError(2)},
        {"1+2 )", 1, 3, 4, PositionError(4)},
        // A domain error before the syntax error is appended to the position text.
        {"10/0)", 1, 10, 5, PositionError(5) + kDivide},
        // Letters beyond H are no constants.
        {"I", 1, 0, 1, PositionError(1)},
    });
}

TEST(FormulaParser, WithoutSimplificationBlanksAreSkippedAndCount) {
    CheckCases(
        {
            {"3 4", 1, 3, 3, PositionError(3)},
            {" 2", 1, 2, 0, kNoError},
            {"2 * 3", 1, 6, 0, kNoError},
            {"(1+2))", 1, 3, 6, PositionError(6)},
            {"1,5", 1, 1, 2, PositionError(2)},
        },
        0);
}

TEST(FormulaParser, DomainErrorsKeepTheLeftValue) {
    CheckCases({
        {"10/0", 1, 10, 0, kDivide},
        {"2/", 1, 2, 0, kDivide},
        {"10/(1-1)*3", 1, 30, 0, kDivide},
        {"(-8)^(1/3)", 1, -8, 0, kRoot},
        {"(-2)^2", 1, 4, 0, kNoError},
        {"(-2)^3", 1, -8, 0, kNoError},
        {"(-2)^-1", 1, -2, 0, kRoot},
        {"(-2)^-2", 1, 0.25, 0, kNoError},
        {"0^1", 1, 0, 0, kRoot},
        {"0^2", 1, 0, 0, kNoError},
        {"0^0.5", 1, 0, 0, kRoot},
        {"SQRT(-4)", 1, -4, 0, kDomain},
        // Assigned, not accumulated: the last error of the evaluation wins.
        {"SQRT(-1)+10/0", 1, 9, 0, kDivide},
        {"10/0+SQRT(-1)", 1, 9, 0, kDomain},
    });
}

TEST(FormulaParser, Functions) {
    const double e = std::exp(1.0);
    CheckCases({
        {"PI*2", 1, 6.283185307179586, 0, kNoError},
        {"PI(5)", 1, kPi, 0, kNoError},
        {"2*DEG(PI)", 1, 360, 0, kNoError},
        {"ABS(-3)", 1, 3, 0, kNoError},
        {"sqrt(16)", 1, 4, 0, kNoError},
        {"SQRT(16)", 1, 4, 0, kNoError},
        {"Sqrt(2)", 1, std::sqrt(2.0), 0, kNoError},
        {"SINH(1)", 1, std::sinh(1.0), 0, kNoError},
        {"COSH(1)", 1, std::cosh(1.0), 0, kNoError},
        {"TANH(1)", 1, std::tanh(1.0), 0, kNoError},
        {"ARCTAN(1)", 1, kPi / 4, 0, kNoError},
        {"LN(1)", 1, 0, 0, kNoError},
        {"LN(0)", 1, -kInf, 0, kNoError},
        {"LN(-1)", 1, -1, 0, kDomain},
        {"LOG(1000)", 1, 3, 0, kNoError},
        {"LOG(-10)", 1, -10, 0, kDomain},
        {"EXP(1)", 1, e, 0, kNoError},
        {"EXP(41)", 1, std::exp(41.0), 0, kNoError},
        {"EXP(42)", 1, 42, 0, kDomain},
        {"SIN(1)", 1, std::sin(1.0), 0, kNoError},
        {"COS(1)", 1, std::cos(1.0), 0, kNoError},
        {"TAN(1)", 1, std::tan(1.0), 0, kNoError},
        {"COT(1)", 1, std::cos(1.0) / std::sin(1.0), 0, kNoError},
        {"COT(0)", 1, kInf, 0, kNoError},
        {"ARCSIN(0.5)", 1, std::asin(0.5), 0, kNoError},
        {"ARCSIN(1)", 1, 1, 0, kDomain},
        {"ARCCOS(1)", 1, 0, 0, kNoError},
        {"ARCCOS(1.5)", 1, 1.5, 0, kDomain},
        {"INT(2.7)", 1, 2, 0, kNoError},
        {"INT(-2.7)", 1, -2, 0, kNoError},
        {"INT(3000000000)", 1, 2147483647, 0, kNoError},
        {"INT(-3000000000)", 1, -2147483648.0, 0, kNoError},
        {"RAD(180)", 1, kPi, 0, kNoError},
        {"DEG(PI)", 1, 180, 0, kNoError},
        {"SIGN(-3)", 1, -1, 0, kNoError},
        {"SIGN(0)", 1, 0, 0, kNoError},
        {"SIGN(0.1)", 1, 1, 0, kNoError},
        {"ARSINH(1)", 1, std::log(1 + std::sqrt(2.0)), 0, kNoError},
        {"ARSINH(-1)", 1, -std::log(1 + std::sqrt(2.0)), 0, kNoError},
        {"ARCOSH(2)", 1, std::log(2 + std::sqrt(3.0)), 0, kNoError},
        {"ARCOSH(0.5)", 1, 0.5, 0, kDomain},
        {"ARTANH(0.5)", 1, 0.5 * std::log(3.0), 0, kNoError},
        {"ARTANH(1)", 1, kInf, 0, kNoError},
        {"ARTANH(2)", 1, 2, 0, kDomain},
        {"KGV(4)", 1, 4, 0, kNoError},
        {"GGT(4,6)", 1, 4.6, 0, kNoError},
        {"SQRT(ABS(SIN(x)*100))+LN(x+1)", 2,
         std::sqrt(std::fabs(std::sin(2.0) * 100)) + std::log(3.0), 0, kNoError},
        // The argument is one primary: no parentheses means the next number or x only.
        {"SQRT 16+9", 1, 13, 0, kNoError},
        {"SIN x^2", 2, std::sin(2.0) * std::sin(2.0), 0, kNoError},
        {"SIN -x", 2, -2, 0, kNoError},
        {"DEG PI", 1, 180, 0, kNoError},
    });
}

TEST(FormulaParser, XOfZeroIsTheSmallestNormalFloat) {
    for (const double zero : {0.0, -0.0}) {
        const Result times = Eval("x*2", zero);
        EXPECT_DOUBLE_EQ(2.350988701644575e-38, times.value);
        const Result divided = Eval("1/x", zero);
        EXPECT_DOUBLE_EQ(1.0 / 1.1754943508222875e-38, divided.value);
        EXPECT_EQ("", divided.errorText);
    }
    EXPECT_DOUBLE_EQ(-0.5, Eval("x*2", -0.25).value);
}

TEST(FormulaParser, EmptyFormulaLeavesOutputsAndStateAlone) {
    CFormulaParser parser;
    Eval(parser, "10/0");
    const Result r = Eval(parser, "");
    EXPECT_EQ(0.0, r.value);
    EXPECT_EQ(-7, r.errorPosition);
    EXPECT_EQ("untouched", r.errorText);
    EXPECT_EQ(std::string(CFormulaParser::kDivideByZero), parser.ErrorText());
}

TEST(FormulaParser, EachEvaluationStartsWithoutError) {
    CFormulaParser parser;
    EXPECT_EQ(kDivide, Eval(parser, "10/0").errorText);
    const Result next = Eval(parser, "1+1");
    EXPECT_EQ(2, next.value);
    EXPECT_EQ(0, next.errorPosition);
    EXPECT_EQ("", next.errorText);
    EXPECT_EQ("1+1", parser.Formula());
}

TEST(FormulaParser, ConstantsAToH) {
    CFormulaParser parser;
    EXPECT_EQ(0.0, Eval(parser, "A+h").value);
    EXPECT_EQ(1, parser.SetFunctConst(1, 2.5));
    EXPECT_EQ(8, parser.SetFunctConst(8, 4));
    EXPECT_EQ(9, parser.SetFunctConst(9, 100));
    EXPECT_EQ(3, parser.SetFunctConst(3, 7));
    const Result r = Eval(parser, "a+H*c");
    EXPECT_DOUBLE_EQ(30.5, r.value);
    EXPECT_EQ("", r.errorText);
    // Function names win over the constant letters they start with.
    EXPECT_DOUBLE_EQ(std::cos(1.0), Eval(parser, "COS(1)").value);
    EXPECT_DOUBLE_EQ(100, parser.Constant(9));
}

TEST(FormulaParser, SetFunctConstRejectsOtherSlotsWithAMessage) {
    testing::RecordingHost host;
    host.answers = {kIdCancel};
    CFormulaParser parser;
    EXPECT_EQ(kIdOk, parser.SetFunctConst(0, 1)); // no message box attached: OK
    parser.SetMessageBox([&host](const std::string& text, const std::string& caption,
                                 unsigned flags) { return host.MessageBox(text, caption, flags); },
                         "Tuner");
    EXPECT_EQ(kIdCancel, parser.SetFunctConst(10, 1));
    EXPECT_EQ(kIdOk, parser.SetFunctConst(-1, 1));
    const std::vector<testing::RecordedMessage> expected = {
        {"ProgrammError in SetFunctConst()", "Tuner", kMbOk},
        {"ProgrammError in SetFunctConst()", "Tuner", kMbOk},
    };
    EXPECT_EQ(expected, host.messages);
    EXPECT_EQ(0.0, parser.Constant(0));
    EXPECT_EQ(0.0, parser.Constant(10));
}

TEST(FormulaParser, DeepNestingIsAnInternalFaultNotACrash) {
    std::string nested;
    for (int i = 0; i < 200; ++i)
        nested += "1+(";
    nested += "1";
    const Result fine = Eval(nested + std::string(200, ')'));
    EXPECT_EQ(201, fine.value);
    EXPECT_EQ("", fine.errorText);

    for (const std::string& deep : {std::string(100000, '(') + "1", [] {
                                        std::string s;
                                        for (int i = 0; i < 5000; ++i)
                                            s += "SIN";
                                        return s + "1";
                                    }()}) {
        for (const int simplify : {0, 1}) {
            const Result r = Eval(deep, 1.0, simplify);
            EXPECT_EQ(0.0, r.value);
            EXPECT_EQ(-7, r.errorPosition);
            EXPECT_EQ("System Error: formula nested too deeply", r.errorText);
        }
    }
}

TEST(FormulaParser, SimplifiedText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {" 1 + 2 ", "1+2"},
        {"1,5*{2}", "1.5*(2)"},
        {"[x+1]*2", "(x+1)*2"},
        {"((1+2))", "1+2"},
        {"((2)+(3))", "(2)+(3)"},
        {"(1+2)*(3)", "(1+2)*(3)"},
        {"+(1+2)", "(1+2)"},
        {"++3", "3"},
        {"2\t\r\n", "2"},
        {"2*((x+1))", "2*(x+1)"},
        {"(((x+1)))*2", "(x+1)*2"},
        {"((1+2)*3", "((1+2)*3"},
        {"((x)*2)", "x*2"},
        {"a+(x)*b", "a+x*b"},
        {"a-(x)*b", "a-x*b"},
        {"2*(x)*3", "2*x*3"},
        {"(sin(x))^2", "sin(x)^2"},
        {"2*(ln(x))", "2*ln(x)"},
        {"2*(1)", "2"},
        {"(1)*x", "x"},
        {"3-(1)*2", "3-2"},
        {"2*(1)*(1)*3", "2*3"},
        // A "|" typed by the user is left for the parser to report.
        {"1|2", "1|2"},
        {"", ""},
    };
    for (const auto& [input, output] : cases)
        EXPECT_EQ(output, CFormulaParser::Simplify(input)) << "input: " << input;
}

// Dropping "(1)" next to a "*" must never change the value: a (1) that is a function
// argument, a divisor, an exponent, the base of a power or behind a unary minus stays.
TEST(FormulaParser, SimplificationKeepsTheValueOfMultiplicationsByOne) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"EXP(1)*x", 3 * std::exp(1.0)},
        {"SIN(1)*2", 2 * std::sin(1.0)},
        {"x/(1)*2", 6},
        {"2^(1)*3", 6},
        {"2^-(1)*3", 1.5},
        {"6/-(1)*3", -18},
        {"2*(1)^3", 2},
        {"x*(1)^2*(1)", 3},
        {"-(1)*x", -3},
        {"2*-(1)*x", -6},
        // Behind a unary minus the minus would bind to the next factor alone.
        {"-(1)*2^2", -4},
        {"2*-(1)*3^2", -18},
        {"1+-(1)*x^2", -8},
        {"-(1)*-3*2", 6},
        {"x-(1)*2^2", -1},
    };
    for (const auto& [formula, value] : cases) {
        SCOPED_TRACE(formula);
        const Result simplified = Eval(formula, 3.0, 1);
        const Result plain = Eval(formula, 3.0, 0);
        EXPECT_DOUBLE_EQ(value, plain.value);
        EXPECT_DOUBLE_EQ(value, simplified.value);
        EXPECT_EQ("", simplified.errorText);
    }
}

} // namespace
} // namespace vexa
