#include "formula/formulaparser.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <utility>
#include <vector>

namespace vexa {

namespace {

// Deeper nesting than any definition-file line needs; beyond it the recursion would put
// the stack at risk, so the evaluation fails as an internal fault instead.
constexpr int kMaxDepth = 256;

constexpr std::size_t kMaxSystemErrorLength = 255;

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

// ASCII only: formulas are 8-bit texts and the names are plain letters.
char ToUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t hit = text.find(from);
    if (hit == std::string::npos)
        return; // the usual case: leave the text and its buffer alone
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (; hit != std::string::npos; hit = text.find(from, start)) {
        out.append(text, start, hit - start);
        out.append(to);
        start = hit + from.size();
    }
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

// "*(1)" is dropped only where the 1 is a whole factor: before "^" it is the base of a
// power ("2*(1)^3" is 2, "2^3" would be 8).
void DropTimesOne(std::string& text) {
    constexpr std::string_view kPattern = "*(1)";
    if (text.find(kPattern) == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, kPattern.size(), kPattern) == 0) {
            const std::size_t next = i + kPattern.size();
            if (next >= text.size() || text[next] != '^') {
                i = next;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    text = std::move(out);
}

// "(1)*" is dropped only where the (1) is the left factor of a product: not as a function
// argument ("EXP(1)*x" is e times x), not as a divisor or exponent ("x/(1)*2", "2^(1)*3"),
// and not behind a unary minus, which would then bind to the next factor alone ("-(1)*2^2"
// is -4, "-2^2" is 4).
void DropOneTimes(std::string& text) {
    constexpr std::string_view kPattern = "(1)*";
    if (text.find(kPattern) == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, kPattern.size(), kPattern) == 0) {
            bool safe = false;
            if (out.empty()) {
                safe = true;
            } else {
                const char before = out.back();
                if (before == '(' || before == '+' || before == '*') {
                    safe = true;
                } else if (before == '-') {
                    // Binary only when an operand ends right before it.
                    const char left = out.size() >= 2 ? out[out.size() - 2] : '\0';
                    safe = left != '\0' &&
                           std::string_view("(+-*/^").find(left) == std::string_view::npos;
                }
            }
            if (safe) {
                i += kPattern.size();
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    text = std::move(out);
}

// True when no character other than a parenthesis stands at depth 0 before the last
// character, so an outer "(" ... ")" pair, if present, spans the whole text.
bool IsEnclosed(const std::string& text) {
    int depth = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (depth == 0) {
            return false;
        }
    }
    return true;
}

// Turns "((E))" into "(E)" wherever the inner pair spans exactly the outer pair's content.
void DropDoubledParentheses(std::string& text) {
    if (text.find("((") == std::string::npos)
        return;
    std::vector<std::size_t> match(text.size(), std::string::npos);
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') {
            open.push_back(i);
        } else if (text[i] == ')' && !open.empty()) {
            match[open.back()] = i;
            open.pop_back();
        }
    }
    std::vector<bool> drop(text.size(), false);
    bool any = false;
    for (std::size_t o = 0; o + 1 < text.size(); ++o) {
        const std::size_t c = match[o];
        if (c == std::string::npos || text[o + 1] != '(' || match[o + 1] + 1 != c)
            continue;
        drop[o + 1] = true;
        drop[c - 1] = true;
        any = true;
    }
    if (!any)
        return;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!drop[i])
            out.push_back(text[i]);
    }
    text = std::move(out);
}

// A run of digits and dots read as the C library reads a decimal number: the value ends
// at a second dot, and a run without digits is 0.
double ParseNumberRun(std::string_view run) {
    double value = 0.0;
    const auto result =
        std::from_chars(run.data(), run.data() + run.size(), value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large (a non-zero digit before the dot) or too small for a double.
        for (const char c : run) {
            if (c == '.')
                break;
            if (c != '0')
                return std::numeric_limits<double>::infinity();
        }
        return 0.0;
    }
    if (result.ec != std::errc())
        return 0.0;
    return value;
}

double TruncateToInt32(double v) {
    if (std::isnan(v))
        return 0.0;
    // Saturate: a cast of an out-of-range value is undefined.
    if (v >= 2147483647.0)
        return 2147483647.0;
    if (v <= -2147483648.0)
        return -2147483648.0;
    return static_cast<double>(static_cast<std::int32_t>(v));
}

} // namespace

CFormulaParser::CFormulaParser() = default;

