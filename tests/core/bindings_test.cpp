// Formula bindings, control state and action lists.
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>
#include <vector>

namespace vexa {
namespace {

using testing::DocFixture;

constexpr float kInfinity = std::numeric_limits<float>::infinity();

// A controller link whose RAM symbols are a fixed table.
struct SymbolLink : NullControllerLink {
    int ReadSymbol(const std::string& name) override {
        return name == "TPS" ? 42 : name == "RPM" ? 2500 : kMissingValue;
    }
};

class Bindings : public ::testing::Test, protected DocFixture {
protected:
    void SetUp() override {
        MakeDoc();
        doc->DefinitionText =
            "\n[Declarations]\n$TotalBlockSize 64\n$DynamicBlockSize 1\n$NumDynamicTableCells 1\n"
            "$NumDynamicTableEntries 1\n$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
            "$DynamicInterpolation 1\n$StaticBlockSize 32\n$StaticBlockStart 32\n$NVMType 0\n"
            "Speed I16 1:0:x Def:1500\nGear I16 1:2:x\nRatio F32 1:4:x Def:3.27\n"
            "Shift T8 10:7:x Def:10,20,30,40,50,60,70,80,90,100,\nMode I16 1:8:x Def:0x0F\n"
            "[Page]\nListA @Gear I:2 @Ratio F:1.5\nListMasked @Mode M:0x0C I:0x04\n"
            "ListV @Gear I:V @Ratio F:V\nListBad @Gear I:1 junk @Speed I:7\n"
            "ListMissing @Nothing I:1 @Gear I:3\nBitValState0 @Gear I:0\nBitValState1 @Gear I:1\n"
            "BitValState2 @Gear I:2\nBitValState4 @Gear I:4\n";
        ASSERT_EQ(doc->ReadDeclarations(1), 1);
        ASSERT_EQ(doc->FindSection("[Page]", 0), 1);
    }
    CVLXDoc& Doc() { return *doc; }
};

TEST_F(Bindings, ReferencesAreReplacedByTheirValues) {
    Doc().SetControllerLink(std::make_unique<SymbolLink>());
    struct Case {
        const char* formula;
        float x;
        const char* rewritten;
        int result;
    } cases[] = {
        {"I:Speed:*2", 0.0f, "1500*2", 1000},
        {"i:Speed:+1", 0.0f, "1500+1", 1000},
        {"T:Shift:", 1.0f, "20", 1000},
        {"T:Shift:", 1.5f, "25", 1000},
        {"T:Shift:", 1.4f, "20", 1000},
        // Positions outside the curve take its nearest end; one that is no number (a live
        // value) takes the first point.
        {"T:Shift:", 8.7f, "95", 1000},
        {"T:Shift:", 9.5f, "100", 1000},
        {"T:Shift:", 12.0f, "100", 1000},
        {"T:Shift:", -3.0f, "10", 1000},
        {"T:Shift:", kInfinity, "100", 1000},
        {"T:Shift:", -kInfinity, "10", 1000},
        {"T:Shift:", std::numeric_limits<float>::quiet_NaN(), "10", 1000},
        {"F:Ratio:", 0.0f, "3.27", 1000},
        {"x+I:Speed", 0.0f, "x+1500", 1000},
        {"M:TPS:+M:RPM:", 0.0f, "42+2500", 2500},
        {"I:Speed:+M:Nope:", 0.0f, "1500+M:Nope:", kMissingValue},
        {"Q:Speed:", 0.0f, "Q:Speed:", kMissingValue},
        {":Speed:", 0.0f, ":Speed:", kMissingValue},
    };
    for (const Case& c : cases) {
        std::string formula = c.formula;
        EXPECT_EQ(Doc().SubstituteReferences(formula, c.x), c.result) << c.formula;
        EXPECT_EQ(formula, c.rewritten) << c.formula;
    }
}

// Formulas have no exponent notation, so a float is substituted as plain digits that read
// back as the same float, whatever its magnitude.
TEST_F(Bindings, FloatReferencesKeepTheirValueAtEveryMagnitude) {
    std::vector<float> values = {0.0f,
                                 1234567.0f,
                                 3.27f,
                                 0.1f,
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min()};
    for (int exponent = -149; exponent <= 127; ++exponent) {
        const float lowest = std::ldexp(1.0f, exponent);
        values.push_back(lowest);
        values.push_back(std::ldexp(1.2345678f, exponent));
        values.push_back(std::nextafter(2.0f * lowest, 0.0f)); // the binade's largest
    }
    const std::regex plain("-?[0-9]+(\\.[0-9]+)?");
    for (const float magnitude : values) {
        for (const float value : {magnitude, -magnitude}) {
            if (!std::isfinite(value))
                continue;
            ASSERT_EQ(Doc().SetFloatVariable("Ratio", value), 1);
            std::string formula = "F:Ratio:";
            ASSERT_EQ(Doc().SubstituteReferences(formula, 0.0f), 1000);
            EXPECT_TRUE(std::regex_match(formula, plain)) << formula;
            int errorPosition = -1;
            std::string errorText = "unset";
            const double read = Doc().Parser().Evaluate(formula, 1.0, errorPosition, errorText, 1);
            EXPECT_EQ(static_cast<float>(read), value) << formula;
            EXPECT_EQ(errorPosition, 0) << formula;
        }
    }
    // Large values used to be written as "1.23457e+06", which the parser reads as 1.23457.
    ASSERT_EQ(Doc().SetFloatVariable("Ratio", 1234567.0f), 1);
    std::string error;
    ASSERT_EQ(Doc().ApplyFormula("F@Ratio = F:Ratio:*2", error), 1);
    EXPECT_EQ(Doc().FindFloatVariable("Ratio").Get(), 2469134.0f);
}

TEST_F(Bindings, AssignmentFormulas) {
    struct Case {
        const char* formula;
        int result;
        const char* error;
        int gear;
    } cases[] = {
        {"I@Gear = 2.5", 1, "", 3},
        {"I@Gear = -2.5", 1, "", -2},
        {"i@ Gear = I:Speed:/500", 1, "", 3},
        {"= 7", 0, "Store variable not found for formula = 7", 0},
        {"7", 0, "Store variable not found for formula 7", 0},
        {"X@Gear = 1", 0, "Store variable type 'X' not recognized for variable X@Gear", 0},
        {"I Gear = 1", 0, "", 0},
    };
    for (const Case& c : cases) {
        Doc().SetIntVariable("Gear", 0);
        std::string error = "stale";
        EXPECT_EQ(Doc().ApplyFormula(c.formula, error), c.result) << c.formula;
        if (c.result == 0) {
            EXPECT_EQ(error, c.error) << c.formula;
        }
        EXPECT_EQ(Doc().FindIntVariable("Gear").Get(), c.gear) << c.formula;
    }
    std::string error;
    EXPECT_EQ(Doc().ApplyFormula("F@Ratio = F:Ratio:*2", error), 1);
    EXPECT_FLOAT_EQ(Doc().FindFloatVariable("Ratio").Get(), 6.54f);
    host.messages.clear();
    EXPECT_EQ(Doc().ApplyFormula("I@Unknown = 1", error), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Unknown");
}

TEST_F(Bindings, ControlStateEntriesAreAppendedAndReplacedInPlace) {
    float value = 1.2345678f;
    EXPECT_EQ(Doc().SetControlState("Page", "Edit", value), 1);
    EXPECT_FLOAT_EQ(value, 1.23457f);
    EXPECT_EQ(Doc().ControlStateText, ":Page:Edit 1.23457; ");
    std::int32_t count = 12;
    Doc().SetControlState("Page", "Count", count);
    count = 13;
    Doc().SetControlState("Page", "Count", count);
    EXPECT_EQ(Doc().ControlStateText, ":Page:Edit 1.23457; :Page:Count 13; ");

    std::int32_t read = -1;
    EXPECT_EQ(Doc().GetControlState("Page", "Count", read), 1);
    EXPECT_EQ(read, 13);
    read = -1;
    EXPECT_EQ(Doc().GetControlState("Page", "Never", read), 0);
    EXPECT_EQ(read, -1);

    // A value holding ":" is unreadable; writing it again appends a fresh entry.
    std::string text = "a:b";
    Doc().ControlState("S", "N", text, 1);
    EXPECT_EQ(Doc().ControlState("S", "N", text, 0), 0);
    text = "ok";
    Doc().ControlState("S", "N", text, 1);
    std::string back;
    EXPECT_EQ(Doc().ControlState("S", "N", back, 0), 1);
    EXPECT_EQ(back, "ok");
}

TEST_F(Bindings, ActionListsApplyAndTest) {
    int match = 1;
    EXPECT_EQ(Doc().ApplyActionList("ListA", kSectionScope, nullptr, &match), 1);
    EXPECT_EQ(match, 0); // something changed
    EXPECT_EQ(Doc().FindIntVariable("Gear").Get(), 2);
    EXPECT_FLOAT_EQ(Doc().FindFloatVariable("Ratio").Get(), 1.5f);
    EXPECT_TRUE(Doc().IsModified());

    match = 0;
    EXPECT_EQ(Doc().ApplyActionList("ListA", kSectionScope, nullptr, &match), 1);
    EXPECT_EQ(match, 1);

    // Masked 0x0C/0x04 on 0x0F gives 0x07; in test mode it reports no match and keeps 0x0F.
    match = 0;
    EXPECT_EQ(Doc().ApplyActionList("ListMasked", kSectionScope, nullptr, &match), 1);
    EXPECT_EQ(match, 0);
    EXPECT_EQ(Doc().FindIntVariable("Mode").Get(), 0x0F);
    EXPECT_EQ(Doc().ApplyActionList("ListMasked", kSectionScope, nullptr, nullptr), 1);
    EXPECT_EQ(Doc().FindIntVariable("Mode").Get(), 0x07);

    const double caller = 4.0;
    EXPECT_EQ(Doc().ApplyActionList("ListV", kSectionScope, &caller, nullptr), 1);
    EXPECT_EQ(Doc().FindIntVariable("Gear").Get(), 4);
    EXPECT_FLOAT_EQ(Doc().FindFloatVariable("Ratio").Get(), 4.0f);
    // Values beyond 16 bits wrap as the variable does; far beyond 32 bits they saturate first.
    const double wide = 70000.0;
    Doc().ApplyActionList("ListV", kSectionScope, &wide, nullptr);
    EXPECT_EQ(Doc().FindIntVariable("Gear").Get(), static_cast<std::int16_t>(70000));
    const double huge = 1e30;
    Doc().ApplyActionList("ListV", kSectionScope, &huge, nullptr);
    EXPECT_EQ(Doc().FindIntVariable("Gear").Get(), -1);

    EXPECT_EQ(Doc().ApplyActionList("Absent", kSectionScope, nullptr, nullptr), kMissingValue);
}

TEST_F(Bindings, MalformedEntriesStopTheListAndMissingNamesAreSkipped) {
    Doc().SetModifiedFlag(false);
    int match = 0;
    EXPECT_EQ(Doc().ApplyActionList("ListBad", kSectionScope, nullptr, &match), 0);
    EXPECT_EQ(match, 1);
    EXPECT_EQ(Doc().FindIntVariable("Gear").Get(), 0);
    EXPECT_EQ(Doc().ApplyActionList("ListBad", kSectionScope, nullptr, nullptr), 0);
    EXPECT_EQ(Doc().FindIntVariable("Gear").Get(), 1);
    EXPECT_EQ(Doc().FindIntVariable("Speed").Get(), 1500);
    EXPECT_FALSE(Doc().IsModified());

    host.messages.clear();
    EXPECT_EQ(Doc().ApplyActionList("ListMissing", kSectionScope, nullptr, nullptr), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Nothing");
    EXPECT_EQ(Doc().FindIntVariable("Gear").Get(), 3);
}

TEST_F(Bindings, MatchActionStateStopsAtTheFirstMissingState) {
    int state = 9;
    Doc().SetIntVariable("Gear", 2);
    EXPECT_EQ(Doc().MatchActionState("BitValState%d", kSectionScope, state), 1);
    EXPECT_EQ(state, 2);
    // The current state is tested first and kept when it matches.
    EXPECT_EQ(Doc().MatchActionState("BitValState%d", kSectionScope, state), 1);
    EXPECT_EQ(state, 2);
    // State 4 exists but is never reached past the gap at 3.
    Doc().SetIntVariable("Gear", 4);
    state = 0;
    EXPECT_EQ(Doc().MatchActionState("BitValState%d", kSectionScope, state), 0);
    EXPECT_EQ(state, 0);
    EXPECT_FALSE(Doc().IsModified());
}

} // namespace
} // namespace vexa
