// Numbers in definitions, calibrations and formulas: read as the C library reads them in
// the "C" locale, and the same under a locale whose decimal point is a comma.
#include "core/numbertext.h"
#include "support/decimalcomma.h"
#include "support/docfixture.h"
#include "support/recordinggraph.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace vexa {
namespace {

using testing::DocFixture;

constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(TextScanner, IntegersReadLikePercentI) {
    struct Case {
        const char* text;
        bool read;
        long long value;
        std::size_t position;
    } cases[] = {
        {"  -12x", true, -12, 5},
        {"+7", true, 7, 2},
        {"0x1F:", true, 31, 4},
        {"010", true, 8, 3}, // octal
        {"08", true, 0, 1},
        {"0x", true, 0, 2},
        {"99999999999999999999", true, LLONG_MAX, 20},
        {"-99999999999999999999", true, LLONG_MIN, 21},
        {"- 5", false, 0, 0},
        {"abc", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        TextScanner scan(c.text);
        long long value = 0;
        EXPECT_EQ(scan.Integer(value), c.read) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(scan.Position(), c.position) << c.text;
    }
    // As sscanf stores them into a narrower type.
    EXPECT_EQ(Wrapped<std::int32_t>(4294967295LL), -1);
    EXPECT_EQ(Wrapped<std::int16_t>(40000), -25536);
    EXPECT_EQ(Wrapped<std::int32_t>(LLONG_MIN), 0);

    long long value = 0;
    TextScanner decimal("010 0x10");
    EXPECT_TRUE(decimal.Decimal(value));
    EXPECT_EQ(value, 10);
    EXPECT_TRUE(decimal.Decimal(value));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(decimal.Rest(), "x10");
}

TEST(TextScanner, FloatsReadLikePercentF) {
    // A comma is never a decimal point here ("2,5"); a bare exponent mark is taken along
    // ("1.5e+").
    struct Case {
        const char* text;
        bool read;
        float value;
        std::size_t position;
    } cases[] = {
        {" 3.73;", true, 3.73f, 5},  {"-.5", true, -0.5f, 3},    {"+2", true, 2.0f, 2},
        {"2,5", true, 2.0f, 1},      {"1e3", true, 1000.0f, 3},  {"1.5e+", true, 1.5f, 5},
        {"0x1p3", true, 8.0f, 5},    {"1e-40", true, 1e-40f, 5}, {"1e-50", true, 0.0f, 5},
        {"1e39", true, kInf, 4},     {"-1e39", true, -kInf, 5},  {"inf", true, kInf, 3},
        {"Infinity", true, kInf, 8}, {"infi", false, 0.0f, 0},   {"--1", false, 0.0f, 0},
        {".", false, 0.0f, 0},       {"", false, 0.0f, 0},
    };
    for (const Case& c : cases) {
        TextScanner scan(c.text);
        float value = 0.0f;
        EXPECT_EQ(scan.Float(value), c.read) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(scan.Position(), c.position) << c.text;
    }
    TextScanner nan("nan(1)");
    float value = 0.0f;
    EXPECT_TRUE(nan.Float(value));
    EXPECT_TRUE(std::isnan(value));
    EXPECT_EQ(nan.Rest(), "(1)");
}

TEST(TextScanner, WordsLiteralsAndTheEndOfACString) {
    TextScanner scan(std::string_view("  abcd:x\0y", 10));
    std::string word;
    EXPECT_TRUE(scan.Word(word, 2));
    EXPECT_EQ(word, "ab");
    EXPECT_FALSE(scan.Literal(":"));
    EXPECT_TRUE(scan.Word(word, 80));
    EXPECT_EQ(word, "cd:x"); // the text ends at its NUL, as a C string does
    EXPECT_FALSE(scan.Word(word, 80));
    EXPECT_EQ(scan.Position(), 8u);
}

TEST(NumberText, FormatsWithAPoint) {
    EXPECT_EQ(FormatG(3.27), "3.27");
    EXPECT_EQ(FormatG(1234567.0), "1.23457e+06");
    EXPECT_EQ(FormatG(1e-5), "1e-05");
    EXPECT_EQ(FormatG(100.0), "100");
    EXPECT_EQ(FormatPlain(1234567.0f), "1234567");
    EXPECT_EQ(FormatPlain(-2.5f), "-2.5");
    EXPECT_EQ(FormatPlain(std::numeric_limits<float>::max()),
              "340282346638528859811704183484516925440");
    EXPECT_EQ(FormatPlain(std::numeric_limits<float>::denorm_min()),
              "0.000000000000000000000000000000000000000000001");
}

// Under a locale whose decimal point is a comma (the windowed program's toolkit sets the
// user's locale), every number of a definition and a calibration still reads and writes
// with a point.
class UnderADecimalCommaLocale : public ::testing::Test, protected DocFixture {
protected:
    void SetUp() override {
        if (!locale.Active())
            GTEST_SKIP() << testing::kNoDecimalCommaLocale;
        MakeDoc();
        doc->SetGraph(&graph);
        doc->DefinitionText =
            "\n[Declarations]\n$TotalBlockSize 64\n$DynamicBlockSize 1\n$NumDynamicTableCells 1\n"
            "$NumDynamicTableEntries 1\n$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
            "$DynamicInterpolation 1\n$StaticBlockSize 32\n$StaticBlockStart 32\n$NVMType 0\n"
            "Kept F32 0:0:x Def:3.73\nRatio F32 1:4:x Def:0.5\n"
            "[Page]\nScale 2.25\nList @Ratio F:1.5\n"
            "[GraphicalTuning]\nGraphElement Trace {\nTraceNum 2\nConvTable 1 2.5, 3 4.75,\n}";
        ASSERT_EQ(doc->ReadDeclarations(1), 1);
    }
    testing::ScopedDecimalCommaLocale locale;
    testing::RecordingGraph graph;
};

TEST_F(UnderADecimalCommaLocale, DefinitionsReadAPoint) {
    EXPECT_EQ(doc->FindFloatVariable("Kept").Get(), 3.73f);

    ASSERT_EQ(doc->FindSection("[Page]", 0), 1);
    float scale = 0.0f;
    EXPECT_EQ(doc->ReadKeyFloat("Scale", scale, kSectionScope), 1);
    EXPECT_EQ(scale, 2.25f);
    EXPECT_EQ(doc->ApplyActionList("List", kSectionScope, nullptr, nullptr), 1);
    EXPECT_EQ(doc->FindFloatVariable("Ratio").Get(), 1.5f);

    std::string header;
    ASSERT_EQ(doc->FindSection("[GraphicalTuning]", 0), 1);
    ASSERT_EQ(doc->FindBlock("GraphElement", header, 0), 1);
    ASSERT_EQ(doc->ReadGraphElementSettings(2), 1);
    EXPECT_EQ(doc->ConvTable[2][0].value, 2.5f);
    EXPECT_EQ(doc->ConvTable[2][1].value, 4.75f);
}

TEST_F(UnderADecimalCommaLocale, ControlStateAndReferencesWriteAPoint) {
    float value = 2.25f;
    ASSERT_EQ(doc->SetControlState("Page", "Edit", value), 1);
    EXPECT_EQ(doc->ControlStateText, ":Page:Edit 2.25; ");
    value = 0.0f;
    ASSERT_EQ(doc->GetControlState("Page", "Edit", value), 1);
    EXPECT_EQ(value, 2.25f);

    std::string formula = "F:Kept:*2";
    ASSERT_EQ(doc->SubstituteReferences(formula, 0.0f), 1000);
    EXPECT_EQ(formula, "3.73*2");
}

} // namespace
} // namespace vexa
