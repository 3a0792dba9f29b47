// Any byte string is a formula. Evaluates it with and without simplification and checks
// the report: a syntax error names a character of the evaluated text and says so in its
// text; anything else reports position 0.
#include "formula/formulaparser.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void EvaluateOnce(vexa::CFormulaParser& parser, const std::string& formula, double x,
                  int simplify) {
    int errorPosition = -1;
    std::string errorText = "unset";
    parser.Evaluate(formula, x, errorPosition, errorText, simplify);
    if (formula.empty()) {
        Check(errorPosition == -1 && errorText == "unset");
        return;
    }
    if (errorText.starts_with("System Error: ")) {
        Check(errorPosition == -1);
        return;
    }
    Check(errorPosition >= 0);
    const auto position = static_cast<std::size_t>(errorPosition);
    Check(position <= parser.Formula().size());
    Check((position > 0) == errorText.starts_with("Error found on position "));
    Check(errorText.ends_with(parser.ErrorText()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string formula(reinterpret_cast<const char*>(data), size);
    vexa::CFormulaParser parser;
    for (const double x : {1.0, 0.0, -2.5})
        EvaluateOnce(parser, formula, x, 1);
    EvaluateOnce(parser, formula, 1.0, 0);
    return 0;
}
