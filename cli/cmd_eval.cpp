// vexa-cli eval FORMULA [--x X]: one formula through the parser the document uses, with
// the value and the error report as one JSON line.
#include "cli/command.h"
#include "cli/json.h"
#include "formula/formulaparser.h"

#include <charconv>
#include <optional>
#include <ostream>
#include <string>

namespace vexa::cli {

namespace {

constexpr const char* kUsage = "usage: vexa-cli eval FORMULA [--x X]   (x is 1 unless given)\n";

std::optional<double> ParseDouble(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

} // namespace

int CmdEval(CommandContext& context) {
    std::optional<std::string> formula;
    double x = 1.0;
    const auto& args = context.args;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--x") {
            const auto parsed = i + 1 < args.size() ? ParseDouble(args[i + 1]) : std::nullopt;
            if (!parsed) {
                context.err << "vexa-cli eval: --x needs a number\n" << kUsage;
                return 2;
            }
            x = *parsed;
            ++i;
        } else if (!formula) {
            // Formulas may start with "-", so anything but --x is the formula.
            formula = args[i];
        } else {
            context.err << "vexa-cli eval: unexpected argument '" << args[i] << "'\n" << kUsage;
            return 2;
        }
    }
    if (!formula) {
        context.err << "vexa-cli eval: no formula given\n" << kUsage;
        return 2;
    }

    CFormulaParser parser;
    int errorPosition = 0;
    std::string errorText;
    const double value = parser.Evaluate(*formula, x, errorPosition, errorText, 1);
    context.out << "{\"value\": " << JsonNumber(value) << ", \"errorPosition\": " << errorPosition
                << ", \"errorText\": " << JsonString(errorText) << "}\n";
    return 0;
}

} // namespace vexa::cli
