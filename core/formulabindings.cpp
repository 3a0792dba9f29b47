// Formula bindings: references to variables, curves and live values are replaced by
// their current values, and assignment formulas write their result into a variable.
#include "core/vlxdoc.h"

#include "core/numbertext.h"
#include "core/textutil.h"

#include <algorithm>
#include <cmath>

namespace vexa {

int CVLXDoc::SubstituteReferences(std::string& formula, float x) {
    int result = 1000;
    for (;;) {
        const std::size_t colon = formula.find(':');
        if (colon == std::string::npos)
            return result;
        // A colon without a letter before it cannot be a reference.
        if (colon == 0)
            return kMissingValue;
        const char letter = formula[colon - 1];

        std::size_t nameEnd = colon + 1;
        while (nameEnd < formula.size() && nameEnd - colon - 1 < 80 && !IsCSpace(formula[nameEnd]))
            ++nameEnd;
        std::string name = formula.substr(colon + 1, nameEnd - colon - 1);
        if (const std::size_t inner = name.find(':'); inner != std::string::npos)
            name.resize(inner);

        std::string replacement;
        switch (letter) {
        case 'I':
        case 'i': {
            const IntVariableRef ref = FindIntVariable(name);
            if (!ref)
                return kMissingValue;
            replacement = std::to_string(ref.Get());
            break;
        }
        case 'F':
        case 'f': {
            const FloatVariableRef ref = FindFloatVariable(name);
            if (!ref)
                return kMissingValue;
            // Formulas have no exponent notation: plain digits keep every magnitude.
            replacement = FormatPlain(ref.Get());
            break;
        }
        case 'T':
        case 't': {
            const int curve = FindTableIndex(name);
            if (curve < 0 || curve >= kNumCurves)
                return kMissingValue;
            // The point at x when whole, the mean of the neighbours from a half on; outside
            // the curve the nearest end. A live value can make x no number at all: that
            // reads the first point, since an unresolved reference would count as a failed
            // controller read and drop the link.
            auto pointAt = [&](double position) {
                const double clamped =
                    std::isnan(position) ? 0.0 : std::clamp(position, 0.0, kPointsPerCurve - 1.0);
                return static_cast<int>(Point(curve, static_cast<int>(clamped)));
            };
            replacement = std::to_string((pointAt(x) + pointAt(x + 0.5)) / 2);
            break;
        }
        case 'M':
        case 'm': {
            const int value = controller_->ReadSymbol(name);
            if (value == kMissingValue)
                return kMissingValue;
            result = value;
            replacement = std::to_string(value);
            break;
        }
        default:
            return kMissingValue;
        }

        // The letter, the colon, the name and the character after it (normally the closing
        // colon) make up the reference.
        const std::size_t start = colon - 1;
        const std::size_t length = std::min(formula.size() - start, 2 + name.size() + 1);
        formula.replace(start, length, replacement);
    }
}

int CVLXDoc::ApplyFormula(const std::string& formula, std::string& errorText) {
    std::string target;
    std::string expression;
    const std::size_t equals = formula.find('=');
    if (equals != std::string::npos && equals != 0) {
        target = std::string(Trim(std::string_view(formula).substr(0, equals)));
        expression = std::string(Trim(std::string_view(formula).substr(equals + 1)));
    } else {
        expression = std::string(Trim(formula));
    }

    if (target.empty()) {
        errorText = "Store variable not found for formula " + expression;
        return 0;
    }
    const char kind = target.front();
    const bool isInt = kind == 'I' || kind == 'i';
    const bool isFloat = kind == 'F' || kind == 'f';
    if (!isInt && !isFloat) {
        errorText =
            std::string("Store variable type '") + kind + "' not recognized for variable " + target;
        return 0;
    }
    const std::size_t at = target.find('@');
    if (at == std::string::npos) {
        errorText.clear();
        return 0;
    }
    const std::string name(TrimLeft(std::string_view(target).substr(at + 1)));

    SubstituteReferences(expression, 0.0f);
    int errorPosition = 0;
    std::string parserError;
    const auto value =
        static_cast<float>(parser_.Evaluate(expression, 1.0, errorPosition, parserError, 1));
    if (isInt) {
        double rounded = static_cast<double>(value) + 0.5;
        if (!std::isfinite(rounded))
            rounded = 0.0;
        const auto whole = static_cast<long long>(std::clamp(rounded, -2147483648.0, 2147483647.0));
        if (const IntVariableRef ref = FindIntVariable(name))
            ref.Set(static_cast<std::int16_t>(whole));
    } else if (const FloatVariableRef ref = FindFloatVariable(name)) {
        ref.Set(value);
    }
    return 1;
}

} // namespace vexa
