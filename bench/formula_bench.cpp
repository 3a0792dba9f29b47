// Formula evaluation in the shapes definition files use, timed against muparser in the
// same run. Our parser evaluates while it parses, so its one number compares with
// muparser's parse-and-evaluate; muparser's evaluation of a pre-parsed expression is a
// second reference for what caching would buy.
#include "formula/formulaparser.h"

#include <benchmark/benchmark.h>

#include <string>

#ifdef VEXA_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

struct Shape {
    const char* name;
    const char* ours;     // as a definition file writes it
    const char* muparser; // the same expression in muparser's syntax
};

const Shape kShapes[] = {
    {"conversion", "x*0.5+20", "x*0.5+20"},
    {"store", "(1200-800)*0.25+x/4", "(1200-800)*0.25+x/4"},
    {"nested", "SQRT(ABS(SIN(x)*100))+LN(x+1)", "sqrt(abs(sin(x)*100))+ln(x+1)"},
};

void VexaEvaluate(benchmark::State& state, const Shape& shape) {
    vexa::CFormulaParser parser;
    const std::string formula = shape.ours;
    double x = 1.5;
    int errorPosition = 0;
    std::string errorText;
    for (auto _ : state) {
        benchmark::DoNotOptimize(parser.Evaluate(formula, x, errorPosition, errorText, 1));
        x += 1e-9;
    }
    if (errorPosition != 0 || !errorText.empty())
        state.SkipWithError(("formula failed: " + errorText).c_str());
}

#ifdef VEXA_HAVE_MUPARSER
void MuParserParseAndEval(benchmark::State& state, const Shape& shape) {
    mu::Parser parser;
    double x = 1.5;
    parser.DefineVar("x", &x);
    const std::string formula = shape.muparser;
    try {
        for (auto _ : state) {
            parser.SetExpr(formula);
            benchmark::DoNotOptimize(parser.Eval());
            x += 1e-9;
        }
    } catch (const mu::Parser::exception_type& e) {
        state.SkipWithError(e.GetMsg().c_str());
    }
}

void MuParserPreParsed(benchmark::State& state, const Shape& shape) {
    mu::Parser parser;
    double x = 1.5;
    parser.DefineVar("x", &x);
    try {
        parser.SetExpr(shape.muparser);
        parser.Eval(); // the first evaluation compiles the expression
        for (auto _ : state) {
            benchmark::DoNotOptimize(parser.Eval());
            x += 1e-9;
        }
    } catch (const mu::Parser::exception_type& e) {
        state.SkipWithError(e.GetMsg().c_str());
    }
}
#endif

int RegisterAll() {
    for (const Shape& shape : kShapes) {
        const std::string name = shape.name;
        benchmark::RegisterBenchmark(("Vexa_Evaluate/" + name).c_str(), VexaEvaluate, shape);
#ifdef VEXA_HAVE_MUPARSER
        benchmark::RegisterBenchmark(("MuParser_ParseAndEval/" + name).c_str(),
                                     MuParserParseAndEval, shape);
        benchmark::RegisterBenchmark(("MuParser_PreParsed/" + name).c_str(), MuParserPreParsed,
                                     shape);
#endif
    }
    return 0;
}

const int kRegistered = RegisterAll();

} // namespace

BENCHMARK_MAIN();
