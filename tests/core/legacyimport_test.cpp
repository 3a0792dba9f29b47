#include "support/decimalcomma.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vexa {
namespace {

using testing::DocFixture;
using testing::ReadFileBytes;
using testing::RecordingHost;

std::string LegacyFixture(const std::string& name) {
    return ReadFileBytes(std::string(VEXA_SOURCE_DIR) + "/tests/core/fixtures/legacy/" + name);
}

// Line numbers of full.gvr, whose comment spans lines 2 to 4.
constexpr int kTypeLine = 5;
constexpr int kAxleRatioLine = 13;
constexpr int kTireDiamLine = 14;
constexpr int kSSFactorLine = 15;
constexpr int kFourWheelDriveLine = 173;
constexpr int kLowRangeCalLine = 174;
constexpr int kLowRangeRatioLine = 175;
constexpr int kLastFlagLine = 177;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const char* ending = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + ending;
    return text;
}

// full.gvr with some of its lines (1-based) replaced.
std::string FullFileWith(const std::vector<std::pair<int, std::string>>& changes) {
    std::vector<std::string> lines = SplitLines(LegacyFixture("full.gvr"));
    for (const auto& [number, text] : changes)
        lines.at(static_cast<std::size_t>(number - 1)) = text;
    return JoinLines(lines);
}

// Reads the curves' conversion settings on rebuild, as the tuning bar does: curves 0 to 3
// pass the internal value through, curve 4 halves it, curve 5 converts nothing.
struct TuningBarHost : RecordingHost {
    CVLXDoc* doc = nullptr;
    void RebuildBars() override {
        RecordingHost::RebuildBars();
        for (int curve = 0; curve < 6; ++curve)
            doc->Curve(curve).TraceMode = 2;
        doc->Curve(4).TraceMode = 1;
        doc->Curve(4).IntToStoreFormula = "x/2";
        doc->Curve(5).TraceMode = 0;
    }
};

class LegacyImport : public ::testing::Test {
protected:
    void SetUp() override {
        f.dir.Write("PID2/3/generic.init", LegacyFixture("generic.init"));
        f.dir.Write("PID2/3/4l60e.def", LegacyFixture("legacy.def"));
        f.dir.Write("OldTypetoDef.map", LegacyFixture("OldTypetoDef.map"));
        f.MakeDoc();
        bar.doc = f.doc.get();
        f.doc->SetHost(&bar);
    }

    bool Open(const std::string& bytes) {
        path = f.dir.Write("old.gvr", bytes);
        return doc().OnOpenDocument(path);
    }
    CVLXDoc& doc() { return *f.doc; }
    int Int(const std::string& name) { return doc().FindIntVariable(name).Get(); }
    float Float(const std::string& name) { return doc().FindFloatVariable(name).Get(); }
    std::string Text(const std::string& name) {
        const int slot = doc().FindStringIndex(name);
        return slot < 0 ? "<missing>" : doc().Slot(slot).name;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const auto& message : bar.messages)
            captions.push_back(message.caption);
        return captions;
    }

    DocFixture f;
    TuningBarHost bar;
    std::string path;
};

