// Comparing calibrations and the restore points kept before writes: diff, restore-points.
#include "cli/command.h"
#include "cli/json.h"
#include "core/calibrationcompare.h"
#include "core/inifile.h"
#include "core/restorepoints.h"

#include <ostream>

namespace vexa::cli {

namespace {

int Usage(CommandContext& context, const char* usage) {
    context.err << "usage: vexa-cli " << usage << "\n";
    return 2;
}

// "shown -> shown", with the stored values added where the shown ones read the same.
std::string Change(const std::string& here, const std::string& there, const std::string& storedHere,
                   const std::string& storedThere) {
    std::string text = here + " -> " + there;
    if (here == there)
        text += " (stored " + storedHere + " -> " + storedThere + ")";
    return text;
}

void PrintText(std::ostream& out, const CalibrationComparison& c, const std::string& a,
               const std::string& b) {
    if (c.TypesDiffer())
        out << "type: " << c.typeHere << " -> " << c.typeThere << "\n";
    for (const VariableDifference& v : c.variables) {
        out << "variable " << v.name;
        if (!v.label.empty())
            out << " (" << v.label << ")";
        out << ": " << Change(v.here, v.there, v.storedHere, v.storedThere) << "\n";
    }
    for (const CurvePointDifference& p : c.points)
        out << "curve " << CurvePointPlace(p) << ": "
            << Change(ShownCurveValue(p.here), ShownCurveValue(p.there),
                      std::to_string(p.storedHere), std::to_string(p.storedThere))
            << "\n";
    const std::pair<const std::vector<std::string>*, std::string> onlyOnOneSide[] = {
        {&c.variablesOnlyHere, "only in " + a + ": variable "},
        {&c.curvesOnlyHere, "only in " + a + ": curve "},
        {&c.variablesOnlyThere, "only in " + b + ": variable "},
        {&c.curvesOnlyThere, "only in " + b + ": curve "},
    };
    for (const auto& [names, prefix] : onlyOnOneSide) {
        for (const std::string& name : *names)
            out << prefix << name << "\n";
    }
}

void PrintNames(std::ostream& out, const std::vector<std::string>& names) {
    out << "[";
    for (std::size_t i = 0; i < names.size(); ++i)
        out << (i ? ", " : "") << JsonString(names[i]);
    out << "]";
}

void PrintJson(std::ostream& out, const CalibrationComparison& c) {
    out << "{\n  \"same\": " << (c.Same() ? "true" : "false")
        << ",\n  \"type\": {\"a\": " << JsonString(c.typeHere)
        << ", \"b\": " << JsonString(c.typeThere) << "},\n  \"variables\": [";
    for (std::size_t i = 0; i < c.variables.size(); ++i) {
        const VariableDifference& v = c.variables[i];
        out << (i ? "," : "") << "\n    {\"name\": " << JsonString(v.name)
            << ", \"label\": " << JsonString(v.label) << ", \"a\": " << JsonString(v.here)
            << ", \"b\": " << JsonString(v.there) << ", \"storedA\": " << JsonString(v.storedHere)
            << ", \"storedB\": " << JsonString(v.storedThere) << "}";
    }
    out << (c.variables.empty() ? "" : "\n  ") << "],\n  \"points\": [";
    for (std::size_t i = 0; i < c.points.size(); ++i) {
        const CurvePointDifference& p = c.points[i];
        out << (i ? "," : "") << "\n    {\"curve\": " << p.curve << ", \"curveB\": " << p.otherCurve
            << ", \"name\": " << JsonString(p.name) << ", \"point\": " << p.point
            << ", \"a\": " << JsonNumber(static_cast<double>(p.here))
            << ", \"b\": " << JsonNumber(static_cast<double>(p.there))
            << ", \"storedA\": " << p.storedHere << ", \"storedB\": " << p.storedThere << "}";
    }
    out << (c.points.empty() ? "" : "\n  ") << "],\n  \"onlyInA\": {\"variables\": ";
    PrintNames(out, c.variablesOnlyHere);
    out << ", \"curves\": ";
    PrintNames(out, c.curvesOnlyHere);
    out << "},\n  \"onlyInB\": {\"variables\": ";
    PrintNames(out, c.variablesOnlyThere);
    out << ", \"curves\": ";
    PrintNames(out, c.curvesOnlyThere);
    out << "}\n}\n";
}

} // namespace

int CmdDiff(CommandContext& context) {
    std::vector<std::string> files;
    bool json = false;
    for (const std::string& arg : context.args) {
        if (arg == "--json")
            json = true;
        else if (arg.size() > 1 && arg.front() == '-')
            return Usage(context, "diff A.gvr B.gvr [--json]");
        else
            files.push_back(arg);
    }
    if (files.size() != 2)
        return Usage(context, "diff A.gvr B.gvr [--json]");
    IniSettingsStore settings(context.paths.settingsFile);
    ComparedCalibration a(settings, context.paths.programDir);
    ComparedCalibration b(settings, context.paths.programDir);
    for (auto [side, file] : {std::pair{&a, &files[0]}, std::pair{&b, &files[1]}}) {
        std::string error;
        if (!side->Open(*file, error)) {
            context.err << "vexa-cli diff: " << error << "\n";
            return 2;
        }
    }
    const CalibrationComparison comparison = CompareCalibrations(a.Doc(), b.Doc());
    if (json)
        PrintJson(context.out, comparison);
    else
        PrintText(context.out, comparison, files[0], files[1]);
    return comparison.Same() ? 0 : 1;
}

int CmdRestorePoints(CommandContext& context) {
    bool json = false;
    for (const std::string& arg : context.args) {
        if (arg != "--json")
            return Usage(context, "restore-points [--json]");
        json = true;
    }
    const std::vector<RestorePoint> points = ListRestorePoints(context.paths.restorePointDir);
    if (!json) {
        for (const RestorePoint& point : points)
            context.out << point.when << "  " << point.transmissionType << "  " << point.what
                        << "  " << point.path << "\n";
        return 0;
    }
    context.out << "[";
    for (std::size_t i = 0; i < points.size(); ++i)
        context.out << (i ? "," : "") << "\n  {\"when\": " << JsonString(points[i].when)
                    << ", \"type\": " << JsonString(points[i].transmissionType)
                    << ", \"what\": " << JsonString(points[i].what)
                    << ", \"path\": " << JsonString(points[i].path) << "}";
    context.out << (points.empty() ? "" : "\n") << "]\n";
    return 0;
}

} // namespace vexa::cli
