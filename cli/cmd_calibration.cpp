// The calibration commands: new, info, save, image, convert. Each runs the same document
// operations as the windowed program's File menu.
#include "cli/json.h"
#include "cli/session.h"
#include "core/transmissioncatalogue.h"

#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>

namespace vexa::cli {

namespace {

// Takes "-o FILE" (and other valued options) out of the arguments.
bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string& value) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name && i + 1 < args.size()) {
            value = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            return true;
        }
    }
    return false;
}

bool TakeFlag(std::vector<std::string>& args, const std::string& name) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

int Usage(CommandContext& context, const char* usage) {
    context.err << "usage: vexa-cli " << usage << "\n";
    return 2;
}

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
    }
    return text;
}

const char* const kHeaderNames[kNumHeaderStrings] = {
    "LogicalName",        "Schema",      "TransmissionType", "SubType",    "Reserved4",
    "DefinitionFileName", "Description", "Reserved7",        "ProdID",     "ProdName",
    "MinFWVer",           "MaxFWVer",    "MinHWVer",         "Reserved13", "Reserved14"};

struct DeclarationField {
    const char* name;
    std::size_t offset;
    bool shortField;
};
const DeclarationField kDeclarationFields[] = {
    {"$TotalBlockSize", DeclarationsBlock::kTotalBlockSize, false},
    {"$DynamicBlockSize", DeclarationsBlock::kDynamicBlockSize, false},
    {"$NumDynamicTableCells", DeclarationsBlock::kNumDynamicTableCells, false},
    {"$NumDynamicTableEntries", DeclarationsBlock::kNumDynamicTableEntries, false},
    {"$DynamicBlockStart", DeclarationsBlock::kDynamicBlockStart, false},
    {"$DynamicBlockLayout", DeclarationsBlock::kDynamicBlockLayout, false},
    {"$DynamicInterpolation", DeclarationsBlock::kDynamicInterpolation, false},
    {"$StaticBlockSize", DeclarationsBlock::kStaticBlockSize, false},
    {"$StaticBlockStart", DeclarationsBlock::kStaticBlockStart, false},
    {"$NVMType", DeclarationsBlock::kNVMType, false},
    {"$CalBufferStart", DeclarationsBlock::kCalBufferStart, false},
    {"$CalNVMStart", DeclarationsBlock::kCalNVMStart, false},
    {"$CalNVMPageSize", DeclarationsBlock::kCalNVMPageSize, false},
    {"$CalPSVBase", DeclarationsBlock::kCalPSVBase, false},
    {"$FlashBlockSize", DeclarationsBlock::kFlashBlockSize, true},
    {"$CalBufferSize", DeclarationsBlock::kCalBufferSize, true},
};

// Writes "[a, b, ...]" from a range through a formatter.
template <typename Range, typename Format>
void JsonArray(std::ostream& out, const Range& range, Format format) {
    out << "[";
    bool first = true;
    for (const auto& item : range) {
        out << (first ? "" : ", ");
        format(item);
        first = false;
    }
    out << "]";
}

std::string VariableValue(const CVLXDoc& doc, std::size_t index) {
    const VariableSlot& slot = doc.VariableTable[index];
    switch (slot.type) {
    case kTypeI8:
    case kTypeI16:
        return std::to_string(slot.I16());
    case kTypeI32:
        return std::to_string(slot.I32());
    case kTypeF32:
        return JsonNumber(slot.F32());
    case kTypeSTR:
        return index + 1 < doc.VariableTable.size() ? JsonString(doc.VariableTable[index + 1].name)
                                                    : "null";
    case kTypeT8:
    case kTypeT16:
        return "{\"start\": " + std::to_string(slot.TableStart()) +
               ", \"cells\": " + std::to_string(slot.TableCells()) +
               ", \"width\": " + std::to_string(slot.TableWidth()) + "}";
    default:
        return "null";
    }
}