TEST_F(LegacyImport, FillsTheMappedDefinitionsVariablesWithLfOrCrLfLines) {
    for (const char* ending : {"\n", "\r\n"}) {
        SCOPED_TRACE(ending[0] == '\r' ? "CR LF" : "LF");
        bar.messages.clear();
        ASSERT_TRUE(Open(JoinLines(SplitLines(LegacyFixture("full.gvr")), ending)));

        ASSERT_EQ(Captions(), std::vector<std::string>{"Old File Format Detected"});
        EXPECT_EQ(bar.messages[0].flags, kMbIconInformation);
        EXPECT_EQ(Text("UserComment"), "Daily driver tuned hot in 2004 for towing");
        EXPECT_EQ(doc().Header[kDefinitionFileName], "4l60e.def");
        EXPECT_EQ(doc().Header[kTransmissionType], "4L60E");
        EXPECT_EQ(doc().Header[kSubType], "HD");
        // The file's description wins over the definition's.
        EXPECT_EQ(doc().Header[kDescription], "Four speed overdrive");
        EXPECT_EQ(doc().DefinitionText.rfind("\n[ApplicationID]", 0), 0u);
        EXPECT_EQ(doc().Identity.FirmwareVersionMinor(), 0xFFFF);
        EXPECT_FALSE(doc().IsModified());

        EXPECT_FLOAT_EQ(Float("AxleRatio"), 3.73f);
        EXPECT_FLOAT_EQ(Float("TireDiam"), 28.5f);
        EXPECT_FLOAT_EQ(Float("SSFactor"), 8.0f);
        EXPECT_FLOAT_EQ(Float("LowRangeRatio"), 2.72f);
        EXPECT_FLOAT_EQ(Float("AuxRangeRatio"), 2.72f);

        const std::pair<const char*, int> integers[] = {
            {"WOTTPS", 0}, // no line: always 0, not the definition's 99
            {"BaseTPS", 35},
            {"CCOssOn", 11},
            {"CCOssOff", 12},
            {"CCMinGear", 13},
            {"CCMinTpsOn", 14},
            {"CCMinTpsOff", 15},
            {"CCMaxTpsOn", 16},
            {"CCMaxTpsOff", 17},
            {"CCOssMinTpsOR", 18},
            {"MANDownshift21", 18}, // "n/a" repeats the value before it
            {"MANUpshift12", 20},
            {"DriveGearTeeth", 41},
            {"DrivenGearTeeth", 17},
            {"PSOM", 1}, // flag 5
            {"FourWheelDrive", 1},
            {"LowRangeCal", 1},
            // 0x0F08: bit 5 set and bit 3 cleared by the flags, the high byte cleared.
            {"SYCONFIG", 0x20},
            // 0x0301: bit 1 set, bit 0 cleared, the high byte cleared.
            {"SYCONFIG2", 0x02},
        };
        for (const auto& [name, expected] : integers)
            EXPECT_EQ(Int(name), expected) << name;
    }
}

TEST_F(LegacyImport, TablesBecomeCurvesInTheirOrderThroughTheInternalConversion) {
    ASSERT_TRUE(Open(LegacyFixture("full.gvr")));
    const std::pair<int, std::array<int, 10>> curves[] = {
        // table 0: 300 and -1 keep their low bytes
        {0, {0, 1, 2, 3, 4, 5, 6, 7, 44, 255}},
        // table 1: the last point does not scan and repeats the one before it
        {2, {10, 11, 12, 13, 14, 15, 16, 17, 18, 18}},
        // table 2: halved and rounded half up
        {4, {10, 11, 11, 12, 12, 13, 13, 14, 14, 15}},
        {1, {30, 31, 32, 33, 34, 35, 36, 37, 38, 39}},
        {3, {40, 41, 42, 43, 44, 45, 46, 47, 48, 49}},
        // table 5: a curve without conversion reads 0
        {5, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // table 6 is copied as it is
        {6, {1500, 1600, 1700, 1800, 1900, 2000, 2100, 2200, 2300, 2400}},
        // curves the file has no table for keep their new-calibration values
        {7, {500, 600, 700, 800, 900, 1000, 1100, 1200, 1300, 1400}},
    };
    for (const auto& [curve, points] : curves) {
        for (int p = 0; p < kPointsPerCurve; ++p)
            EXPECT_EQ(doc().Point(curve, p), points[static_cast<std::size_t>(p)])
                << "curve " << curve << " point " << p;
    }
}

TEST_F(LegacyImport, FloatsThatAreNotPositiveOrDoNotScan) {
    struct Case {
        int line;
        const char* text;
        const char* variable;
        float expected;
    };
    const Case cases[] = {
        {kAxleRatioLine, "0", "AxleRatio", 4.10f}, // keeps the definition's default
        {kAxleRatioLine, "-1.5", "AxleRatio", 4.10f},
        {kAxleRatioLine, "ratio", "AxleRatio", 3.27f}, // does not scan: the older default
        {kAxleRatioLine, "4.56 to 1", "AxleRatio", 4.56f},
        {kTireDiamLine, "", "TireDiam", 27.0f},
        {kSSFactorLine, "n/a", "SSFactor", 6.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variable) + " \"" + c.text + "\"");
        ASSERT_TRUE(Open(FullFileWith({{c.line, c.text}})));
        EXPECT_FLOAT_EQ(Float(c.variable), c.expected);
    }
}

