// Every definition set shipped under data/ loads without a single message, describes windows
// whose every reference resolves (variables, curves, RAM symbols, files), builds a memory
// image, and round-trips through a calibration file byte for byte.
#include "datafixture.h"
#include "link/ramsymbols.h"
#include "signaturefile.h"

#include "core/programpaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

namespace vexa::testing {
namespace {

namespace fs = std::filesystem;

struct DefinitionCase {
    Family family;
    std::string file;
};

void PrintTo(const DefinitionCase& c, std::ostream* out) {
    *out << c.family.Folder() << "/" << c.file;
}

std::string CaseName(const ::testing::TestParamInfo<DefinitionCase>& info) {
    std::string name = info.param.family.Folder() + "_" + info.param.file;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name;
}

// Every PID<device>/<firmware> folder under data/ with its .def files, so a definition added
// later is checked without touching this test.
std::vector<DefinitionCase> ShippedDefinitions() {
    std::vector<DefinitionCase> cases;
    std::error_code ec;
    for (const auto& pid : fs::directory_iterator(DataDir(), ec)) {
        const std::string pidName = pid.path().filename().string();
        if (!pid.is_directory() || pidName.rfind("PID", 0) != 0)
            continue;
        for (const auto& version : fs::directory_iterator(pid.path(), ec)) {
            const Family family{std::atoi(pidName.c_str() + 3),
                                std::atoi(version.path().filename().string().c_str())};
            for (const auto& file : fs::directory_iterator(version.path(), ec)) {
                if (file.path().extension() == ".def")
                    cases.push_back({family, file.path().filename().string()});
            }
        }
    }
    std::sort(cases.begin(), cases.end(), [](const DefinitionCase& a, const DefinitionCase& b) {
        return std::tie(a.family.device, a.family.firmware, a.file) <
               std::tie(b.family.device, b.family.firmware, b.file);
    });
    return cases;
}

std::string Messages(const RecordingHost& host) {
    std::string text;
    for (const RecordedMessage& m : host.messages)
        text += "[" + m.caption + "] " + m.text + "\n";
    return text;
}

// --- Reading the definition text as the windows do -----------------------------------

struct Section {
    std::string header;
    int start; // after the header
    int end;   // the next "[" or the end of the text
};

std::vector<Section> Sections(const std::string& text) {
    std::vector<Section> sections;
    std::size_t at = text.find("\n[");
    while (at != std::string::npos) {
        const std::size_t close = text.find(']', at);
        const std::size_t next = text.find('[', close);
        sections.push_back({text.substr(at + 1, close - at), static_cast<int>(close + 1),
                            static_cast<int>(next == std::string::npos ? text.size() : next)});
        at = text.find("\n[", close);
    }
    return sections;
}

struct KeyLine {
    std::string key;
    std::string value;
};

struct Block {
    std::string keyword;
    std::string type;
    std::vector<KeyLine> lines;
    int start;
    int end;
};

const std::map<std::string, std::string> kBlockKeyword = {{"[GraphicalTuning]", "GraphElement"},
                                                          {"[DataItems]", "DataItem"}};

std::string KeywordOf(const std::string& header) {
    auto it = kBlockKeyword.find(header);
    return it == kBlockKeyword.end() ? "UserOption" : it->second;
}

// The blocks of one section in text order, with their key lines, read through the engine.
std::vector<Block> Blocks(CVLXDoc& doc, const Section& section) {
    doc.SectionStart = doc.ItemCursor = section.start;
    doc.SectionEnd = section.end;
    std::vector<Block> blocks;
    const std::string keyword = KeywordOf(section.header);
    std::string type;
    for (int cont = 0; doc.FindBlock(keyword, type, cont); cont = 1) {
        Block block{keyword, type, {}, doc.BlockStart, doc.BlockEnd};
        std::string key, value;
        int cursor = 0;
        while (doc.NextKeyLine(key, value, cursor, kBlockScope)) {
            if (!key.empty())
                block.lines.push_back({key, value});
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

// Key lines of a section outside its blocks.
std::vector<KeyLine> SectionLines(CVLXDoc& doc, const Section& section) {
    doc.SectionStart = doc.ItemCursor = section.start;
    doc.SectionEnd = section.end;
    std::vector<KeyLine> lines;
    std::string key, value;
    int cursor = 0;
    bool inBlock = false;
    while (doc.NextKeyLine(key, value, cursor, kSectionScope)) {
        if (key.empty())
            continue;
        if (!inBlock && !value.empty() && value.back() == '{') {
            inBlock = true;
        } else if (inBlock && key == "}") {
            inBlock = false;
        } else if (!inBlock) {
            lines.push_back({key, value});
        }
    }
    return lines;
}

// Every key a window reads from a block of this keyword (the tuning bar, the dashboard, the
// settings pages), so a text that happens to contain one of them followed by a blank would be taken
// for it.
const std::map<std::string, std::vector<std::string>> kBlockKeys = {
    {"GraphElement", {"LogicalName",       "DisplayName",       "TraceNum",
                      "TraceColor",        "EnableButton",      "CallOutFmt",
                      "SingleLabelEnable", "ProxyEnable",       "EnableCondition",
                      "BackColor",         "HelpText",          "StatusBarTxt",
                      "ToolTip",           "TraceMode",         "Link",
                      "StoreToIntFormula", "IntToStoreFormula", "DispToIntFormula",
                      "IntToDispFormula",  "ProxyFormula",      "PadEnable",
                      "ConvTable",         "BitValState0",      "BitValState1",
                      "BitValState2"}},
    {"DataItem",
     {"LogicalName",   "DisplayName",      "DefMonState",     "DefLogState", "NumTicks",
      "MinValue",      "MaxValue",         "MaxErrorTxt",     "MinErrorTxt", "DisplayFormula",
      "CrosshairMode", "CrosshairFormula", "DefDisplayColor", "HelpText",    "StatusBarTxt",
      "ToolTip",       "EnumText0",        "EnumText1",       "EnumText2",   "EnumText3",
      "EnumText4",     "EnumText5"}},
    {"UserOption",
     {"LogicalName",   "DisplayName",     "xPosition",      "ySpace",         "EnableCondition",
      "DefState",      "BitValState0",    "BitValState1",   "BitValState2",   "BitValState3",
      "BitValState4",  "ListTxt0",        "ListTxt1",       "ListTxt2",       "ListTxt3",
      "TxtState0",     "TxtState1",       "TxtState2",      "TxtState3",      "TxtState4",
      "HelpText",      "GlobalInfluence", "DisplayFormula", "StoreFormula",   "StoreFormula2",
      "StoreFormula3", "MinValue",        "MaxValue",       "DeltaIncrement", "DefValue",
      "TargetVar",     "TargetLName",     "ActionFormula",  "ActionFailText", "RangeFailFmt",
      "Execute"}},
};

// --- References ------------------------------------------------------------------------

struct Reference {
    char letter;
    std::string name;
};

// The references of a formula as reference substitution finds them: a letter, a colon, a
// name up to white space cut at its first colon, and one more character.
std::vector<Reference> References(const std::string& formula, std::string* substituted) {
    std::vector<Reference> refs;
    std::string text = formula;
    std::size_t colon = text.find(':');
    while (colon != std::string::npos) {
        const char letter = colon > 0 ? text[colon - 1] : '?';
        std::size_t nameEnd = colon + 1;
        while (nameEnd < text.size() && !std::isspace(static_cast<unsigned char>(text[nameEnd])))
            ++nameEnd;
        std::string name = text.substr(colon + 1, nameEnd - colon - 1);
        name = name.substr(0, name.find(':'));
        refs.push_back({letter, name});
        const std::size_t from = colon > 0 ? colon - 1 : colon;
        const std::size_t length = std::min(text.size() - from, name.size() + 3);
        text.replace(from, length, "2");
        colon = text.find(':');
    }
    if (substituted)
        *substituted = text;
    return refs;
}

bool HasVariable(const CVLXDoc& doc, const std::string& name, bool (*kind)(std::uint8_t)) {
    const auto used = static_cast<std::size_t>(doc.Declarations.VariableCount());
    for (std::size_t i = 0; i < used && i < doc.VariableTable.size(); ++i) {
        if (doc.VariableTable[i].name == name && kind(doc.VariableTable[i].type))
            return true;
    }
    return false;
}

bool IsInteger(std::uint8_t type) {
    return IsIntegerType(type);
}
bool IsFloat(std::uint8_t type) {
    return type == kTypeF32;
}
bool IsTable(std::uint8_t type) {
    return IsTableType(type);
}
bool IsString(std::uint8_t type) {
    return type == kTypeSTR;
}

// Empty when every reference of formula resolves and the formula parses, else what failed.
std::string CheckFormula(CVLXDoc& doc, const std::string& formula) {
    std::string failures;
    std::string substituted;
    for (const Reference& ref : References(formula, &substituted)) {
        bool ok = false;
        switch (std::toupper(static_cast<unsigned char>(ref.letter))) {
        case 'I':
            ok = HasVariable(doc, ref.name, IsInteger);
            break;
        case 'F':
            ok = HasVariable(doc, ref.name, IsFloat);
            break;
        case 'T':
            ok = HasVariable(doc, ref.name, IsTable);
            break;
        case 'M':
            ok = LookupRamSymbol(ref.name) != 0;
            break;
        default:
            break;
        }
        if (!ok)
            failures += std::string(1, ref.letter) + ":" + ref.name + " does not resolve\n";
    }
    int errorPosition = 0;
    std::string errorText;
    CFormulaParser parser;
    parser.Evaluate(substituted, 1.0, errorPosition, errorText, 1);
    if (errorPosition != 0)
        failures += "\"" + formula + "\": " + errorText + "\n";
    return failures;
}

// "format = formula" as data items, edit boxes and buttons split it.
std::pair<std::string, std::string> SplitAtEquals(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return {"", TrimmedText(text)};
    std::string left = text.substr(0, equals);
    while (!left.empty() && left.back() == ' ')
        left.pop_back();
    return {left, TrimmedText(text.substr(equals + 1))};
}

// The conversions of a printf format, in order ("f", "s", "d" ...).
std::vector<char> Conversions(const std::string& format) {
    static const std::regex conversion("%%|%[-+ #0]*[0-9]*(\\.[0-9]+)?([a-zA-Z])");
    std::vector<char> kinds;
    for (auto it = std::sregex_iterator(format.begin(), format.end(), conversion);
         it != std::sregex_iterator(); ++it) {
        if ((*it)[0] != "%%")
            kinds.push_back((*it)[2].str()[0]);
    }
    return kinds;
}

bool IsOneDoubleFormat(const std::string& format) {
    const std::vector<char> kinds = Conversions(format);
    return kinds.size() == 1 && std::string("fFeEgG").find(kinds[0]) != std::string::npos;
}

// A name the definitions give relative to the program directory.
std::string CheckProgramFile(const CVLXDoc& doc, const std::string& stored) {
    if (stored.empty() || stored[0] == '/' || stored[0] == '\\' ||
        stored.find("..") != stored.npos || stored.find(':') != stored.npos)
        return stored + " is not relative to the program directory\n";
    if (!fs::is_regular_file(JoinStoredPath(doc.ProgramDir, stored)))
        return stored + " does not exist under data/\n";
    return "";
}

// --- Colours ------------------------------------------------------------------------------

// Relative luminance of a 0x00BBGGRR colour (sRGB).
double Luminance(std::uint32_t colour) {
    const auto channel = [colour](int shift) {
        const double c = static_cast<double>((colour >> shift) & 0xFFu) / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(0) + 0.7152 * channel(8) + 0.0722 * channel(16);
}

// The contrast ratio of two colours, 1 to 21; text wants 4.5 or more.
double Contrast(std::uint32_t a, std::uint32_t b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The CIE L*a*b* distance of two colours (D65): about 2 is the smallest difference an eye
// sees side by side; curves should differ by far more.
double ColourDistance(std::uint32_t a, std::uint32_t b) {
    const auto lab = [](std::uint32_t colour) {
        const auto linear = [colour](int shift) {
            const double c = static_cast<double>((colour >> shift) & 0xFFu) / 255.0;
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        const double red = linear(0), green = linear(8), blue = linear(16);
        const double x = (0.4124 * red + 0.3576 * green + 0.1805 * blue) / 0.95047;
        const double y = 0.2126 * red + 0.7152 * green + 0.0722 * blue;
        const double z = (0.0193 * red + 0.1192 * green + 0.9505 * blue) / 1.08883;
        const auto f = [](double t) {
            return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
        };
        return std::array<double, 3>{116.0 * f(y) - 16.0, 500.0 * (f(x) - f(y)),
                                     200.0 * (f(y) - f(z))};
    };
    const auto p = lab(a);
    const auto q = lab(b);
    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

TEST(Colours, ContrastAndDistanceAreTheUsualMeasures) {
    EXPECT_NEAR(Contrast(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(Contrast(kWhite, kWhite), 1.0, 1e-9);
    EXPECT_NEAR(Contrast(0x767676, kWhite), 4.54, 0.01); // the lightest grey text on white
    EXPECT_NEAR(Contrast(0x0000FF, kBlack), 5.25, 0.01); // pure red
    EXPECT_NEAR(ColourDistance(kBlack, kWhite), 100.0, 0.01);
    EXPECT_NEAR(ColourDistance(0x0000FF, 0x0000FF), 0.0, 1e-9);
}

// --- The definitions --------------------------------------------------------------------

class ShippedDefinition : public ::testing::TestWithParam<DefinitionCase> {
protected:
    void SetUp() override {
        data = std::make_unique<DataDoc>(GetParam().family);
        ASSERT_EQ(data->doc->DefinitionDir, DataDir() + "/" + GetParam().family.Folder());
        ASSERT_TRUE(data->NewOfType(GetParam().file)) << "not in the catalogue";
    }
    CVLXDoc& doc() { return *data->doc; }
    std::unique_ptr<DataDoc> data;
};

TEST_P(ShippedDefinition, LoadsAndDeclaresWithoutAMessage) {
    EXPECT_EQ(doc().ReadApplicationID(), 1);
    EXPECT_EQ(doc().ReadDeclarations(0), 1);
    EXPECT_EQ(Messages(data->host), "");
    EXPECT_NE(doc().Header[kTransmissionType], "None");
    EXPECT_EQ(doc().Header[kDefinitionFileName], GetParam().file);

    // The sizes the transfer depends on.
    const DeclarationsBlock& d = doc().Declarations;
    EXPECT_LE(d.StaticBlockStart() + d.StaticBlockSize(), d.TotalBlockSize());
    EXPECT_LE(d.DynamicBlockStart() + d.I32(DeclarationsBlock::kDynamicBlockSize),
              d.StaticBlockStart());
    if (d.NVMType() == 0) {
        EXPECT_LE(d.TotalBlockSize(), 256);
    } else {
        EXPECT_GT(d.FlashBlockSize(), 0);
        EXPECT_EQ(d.CalBufferSize() % 256, 0);
        EXPECT_GE(d.CalNVMPageSize(), d.TotalBlockSize()) << "the two tables would overlap";
        EXPECT_EQ(d.CalNVMStart() % d.FlashBlockSize(), 0);
    }
}

TEST_P(ShippedDefinition, GraphControlsShowDeclaredCurves) {
    std::vector<TuningControl> controls;
    ASSERT_EQ(BuildGraphicalTuning(doc(), controls), 1);
    EXPECT_EQ(Messages(data->host), "");
    std::set<int> kinds;
    for (const TuningControl& control : controls)
        kinds.insert(control.kind);
    EXPECT_THAT(kinds,
                ::testing::IsSupersetOf({TuningControl::kHeading, TuningControl::kTraceButton,
                                         TuningControl::kControlButton}));

    // Every Trace element names a declared curve by its number and its LogicalName.
    const Section* tuning = nullptr;
    const std::vector<Section> sections = Sections(doc().DefinitionText);
    for (const Section& s : sections) {
        if (s.header == "[GraphicalTuning]")
            tuning = &s;
    }
    ASSERT_NE(tuning, nullptr);
    std::set<std::string> enableModes;
    for (const Block& block : Blocks(doc(), *tuning)) {
        if (block.type != "Trace")
            continue;
        std::map<std::string, std::string> keys;
        for (const KeyLine& line : block.lines)
            keys.emplace(line.key, line.value);
        const int trace = std::stoi(keys["TraceNum"], nullptr, 0);
        EXPECT_EQ(doc().FindTableIndex(keys["LogicalName"]), trace) << keys["LogicalName"];
        enableModes.insert(keys.count("ProxyEnable") ? "proxy" : keys["EnableButton"]);
    }
    EXPECT_THAT(enableModes, ::testing::IsSupersetOf({"-1", "0", "1", "2", "proxy"}));
    EXPECT_EQ(Messages(data->host), "");
}

// The tuning bar writes black text on each trace's and button's colour, the graph draws the
// curves in their colours on white, and the dashboard writes its values in their colours on
// white: every colour must keep its text readable (4.5:1), a curve must stand out from the
// white graph (3:1) and from every other curve.
TEST_P(ShippedDefinition, ColoursAreReadable) {
    std::map<std::string, std::uint32_t> traces;
    std::string failures;
    for (const Section& section : Sections(doc().DefinitionText)) {
        if (section.header != "[GraphicalTuning]" && section.header != "[DataItems]")
            continue;
        for (const Block& block : Blocks(doc(), section)) {
            std::string name;
            for (const KeyLine& line : block.lines) {
                if (line.key == "LogicalName")
                    name = line.value;
            }
            for (const KeyLine& line : block.lines) {
                if (line.key != "TraceColor" && line.key != "BackColor" &&
                    line.key != "DefDisplayColor")
                    continue;
                const auto colour = static_cast<std::uint32_t>(std::stoul(line.value, nullptr, 0));
                const bool onWhite = line.key == "DefDisplayColor";
                const double ratio = Contrast(colour, onWhite ? kWhite : kBlack);
                if (ratio < 4.5)
                    failures += name + " " + line.key + " " + line.value + ": text contrast " +
                                std::to_string(ratio) + "\n";
                if (line.key == "TraceColor") {
                    if (Contrast(colour, kWhite) < 3.0)
                        failures += name + " " + line.value + ": faint on the white graph\n";
                    traces.emplace(name, colour);
                }
            }
        }
    }
    EXPECT_GE(traces.size(), 6u);
    for (auto a = traces.begin(); a != traces.end(); ++a) {
        for (auto b = std::next(a); b != traces.end(); ++b) {
            const double distance = ColourDistance(a->second, b->second);
            if (distance < 20.0)
                failures += a->first + " and " + b->first + " look alike: distance " +
                            std::to_string(distance) + "\n";
        }
    }
    EXPECT_EQ(failures, "");
}

TEST_P(ShippedDefinition, EveryKeyIsFoundWhereItIsWritten) {
    // Keys are found by their first occurrence after the scope's start: a section key written
    // after a block, or a text containing a key name, would be read in place of the key.
    std::string failures;
    for (const Section& section : Sections(doc().DefinitionText)) {
        for (const Block& block : Blocks(doc(), section)) {
            doc().BlockStart = block.start;
            doc().BlockEnd = block.end;
            std::set<std::string> present;
            for (const KeyLine& line : block.lines) {
                if (!present.insert(line.key).second)
                    continue;
                std::string value;
                if (doc().ReadKeyString(line.key, value, kBlockScope) != 1 || value != line.value)
                    failures += section.header + " " + block.type + ": " + line.key + " reads \"" +
                                value + "\"\n";
            }
            for (const std::string& key : kBlockKeys.at(block.keyword)) {
                std::string value;
                if (!present.count(key) && doc().ReadKeyString(key, value, kBlockScope) == 1)
                    failures += section.header + " " + block.type + ": absent " + key +
                                " found in a text: \"" + value + "\"\n";
            }
        }
        if (section.header == "[Declarations]")
            continue; // variable lines are walked, never searched
        std::set<std::string> present;
        for (const KeyLine& line : SectionLines(doc(), section)) {
            if (!present.insert(line.key).second)
                continue;
            std::string value;
            if (doc().ReadKeyString(line.key, value, kSectionScope) != 1 || value != line.value)
                failures += section.header + ": " + line.key + " reads \"" + value + "\"\n";
        }
    }
    EXPECT_EQ(failures, "");
}

TEST_P(ShippedDefinition, EveryReferenceResolves) {
    static const std::set<std::string> kPureFormulas = {"StoreToIntFormula", "IntToStoreFormula",
                                                        "DispToIntFormula",  "IntToDispFormula",
                                                        "ProxyFormula",      "CrosshairFormula"};
    static const std::set<std::string> kFormattedFormulas = {"DisplayFormula", "ActionFormula"};
    static const std::set<std::string> kStoreFormulas = {"StoreFormula", "StoreFormula2",
                                                         "StoreFormula3"};
    static const std::regex kActionList("BitValState[0-9]+|BitValFixed|EnableCondition|"
                                        "ProxyEnable|SingleLabelEnable");
    std::string failures;
    auto checkActionList = [&](const std::string& where, const std::string& key, int scope) {
        int match = 0;
        const std::size_t before = data->host.messages.size();
        if (doc().ApplyActionList(key, scope, nullptr, &match) != 1)
            failures += where + " " + key + ": malformed action list\n";
        if (data->host.messages.size() != before)
            failures += where + " " + key + ": " + data->host.messages.back().caption +
                        " does not resolve\n";
    };

    for (const Section& section : Sections(doc().DefinitionText)) {
        for (const KeyLine& line : SectionLines(doc(), section)) {
            if (std::regex_match(line.key, kActionList))
                checkActionList(section.header, line.key, kSectionScope);
            if (line.key == "DisplayPic")
                failures += CheckProgramFile(doc(), line.value);
        }
        if (section.header == "[QuickTuneDialog]" || section.header == "[ConfigurationDialog]") {
            for (const KeyLine& line : SectionLines(doc(), section)) {
                if (line.key.rfind("Tab", 0) == 0 &&
                    doc().DefinitionText.find("\n[" + line.value + "]") == std::string::npos)
                    failures +=
                        section.header + " " + line.key + ": no section " + line.value + "\n";
            }
        }
        for (const Block& block : Blocks(doc(), section)) {
            doc().BlockStart = block.start;
            doc().BlockEnd = block.end;
            const std::string where = section.header + " " + block.type;
            bool hasSymbol = false;
            for (const KeyLine& line : block.lines) {
                if (std::regex_match(line.key, kActionList))
                    checkActionList(where, line.key, kBlockScope);
                if (kPureFormulas.count(line.key))
                    failures += CheckFormula(doc(), line.value);
                if (kFormattedFormulas.count(line.key)) {
                    const auto [format, formula] = SplitAtEquals(line.value);
                    failures += CheckFormula(doc(), formula);
                    for (const Reference& ref : References(formula, nullptr))
                        hasSymbol = hasSymbol || std::toupper(ref.letter) == 'M';
                    const bool enumerated = block.type == "EnumeratedText";
                    if (!enumerated && !IsOneDoubleFormat(format))
                        failures += where + " " + line.key + ": format \"" + format + "\"\n";
                }
                if (kStoreFormulas.count(line.key)) {
                    const auto [target, formula] = SplitAtEquals(line.value);
                    failures += CheckFormula(doc(), formula);
                    const std::string name = TrimmedText(target.substr(target.find('@') + 1));
                    const bool isFloat = std::toupper(target[0]) == 'F';
                    if (!HasVariable(doc(), name, isFloat ? IsFloat : IsInteger))
                        failures += where + " " + line.key + ": no variable " + name + "\n";
                }
                if (line.key == "TargetVar" && !HasVariable(doc(), line.value, IsString))
                    failures += where + " TargetVar: no string " + line.value + "\n";
                if (line.key == "CallOutFmt") {
                    const std::vector<char> kinds = Conversions(line.value);
                    const std::string expected = "sfsdd";
                    for (std::size_t i = 0; i < kinds.size(); ++i) {
                        const bool fits =
                            i < expected.size() &&
                            (expected[i] == 'f'
                                 ? std::string("fFeEgG").find(kinds[i]) != std::string::npos
                                 : kinds[i] == expected[i]);
                        if (!fits)
                            failures += where + " CallOutFmt: \"" + line.value + "\"\n";
                    }
                }
                if (line.key == "Execute")
                    failures += CheckProgramFile(doc(), line.value);
            }
            if (block.keyword == "DataItem" && !hasSymbol)
                failures += where + ": the item reads no RAM symbol\n";
        }
    }
    for (std::size_t i = 0; i < doc().Declarations.StoreFormulaCount(); ++i)
        failures += CheckFormula(doc(), SplitAtEquals(doc().StoreFormulas[i]).second);
    for (std::size_t i = 0; i < doc().Declarations.LoadFormulaCount(); ++i)
        failures += CheckFormula(doc(), SplitAtEquals(doc().LoadFormulas[i]).second);
    EXPECT_EQ(failures, "");
    EXPECT_EQ(Messages(data->host), "");
}

TEST_P(ShippedDefinition, ImageReadsBackAsTheSameCalibration) {
    const std::vector<std::uint8_t> image = data->Image();
    ASSERT_EQ(image.size(), static_cast<std::size_t>(doc().Declarations.TotalBlockSize()));
    EXPECT_EQ(Messages(data->host), "");

    // A table read back from the controller is recognised as this type.
    const SignatureMatch match =
        DetectTransmission(doc().DefinitionDir + "/TransReadback.sig", image);
    ASSERT_TRUE(match.matched);
    if (match.result == "*")
        EXPECT_THAT(match.choices, ::testing::Contains(GetParam().file));
    else
        EXPECT_EQ(match.result, GetParam().file);

    // And it gives the same calibration: the same image again, and the same curves but for
    // those that follow a proxy formula, which read back as the formula's result.
    auto curves = doc().CurveTable;
    ASSERT_EQ(doc().ApplyMemoryImage(image), 1);
    EXPECT_EQ(data->Image(), image);
    for (int curve = 0; curve < kNumCurves; ++curve) {
        if (!doc().ProxyActive[static_cast<std::size_t>(curve)])
            continue;
        for (int point = 0; point < kPointsPerCurve; ++point)
            curves[static_cast<std::size_t>(curve * kPointsPerCurve + point)] =
                doc().Point(curve, point);
    }
    EXPECT_EQ(doc().CurveTable, curves);
    EXPECT_EQ(Messages(data->host), "");
}

TEST_P(ShippedDefinition, NewCalibrationSavesAndOpensToTheSameBytes) {
    const std::string first = doc().SaveToBytes();
    std::string failure;
    ASSERT_EQ(doc().LoadFromBytes(first, failure), 1) << failure;
    const std::string second = doc().SaveToBytes();
    const auto [a, b] = std::mismatch(first.begin(), first.end(), second.begin(), second.end());
    EXPECT_TRUE(a == first.end() && b == second.end())
        << "first difference at byte " << (a - first.begin()) << " of " << first.size() << "/"
        << second.size();
    EXPECT_EQ(Messages(data->host), "");
}

INSTANTIATE_TEST_SUITE_P(Data, ShippedDefinition, ::testing::ValuesIn(ShippedDefinitions()),
                         CaseName);

// --- The sets as a whole ----------------------------------------------------------------

TEST(ShippedData, EachFamilyOffersItsTransmissionTypes) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"PID2/3", {"4L60E", "4L60E-HD", "4L80E", "4R70W"}},
        {"PID3/1", {"4L80E", "4R100", "E4OD"}},
    };
    for (const auto& [folder, types] : expected) {
        const Family family{folder[3] - '0', folder[5] - '0'};
        DataDoc data(family);
        // generic.init: no type chosen, its declarations read without a message.
        EXPECT_EQ(data.doc->Header[kTransmissionType], "None") << folder;
        EXPECT_GT(data.doc->Declarations.VariableCount(), 0u) << folder;
        EXPECT_EQ(data.doc->Declarations.TotalBlockSize(), folder == "PID2/3" ? 256 : 4096);
        std::vector<std::string> listed;
        for (const SelectionEntry& entry : ReadTransmissionCatalogue(*data.doc))
            listed.push_back(entry.transmissionType);
        EXPECT_EQ(listed, types) << folder;
        EXPECT_EQ(Messages(data.host), "") << folder;
        EXPECT_NE(data.doc->PackageVersion, 0) << "Package.ver";
    }
}

TEST(ShippedData, HelpFilesAreRichTextWithWorkingPictures) {
    int pictures = 0;
    for (const auto& file : fs::directory_iterator(DataDir() + "/Help")) {
        const std::string text = ReadFileBytes(file.path().string());
        EXPECT_EQ(text.rfind("{\\rtf1", 0), 0u) << file.path();
        EXPECT_EQ(std::count(text.begin(), text.end(), '{'),
                  std::count(text.begin(), text.end(), '}'))
            << file.path();
        for (std::size_t at = text.find("\\pngblip"); at != std::string::npos;
             at = text.find("\\pngblip", at + 1)) {
            const std::size_t hex = text.find_first_of("0123456789abcdef", text.find('\n', at));
            std::string head;
            for (std::size_t i = hex; head.size() < 16 && i < text.size(); ++i) {
                if (std::isxdigit(static_cast<unsigned char>(text[i])))
                    head += text[i];
            }
            EXPECT_EQ(head, "89504e470d0a1a0a") << file.path() << ": not a PNG";
            ++pictures;
        }
    }
    EXPECT_GE(pictures, 1);
}

TEST(ShippedData, PicturesAreSmall24BitBitmaps) {
    for (const auto& file : fs::directory_iterator(DataDir() + "/Pictures")) {
        const std::string bytes = ReadFileBytes(file.path().string());
        ASSERT_GE(bytes.size(), 54u) << file.path();
        EXPECT_EQ(bytes.substr(0, 2), "BM") << file.path();
        EXPECT_EQ(bytes[28], 24) << file.path() << ": bits per pixel";
    }
}

TEST(ShippedData, OlderTypeNamesMapToDefinitionsOfTheOlderControllers) {
    std::ifstream map(DataDir() + "/OldTypetoDef.map");
    std::string line;
    int entries = 0;
    while (std::getline(map, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string file = TrimmedText(line.substr(equals + 1));
        EXPECT_TRUE(fs::is_regular_file(DataDir() + "/PID2/3/" + file)) << line;
        ++entries;
    }
    EXPECT_GE(entries, 5);
}

// The older application's files open into the type their map line names, with every value
// landing in a declared variable.
TEST(ShippedData, OlderSamplesImportIntoTheirTypes) {
    const std::map<std::string, std::string> expected = {
        {"4l60e_street.gvr", "4l60e.def"},
        {"4l80e_towing.gvr", "4l80e.def"},
        {"aode_mustang.gvr", "4r70w.def"},
    };
    for (const auto& [sample, definition] : expected) {
        SCOPED_TRACE(sample);
        DataDoc data({2, 3});
        data.host.messages.clear();
        const std::string path = DataDir() + "/samples/" + sample;
        ASSERT_TRUE(data.doc->OnOpenDocument(path)) << Messages(data.host);
        ASSERT_EQ(data.host.messages.size(), 1u) << Messages(data.host);
        EXPECT_EQ(data.host.messages[0].caption, "Old File Format Detected");
        EXPECT_EQ(data.doc->Header[kDefinitionFileName], definition);

        // The first point of the 1-2 curve is the file's internal value in its stored units.
        std::vector<std::string> lines;
        std::istringstream in(ReadFileBytes(path));
        for (std::string l; std::getline(in, l);)
            lines.push_back(TrimmedText(l));
        // The comment ends at the first line ending in a double quote; the type follows.
        std::size_t typeLine = 1;
        while (lines[typeLine].back() != '"')
            ++typeLine;
        ++typeLine;
        // Lines before the first table: type, sub-type, description, five unused, three
        // ratios, one unused.
        EXPECT_EQ(data.doc->Point(0, 0), 16 * std::stoi(lines[typeLine + 12]));
        EXPECT_FLOAT_EQ(data.doc->FindFloatVariable("AxleRatio").Get(),
                        std::stof(lines[typeLine + 8]));
    }
}

} // namespace
} // namespace vexa::testing