void PrintJson(std::ostream& out, CVLXDoc& doc, const std::vector<ShownMessage>& messages) {
    out << "{\n  \"header\": {";
    for (int i = 0; i < kNumHeaderStrings; ++i)
        out << (i ? ", " : "") << JsonString(kHeaderNames[i]) << ": "
            << JsonString(doc.Header[static_cast<std::size_t>(i)]);
    const IdentityBlock& id = doc.Identity;
    out << "},\n  \"identity\": {\"DeviceType\": " << id.DeviceType()
        << ", \"HardwareVersion\": " << id.HardwareVersion()
        << ", \"FirmwareVersion\": " << id.FirmwareVersion()
        << ", \"FirmwareVersionMinor\": " << id.FirmwareVersionMinor()
        << ", \"RevisionMajor\": " << id.RevisionMajor()
        << ", \"RevisionMinor\": " << id.RevisionMinor()
        << ", \"IdentityFromController\": " << id.IdentityFromController()
        << ", \"IdentityCurrent\": " << id.IdentityCurrent()
        << ", \"ApplyDefaultsOnReload\": " << id.ApplyDefaultsOnReload()
        << ", \"NumNVMTables\": " << id.NumNVMTables()
        << ", \"PackageVersion\": " << id.PackageVersion() << "},\n";

    out << "  \"declarations\": {";
    for (const DeclarationField& field : kDeclarationFields) {
        const long long value = field.shortField ? doc.Declarations.I16(field.offset)
                                                 : doc.Declarations.I32(field.offset);
        out << JsonString(field.name) << ": " << value << ", ";
    }
    out << "\"VariableCount\": " << doc.Declarations.VariableCount()
        << ", \"StoreFormulaCount\": " << doc.Declarations.StoreFormulaCount()
        << ", \"LoadFormulaCount\": " << doc.Declarations.LoadFormulaCount() << "},\n";

    out << "  \"variables\": [";
    const std::size_t used =
        std::min<std::size_t>(doc.Declarations.VariableCount(), doc.VariableTable.size());
    for (std::size_t i = 0; i < used; ++i) {
        const VariableSlot& slot = doc.VariableTable[i];
        out << (i ? ",\n    " : "\n    ") << "{\"slot\": " << i
            << ", \"name\": " << JsonString(slot.name) << ", \"type\": " << int{slot.type}
            << ", \"flags\": " << int{slot.flags} << ", \"index\": " << slot.index
            << ", \"raw\": \"" << Hex(slot.value.bytes.data(), 4)
            << "\", \"value\": " << VariableValue(doc, i) << "}";
    }
    out << "],\n  \"curves\": [";
    for (int curve = 0; curve < kNumCurves; ++curve) {
        out << (curve ? ", " : "") << "[";
        for (int point = 0; point < kPointsPerCurve; ++point)
            out << (point ? ", " : "") << doc.Point(curve, point);
        out << "]";
    }
    out << "],\n  \"display\": {\"traceVisible\": [";
    for (int curve = 0; curve < kNumCurves; ++curve)
        out << (curve ? ", " : "") << (doc.Display.TraceVisible(curve) ? 1 : 0);
    out << "], \"linkMode\": " << int{doc.Display.U8(DisplayBlock::kLinkMode)}
        << ", \"selectedNVMTable\": " << doc.Display.I32(DisplayBlock::kSelectedNVMTable) << "},\n";
    out << "  \"controlState\": " << JsonString(doc.ControlStateText) << ",\n";
    out << "  \"reservedText\": " << JsonString(doc.ReservedText) << ",\n";
    out << "  \"definitionText\": " << JsonString(doc.DefinitionText) << ",\n";
    out << "  \"definitionDir\": " << JsonString(doc.DefinitionDir) << ",\n";
    auto formulas = [&](const auto& list, std::uint32_t count) {
        std::vector<std::string> used_(list.begin(),
                                       list.begin() + std::min<std::uint32_t>(count, kMaxFormulas));
        JsonArray(out, used_, [&](const std::string& f) { out << JsonString(f); });
    };
    out << "  \"storeFormulas\": ";
    formulas(doc.StoreFormulas, doc.Declarations.StoreFormulaCount());
    out << ",\n  \"loadFormulas\": ";
    formulas(doc.LoadFormulas, doc.Declarations.LoadFormulaCount());
    out << ",\n  \"convTable\": [";
    bool firstCurve = true;
    for (int curve = 0; curve < kNumCurves; ++curve) {
        const auto& pairs = doc.ConvTable[static_cast<std::size_t>(curve)];
        const bool any = std::any_of(pairs.begin(), pairs.end(), [](const ConvPair& p) {
            return p.raw != 0 || p.value != 0.0f;
        });
        if (!any)
            continue;
        out << (firstCurve ? "" : ", ") << "{\"curve\": " << curve << ", \"pairs\": ";
        JsonArray(out, pairs, [&](const ConvPair& p) {
            out << "[" << p.raw << ", " << JsonNumber(p.value) << "]";
        });
        out << "}";
        firstCurve = false;
    }
    out << "],\n  \"messages\": ";
    JsonArray(out, messages, [&](const ShownMessage& m) {
        out << "{\"caption\": " << JsonString(m.caption) << ", \"text\": " << JsonString(m.text)
            << ", \"flags\": " << m.flags << "}";
    });
    out << "\n}\n";
}