TEST_F(LegacyImport, FloatsReadAPointUnderADecimalCommaLocale) {
    testing::ScopedDecimalCommaLocale locale;
    if (!locale.Active())
        GTEST_SKIP() << testing::kNoDecimalCommaLocale;
    ASSERT_TRUE(Open(FullFileWith({{kAxleRatioLine, "3.73"},
                                   {kTireDiamLine, "28.5"},
                                   {kFourWheelDriveLine, "1"},
                                   {kLowRangeCalLine, "1"},
                                   {kLowRangeRatioLine, "2.72"}})));
    EXPECT_EQ(Float("AxleRatio"), 3.73f);
    EXPECT_EQ(Float("TireDiam"), 28.5f);
    EXPECT_EQ(Float("AuxRangeRatio"), 2.72f);
}

TEST_F(LegacyImport, AuxRangeRatioNeedsFourWheelDriveLowRangeAndARatio) {
    struct Case {
        const char* fourWheelDrive;
        const char* lowRangeCal;
        const char* ratio;
        float aux;
        float lowRange;
    };
    const Case cases[] = {
        {"1", "1", "2.72", 2.72f, 2.72f}, {"0", "1", "2.72", 1.0f, 2.72f},
        {"1", "0", "2.72", 1.0f, 2.72f},  {"1", "1", "0", 1.0f, 1.5f},
        {"1", "1", "none", 1.0f, 1.5f},   {"7", "-1", "3.5", 3.5f, 3.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fourWheelDrive) + " " + c.lowRangeCal + " " + c.ratio);
        ASSERT_TRUE(Open(FullFileWith({{kFourWheelDriveLine, c.fourWheelDrive},
                                       {kLowRangeCalLine, c.lowRangeCal},
                                       {kLowRangeRatioLine, c.ratio}})));
        EXPECT_FLOAT_EQ(Float("AuxRangeRatio"), c.aux);
        EXPECT_FLOAT_EQ(Float("LowRangeRatio"), c.lowRange);
        EXPECT_EQ(Int("FourWheelDrive"), std::string(c.fourWheelDrive) != "0" ? 1 : 0);
    }
}

TEST_F(LegacyImport, A4L80ESetsSyconfig2Bit0WhateverItsFlag) {
    // The file's own type or the type of the definition it maps to may name the 4L80E, and
    // either sets the bit: these definitions disagree with the files that map to them.
    auto definitionOfType = [](const std::string& type) {
        std::string def = LegacyFixture("legacy.def");
        def.replace(def.find("TransmissionType 4L60E"), 22, "TransmissionType " + type);
        return def;
    };
    f.dir.Write("PID2/3/4l80e.def", definitionOfType("4L60E"));
    f.dir.Write("PID2/3/4l60ehd.def", definitionOfType("4L80E"));
    struct Case {
        const char* type;
        const char* flag;
        int syconfig2;
    };
    const Case cases[] = {
        // The file's type.
        {"\"4L80E\"", "0", 0x03},
        {"\"4L80E\"", "1", 0x03},
        // The definition's type.
        {"\"4L60E-HD\"", "0", 0x03},
        // Neither: the flag decides.
        {"\"4L60E\"", "0", 0x02},
        {"\"4L60E\"", "1", 0x03},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " flag " + c.flag);
        ASSERT_TRUE(Open(FullFileWith({{kTypeLine, c.type}, {kLastFlagLine, c.flag}})));
        EXPECT_EQ(Int("SYCONFIG2"), c.syconfig2);
    }
}