std::string CFormulaParser::Simplify(std::string formula) {
    ReplaceAll(formula, " ", "");
    ReplaceAll(formula, ",", ".");
    ReplaceAll(formula, "[", "(");
    ReplaceAll(formula, "]", ")");
    ReplaceAll(formula, "{", "(");
    ReplaceAll(formula, "}", ")");
    DropTimesOne(formula);
    DropOneTimes(formula);
    static constexpr std::pair<std::string_view, std::string_view> kRewrites[] = {
        {"*(x)", "*x"},         {"((x)*", "(x*"},       {"+(x)*", "+x*"},
        {"-(x)*", "-x*"},       {"*(x)*", "*x*"},       {"(sin(x))", "sin(x)"},
        {"(cos(x))", "cos(x)"}, {"(cot(x))", "cot(x)"}, {"(tan(x))", "tan(x)"},
        {"(exp(x))", "exp(x)"}, {"(log(x))", "log(x)"}, {"(ln(x))", "ln(x)"},
    };
    for (const auto& [from, to] : kRewrites)
        ReplaceAll(formula, from, to);

    while (formula.size() >= 2 && IsEnclosed(formula) && formula.front() == '(' &&
           formula.back() == ')') {
        formula.erase(formula.size() - 1);
        formula.erase(0, 1);
    }
    std::size_t lead = 0;
    while (lead < formula.size() && (formula[lead] == '+' || formula[lead] == ' '))
        ++lead;
    formula.erase(0, lead);
    while (!formula.empty() && IsBlank(formula.back()))
        formula.pop_back();
    DropDoubledParentheses(formula);
    return formula;
}

double CFormulaParser::Evaluate(const std::string& formula, double x, int& errorPosition,
                                std::string& errorText, int simplify) {
    if (formula.empty())
        return 0.0;
    m_errorText.clear();
    try {
        m_formula = simplify != 0 ? Simplify(formula) : formula;
        m_x = x == 0.0 ? kZeroX : x;
        m_depth = 0;
        m_position = 0;
        NextToken();
        const double value = Expression();
        if (Token() == kEnd) {
            errorText = m_errorText;
            errorPosition = 0;
        } else {
            const int position = static_cast<int>(m_position);
            char head[48];
            std::snprintf(head, sizeof head, "Error found on position %d!", position);
            errorText = head + m_errorText;
            errorPosition = position;
        }
        return value;
    } catch (const std::exception& e) {
        const std::string_view what = e.what();
        errorText = "System Error: ";
        errorText += what.substr(0, kMaxSystemErrorLength);
    } catch (...) {
        errorText = "System Error: unknown exception";
    }
    return 0.0;
}

int CFormulaParser::SetFunctConst(int index, double value) {
    if (index >= 1 && index <= 9) {
        m_constants[static_cast<std::size_t>(index)] = value;
        return index;
    }
    constexpr unsigned kOkButton = 0x0;
    if (!m_showMessage)
        return 1; // OK
    return m_showMessage("ProgrammError in SetFunctConst()", m_caption, kOkButton);
}

void CFormulaParser::SetMessageBox(MessageBoxFunction show, std::string caption) {
    m_showMessage = std::move(show);
    m_caption = std::move(caption);
}

double CFormulaParser::Constant(int index) const {
    if (index < 1 || index > 9)
        return 0.0;
    return m_constants[static_cast<std::size_t>(index)];
}

int CFormulaParser::Token() const {
    if (m_position == 0 || m_position > m_formula.size())
        return kEnd;
    return static_cast<unsigned char>(m_formula[m_position - 1]);
}

void CFormulaParser::NextToken() {
    ++m_position;
    while (m_position <= m_formula.size() && m_formula[m_position - 1] == ' ')
        ++m_position;
}

double CFormulaParser::Expression() {
    double value = Term();
    for (int op = Token(); op == '+' || op == '-'; op = Token()) {
        NextToken();
        const double right = Term();
        value = op == '+' ? value + right : value - right;
    }
    return value;
}

double CFormulaParser::Term() {
    double value = Power();
    for (int op = Token(); op == '*' || op == '/'; op = Token()) {
        NextToken();
        const double right = Power();
        if (op == '*') {
            value *= right;
        } else if (right == 0.0) {
            m_errorText = kDivideByZero;
        } else {
            value /= right;
        }
    }
    return value;
}

double CFormulaParser::Power() {
    double value = Signed();
    while (Token() == '^') {
        NextToken();
        const double exponent = Signed();
        const bool whole = exponent == std::trunc(exponent);
        if (value <= 0.0 && (std::fabs(exponent) <= 1.0 || !whole)) {
            m_errorText = kNegativeRoot;
        } else {
            value = std::pow(value, exponent);
        }
    }
    return value;
}