void PrintSummary(std::ostream& out, CVLXDoc& doc) {
    out << "Transmission type: " << doc.Header[kTransmissionType];
    if (!doc.Header[kSubType].empty())
        out << " (" << doc.Header[kSubType] << ")";
    out << "\nDefinition:        " << doc.Header[kDefinitionFileName] << " in " << doc.DefinitionDir
        << "\nController:        device " << doc.Identity.DeviceType() << ", hardware "
        << doc.Identity.HardwareVersion() << ", firmware " << doc.Identity.FirmwareVersion() << "."
        << doc.Identity.FirmwareVersionMinor()
        << "\nVariables:         " << doc.Declarations.VariableCount() << " slots, "
        << doc.Declarations.StoreFormulaCount() << " store and "
        << doc.Declarations.LoadFormulaCount() << " load formulas\n";
}

bool WriteOutput(CommandContext& context, const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        context.err << "vexa-cli: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int CmdNew(CommandContext& context) {
    auto args = context.args;
    std::string output, type;
    TakeOption(args, "--type", type);
    if (!TakeOption(args, "-o", output) || !args.empty())
        return Usage(context, "new [--type NAME.def] -o OUT.gvr");
    CliSession session(context);
    session.New();
    if (!type.empty()) {
        const auto catalogue = ReadTransmissionCatalogue(session.Doc());
        auto entry = std::find_if(catalogue.begin(), catalogue.end(),
                                  [&](const SelectionEntry& e) { return e.fileName == type; });
        if (entry == catalogue.end()) {
            context.err << "vexa-cli new: no transmission type " << type << " in "
                        << session.Doc().DefinitionDir << "\n";
            return 1;
        }
        ApplyTransmissionType(session.Doc(), *entry);
    }
    return session.SaveAs(output) ? 0 : 1;
}

int CmdInfo(CommandContext& context) {
    auto args = context.args;
    const bool json = TakeFlag(args, "--json");
    if (args.size() != 1)
        return Usage(context, "info FILE [--json]");
    CliSession session(context);
    const bool opened = session.Open(args[0]);
    if (json)
        PrintJson(context.out, session.Doc(), session.Host().Messages());
    else if (opened)
        PrintSummary(context.out, session.Doc());
    return opened ? 0 : 1;
}

int CmdSave(CommandContext& context) {
    if (context.args.size() != 2)
        return Usage(context, "save IN.gvr OUT.gvr");
    CliSession session(context);
    return session.Open(context.args[0]) && session.SaveAs(context.args[1]) ? 0 : 1;
}

int CmdConvert(CommandContext& context) {
    if (context.args.size() != 2)
        return Usage(context, "convert OLD NEW.gvr");
    CliSession session(context);
    return session.Open(context.args[0]) && session.SaveAs(context.args[1]) ? 0 : 1;
}

int CmdImage(CommandContext& context) {
    auto args = context.args;
    std::string output;
    TakeOption(args, "-o", output);
    TakeFlag(args, "--hex");
    if (args.size() != 1)
        return Usage(context, "image FILE [--hex | -o OUT.bin]");
    CliSession session(context);
    if (!session.Open(args[0]))
        return 1;
    const std::vector<std::uint8_t> image = session.Image();
    if (image.empty()) {
        context.err << "vexa-cli image: the calibration's declarations do not describe a "
                       "memory image that can be built\n";
        return 1;
    }
    if (!output.empty())
        return WriteOutput(context, output, std::string(image.begin(), image.end())) ? 0 : 1;
    for (std::size_t row = 0; row < image.size(); row += 16) {
        char offset[24];
        std::snprintf(offset, sizeof offset, "%04zX ", row);
        context.out << offset;
        for (std::size_t i = row; i < std::min(row + 16, image.size()); ++i)
            context.out << ' ' << Hex(&image[i], 1);
        context.out << "\n";
    }
    return 0;
}

} // namespace vexa::cli