TEST_F(LegacyImport, WithoutAMappedDefinitionEachMissingVariableIsReportedOnce) {
    struct Case {
        const char* name;
        bool mapFile;
        const char* type;
        const char* definitionFileName;
    };
    const Case cases[] = {
        {"no map file", false, "\"4L60E\"", "generic.init"},
        {"type not in the map", true, "\"TH400\"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(f.dir.File("OldTypetoDef.map"));
        if (c.mapFile)
            f.dir.Write("OldTypetoDef.map", LegacyFixture("OldTypetoDef.map"));
        bar.messages.clear();
        ASSERT_TRUE(Open(FullFileWith({{kTypeLine, c.type}})));

        // generic.init declares only AxleRatio and SYCONFIG; SYCONFIG2 is used twice.
        const std::vector<std::string> expected = {
            "UserComment",     "TireDiam",       "SSFactor",       "WOTTPS",
            "BaseTPS",         "CCOssOn",        "CCOssOff",       "CCMinGear",
            "CCMinTpsOn",      "CCMinTpsOff",    "CCMaxTpsOn",     "CCMaxTpsOff",
            "CCOssMinTpsOR",   "MANDownshift21", "MANUpshift12",   "DriveGearTeeth",
            "DrivenGearTeeth", "PSOM",           "FourWheelDrive", "LowRangeCal",
            "LowRangeRatio",   "AuxRangeRatio",  "SYCONFIG2",      "Old File Format Detected"};
        EXPECT_EQ(Captions(), expected);
        EXPECT_EQ(bar.messages[0].text.rfind("Definition file error:", 0), 0u);
        EXPECT_EQ(doc().Header[kDefinitionFileName], c.definitionFileName);
        EXPECT_EQ(doc().DefinitionText, "");
        EXPECT_FLOAT_EQ(doc().FindFloatVariable("AxleRatio").Get(), 3.73f);
        EXPECT_EQ(doc().FindIntVariable("SYCONFIG").Get(), 0x20);
    }
}

TEST_F(LegacyImport, AFileThatEndsEarlyOrNeverClosesItsCommentChangesNothing) {
    const std::vector<std::string> full = SplitLines(LegacyFixture("full.gvr"));
    auto firstLines = [&](std::size_t n) {
        return JoinLines(
            std::vector<std::string>(full.begin(), full.begin() + static_cast<long>(n)));
    };
    struct Case {
        std::string bytes;
        std::string reason;
    };
    const Case cases[] = {
        {firstLines(1), "the older-format file ends early, at line 2"},
        {firstLines(60), "the older-format file ends early, at line 61"},
        {firstLines(176), "the older-format file ends early, at line 177"},
        {LegacyFixture("unclosed_comment.gvr"),
         "the user comment that begins at line 2 never closes with a double quote"},
    };
    ASSERT_TRUE(Open(FullFileWith({{kAxleRatioLine, "4.88"}})));
    const std::string before = doc().SaveToBytes();
    const std::string definitionBefore = doc().DefinitionText;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        bar.messages.clear();
        EXPECT_FALSE(Open(c.bytes));
        ASSERT_EQ(bar.messages.size(), 1u);
        EXPECT_EQ(bar.messages[0].text, "The file \"" + path +
                                            "\" could not be opened: " + c.reason +
                                            ".\n\nThe calibration that was open has not been "
                                            "changed.");
        EXPECT_EQ(bar.messages[0].caption, "Calibration File Open Error:");
        EXPECT_EQ(bar.messages[0].flags, kMbIconStop);
        EXPECT_EQ(doc().SaveToBytes(), before);
        EXPECT_EQ(doc().DefinitionText, definitionBefore);
        EXPECT_FLOAT_EQ(Float("AxleRatio"), 4.88f);
        EXPECT_FALSE(doc().IsModified());
    }
}

TEST_F(LegacyImport, MapEntriesMatchTheTypesBeginningWithoutRegardToCase) {
    struct Case {
        const char* map;
        const char* key;
        const char* value; // "unchanged" when no line applies
    };
    // The older program read at most 399 characters of a line.
    const std::string longLine = "LONG" + std::string(396, ' ') + "=too-far.def\n";
    const Case cases[] = {
        {"4l60e = 4l60e.def \n", "4L60E", "4l60e.def"},
        {"4L60E-HD=hd.def\n4L60E=plain.def\n", "4L60E", "hd.def"}, // the first applying line
        {"4L60E=plain.def\n4L60E-HD=hd.def\n", "4L60E-HD", "hd.def"},
        {"4L60E plain.def\n4L60E=second.def\n", "4L60E", "second.def"},
        {"4L60E=a=b.def\r\n", "4L60E", "a=b.def"},
        {"4L6=short.def\n", "4L60E", "unchanged"},
        {"", "4L60E", "unchanged"},
        {longLine.c_str(), "LONG", "unchanged"},
        {"=any.def\n", "", "unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.map).substr(0, 40) + " / " + std::string(c.key).substr(0, 20));
        const std::string mapPath = f.dir.Write("case.map", c.map);
        std::string value = "unchanged";
        EXPECT_EQ(doc().ReadMapEntry(mapPath, c.key, value), 1);
        EXPECT_EQ(value, c.value);
    }
    std::string value = "unchanged";
    EXPECT_EQ(doc().ReadMapEntry(f.dir.File("missing.map"), "4L60E", value), 0);
    EXPECT_EQ(doc().ReadMapEntry(f.dir.path(), "4L60E", value), 0);
    EXPECT_EQ(value, "unchanged");
}

} // namespace
} // namespace vexa