double CFormulaParser::Signed() {
    if (Token() == '-') {
        NextToken();
        return -1.0 * Primary();
    }
    return Primary();
}

double CFormulaParser::Primary() {
    const int token = Token();
    if (token == kEnd)
        return 0.0;

    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(d) {
            if (++depth > kMaxDepth)
                throw std::runtime_error("formula nested too deeply");
        }
        ~DepthGuard() { --depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
    };

    if (IsDigit(token) || token == '.') {
        const std::size_t start = m_position - 1;
        std::size_t end = start;
        while (end < m_formula.size() && (IsDigit(m_formula[end]) || m_formula[end] == '.'))
            ++end;
        const double value = ParseNumberRun(std::string_view(m_formula).substr(start, end - start));
        m_position = end; // the run's last character, 1-based
        NextToken();
        return value;
    }
    if (token == '(') {
        const DepthGuard guard(m_depth);
        NextToken();
        const double value = Expression();
        if (Token() == ')')
            NextToken();
        return value;
    }
    if (token == 'x' || token == 'X') {
        NextToken();
        return m_x;
    }

    const std::string_view rest = std::string_view(m_formula).substr(m_position - 1);
    for (std::size_t slot = 1; slot < kFunctionNames.size(); ++slot) {
        const std::string_view name = kFunctionNames[slot];
        if (rest.size() < name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = ToUpper(rest[i]) == name[i];
        if (!same)
            continue;
        const DepthGuard guard(m_depth);
        m_position += name.size() - 1;
        NextToken();
        return ApplyFunction(slot, Primary());
    }

    const char letter = ToUpper(static_cast<char>(token));
    if (letter >= 'A' && letter <= 'H') {
        NextToken();
        return m_constants[static_cast<std::size_t>(letter - 'A' + 1)];
    }
    return 0.0;
}

double CFormulaParser::ApplyFunction(std::size_t slot, double v) {
    constexpr double kPi = std::numbers::pi;
    bool domainError = false;
    double result = v;
    switch (slot) {
    case 1: // PI
        result = kPi;
        break;
    case 2: // ABS
        result = std::fabs(v);
        break;
    case 3: // SQRT
        domainError = v < 0.0;
        if (!domainError)
            result = std::sqrt(v);
        break;
    case 4: // SINH
        result = std::sinh(v);
        break;
    case 5: // COSH
        result = std::cosh(v);
        break;
    case 6: // TANH
        result = std::tanh(v);
        break;
    case 7: // ARCTAN
        result = std::atan(v);
        break;
    case 8: // LN
        domainError = v < 0.0;
        if (!domainError)
            result = std::log(v);
        break;
    case 9: // LOG
        domainError = v < 0.0;
        if (!domainError)
            result = std::log10(v);
        break;
    case 10: // EXP
        domainError = v > 41.0;
        if (!domainError)
            result = std::exp(v);
        break;
    case 11: // SIN
        result = std::sin(v);
        break;
    case 12: // COS
        result = std::cos(v);
        break;
    case 13: // TAN
        domainError = std::cos(v) == 0.0;
        if (!domainError)
            result = std::tan(v);
        break;
    case 14: // COT
        result = std::cos(v) / std::sin(v);
        break;
    case 15: // ARCSIN
        domainError = std::fabs(v) >= 1.0;
        if (!domainError)
            result = std::asin(v);
        break;
    case 16: // ARCCOS
        domainError = std::fabs(v) > 1.0;
        if (!domainError)
            result = std::acos(v);
        break;
    case 17: // INT
        result = TruncateToInt32(v);
        break;
    case 18: // RAD
        result = v * kPi / 180.0;
        break;
    case 19: // DEG
        result = v * 180.0 / kPi;
        break;
    case 20: // SIGN
        result = v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0);
        break;
    case 21: // ARSINH
        result = v >= 0.0 ? std::log(v + std::sqrt(v * v + 1.0))
                          : -std::log(-v + std::sqrt(v * v + 1.0));
        break;
    case 22: // ARCOSH
        domainError = std::fabs(v) < 1.0;
        if (!domainError)
            result = std::log(v + std::sqrt(v * v - 1.0));
        break;
    case 23: // ARTANH
        domainError = std::fabs(v) > 1.0;
        if (!domainError)
            result = 0.5 * std::log((v + 1.0) / (1.0 - v));
        break;
    default: // KGV, GGT: the argument as it is
        break;
    }
    if (domainError)
        m_errorText = kDomainError;
    return result;
}

} // namespace vexa
