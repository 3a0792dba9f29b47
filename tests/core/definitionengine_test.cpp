#include "support/docfixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::DocFixture;

class DefinitionEngine : public ::testing::Test, protected DocFixture {
protected:
    void SetUp() override { MakeDoc(); }
    CVLXDoc& Doc() { return *doc; }
    void Load(const std::string& fileText) {
        ASSERT_EQ(Doc().LoadDefinitionFile(dir.Write("test.def", fileText)), 1);
    }
};

TEST_F(DefinitionEngine, LoadStripsCommentsBlanksAndTabs) {
    struct Case {
        const char* file;
        const char* text;
    } cases[] = {
        {"// only a comment\n\n   \n\t// another\n", ""},
        {"[A]\r\nKey value // trailing comment\r\n", "\n[A]\nKey value"},
        {"  \tKey\tinner value\t \n", "\nKey inner value"},
        {"no newline at end", "\nno newline at end"},
        {"Url http://host/x\n", "\nUrl http:"},
    };
    for (const Case& c : cases) {
        Load(c.file);
        EXPECT_EQ(Doc().DefinitionText, c.text) << c.file;
    }
}

TEST_F(DefinitionEngine, MissingFileKeepsTheOldText) {
    Doc().DefinitionText = "\nkept";
    EXPECT_EQ(Doc().LoadDefinitionFile(dir.File("absent.def")), 0);
    EXPECT_EQ(Doc().DefinitionText, "\nkept");
}

TEST_F(DefinitionEngine, KeysAreFoundOnlyWhereTheirFirstOccurrenceIsInScope) {
    Doc().DefinitionText = "\n[First]\nAlpha 1\n[Second]\nBeta 2\nAlpha 3";
    ASSERT_EQ(Doc().FindSection("[First]", 0), 1);
    std::string value;
    EXPECT_EQ(Doc().ReadKeyString("Alpha", value, kSectionScope), 1);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(Doc().ReadKeyString("Beta", value, kSectionScope, "none"), 0);
    EXPECT_EQ(value, "none");

    // The first "Alpha " after the second header's scope start is the one that counts.
    ASSERT_EQ(Doc().FindSection("[Second]", 0), 1);
    EXPECT_EQ(Doc().ReadKeyString("Alpha", value, kSectionScope), 1);
    EXPECT_EQ(value, "3");
}

TEST_F(DefinitionEngine, BracketInAValueEndsTheSection) {
    Doc().DefinitionText = "\n[S]\nName a[b]\nAfter 1";
    ASSERT_EQ(Doc().FindSection("[S]", 0), 1);
    EXPECT_EQ(Doc().SectionEnd, static_cast<int>(Doc().DefinitionText.find("[b]")));
    std::int32_t n = 7;
    EXPECT_EQ(Doc().ReadKeyInt("After", n, kSectionScope), 0);
    EXPECT_EQ(n, 7);
}

TEST_F(DefinitionEngine, NumericReadsFollowTheCScanningRules) {
    Doc().DefinitionText = "\n[N]\nHex 0x1F\nOct 010\nDec -12abc\nWord abc\nF 2.5e1\nS 70000";
    ASSERT_EQ(Doc().FindSection("[N]", 0), 1);
    struct Case {
        const char* key;
        int result;
        std::int32_t value;
    } cases[] = {
        {"Hex", 1, 31}, {"Oct", 1, 8}, {"Dec", 1, -12}, {"Word", 0, -5}, {"Missing", 0, 99},
    };
    for (const Case& c : cases) {
        std::int32_t value = -5;
        EXPECT_EQ(Doc().ReadKeyInt(c.key, value, kSectionScope,
                                   c.key == std::string("Missing") ? 99 : kNoIntDefault),
                  c.result)
            << c.key;
        EXPECT_EQ(value, c.value) << c.key;
    }
    std::int16_t s = 0;
    EXPECT_EQ(Doc().ReadKeyShort("S", s, kSectionScope), 1);
    EXPECT_EQ(s, static_cast<std::int16_t>(70000));

    float f = 0.0f;
    EXPECT_EQ(Doc().ReadKeyFloat("F", f, kSectionScope), 1);
    EXPECT_FLOAT_EQ(f, 25.0f);
    f = 3.0f;
    EXPECT_EQ(Doc().ReadKeyFloat("Missing", f, kSectionScope, kNoFloatDefault), 0);
    EXPECT_FLOAT_EQ(f, 3.0f);
    EXPECT_EQ(Doc().ReadKeyFloat("Missing", f, kSectionScope, 4.5f), 0);
    EXPECT_FLOAT_EQ(f, 4.5f);
}

TEST_F(DefinitionEngine, ReadKeyTextCutsToItsLength) {
    Doc().DefinitionText = "\n[T]\nName abcdefgh";
    ASSERT_EQ(Doc().FindSection("[T]", 0), 1);
    std::string text;
    EXPECT_EQ(Doc().ReadKeyText("Name", text, 3, kSectionScope), 1);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(Doc().ReadKeyText("Other", text, 2, kSectionScope, "xyz"), 0);
    EXPECT_EQ(text, "xy");
}

TEST_F(DefinitionEngine, BlocksOfOneKeywordAreVisitedInOrder) {
    Doc().DefinitionText =
        "\n[Page]\nUserOption RadioButton\n{\nLogicalName first\n}\n"
        "UserOption ComboBox {\nLogicalName second\n}\n[Next]\nUserOption X {\n}";
    ASSERT_EQ(Doc().FindSection("[Page]", 0), 1);
    std::string header;
    ASSERT_EQ(Doc().FindBlock("UserOption", header, 0), 1);
    EXPECT_EQ(header, "RadioButton");
    std::string name;
    EXPECT_EQ(Doc().ReadKeyText("LogicalName", name, 50, kBlockScope), 1);
    EXPECT_EQ(name, "first");
    ASSERT_EQ(Doc().FindBlock("UserOption", header, 1), 1);
    EXPECT_EQ(header, "ComboBox");
    EXPECT_EQ(Doc().FindBlock("UserOption", header, 1), 0);
    EXPECT_EQ(header, "");

    EXPECT_EQ(Doc().FindBlockByLogicalName("UserOption", "second"), 1);
    EXPECT_EQ(Doc().ReadKeyText("LogicalName", name, 50, kBlockScope), 1);
    EXPECT_EQ(name, "second");
    EXPECT_EQ(Doc().FindBlockByLogicalName("UserOption", "third"), 0);
}

TEST_F(DefinitionEngine, NextKeyLineWalksAScopeStartingWithTheHeaderLineEnd) {
    Doc().DefinitionText = "\n[Declarations]\n$NVMType 0\nSpeed I16 1:12:x\nLast";
    ASSERT_EQ(Doc().FindSection("[Declarations]", 0), 1);
    std::vector<std::pair<std::string, std::string>> lines;
    std::string key;
    std::string value;
    int cursor = 0;
    while (Doc().NextKeyLine(key, value, cursor, kSectionScope))
        lines.emplace_back(key, value);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"", ""}, {"$NVMType", "0"}, {"Speed", "I16 1:12:x"}, {"Last", ""}};
    EXPECT_EQ(lines, expected);
}

TEST_F(DefinitionEngine, FailedSectionLeavesAnEmptyScope) {
    Doc().DefinitionText = "\n[A]\nKey 1";
    ASSERT_EQ(Doc().FindSection("[A]", 0), 1);
    EXPECT_EQ(Doc().FindSection("[Missing]", 0), 0);
    EXPECT_EQ(Doc().SectionStart, -1);
    std::string value;
    EXPECT_EQ(Doc().ReadKeyString("Key", value, kSectionScope), 0);
    std::string key;
    int cursor = 0;
    EXPECT_EQ(Doc().NextKeyLine(key, value, cursor, kSectionScope), 0);
    std::string header;
    EXPECT_EQ(Doc().FindBlock("Key", header, 0), 0);
    // Continuing a failed search does not wrap around to the start.
    EXPECT_EQ(Doc().FindSection("[A]", 1), 0);
}

TEST_F(DefinitionEngine, ItemsOfOneHeaderAreFoundByLogicalName) {
    Doc().DefinitionText = "\n[Item]\nLogicalName a\nDisplayName Alpha\n[Item]\nLogicalName b\n"
                           "DisplayName Beta\n[Item]\nLogicalName b\nDisplayName Late";
    ASSERT_EQ(Doc().FindItemByLogicalName("[Item]", "b"), 1);
    std::string display;
    EXPECT_EQ(Doc().ReadKeyText("DisplayName", display, 80, kSectionScope), 1);
    EXPECT_EQ(display, "Beta");
    EXPECT_EQ(Doc().FindItemByLogicalName("[Item]", "c"), 0);

    const int before = Doc().SectionStart;
    EXPECT_EQ(Doc().FindItemByLogicalName("[Item]", ""), 1);
    EXPECT_EQ(Doc().SectionStart, before);

    std::string logical;
    std::vector<std::string> titles;
    for (int more = 0; Doc().ReadSectionTitles("[Item]", logical, display, more); more = 1)
        titles.push_back(logical + "=" + display);
    EXPECT_EQ(titles, (std::vector<std::string>{"a=Alpha", "b=Beta", "b=Late"}));
}

TEST_F(DefinitionEngine, ApplicationIdReadsRequiredKeysInOrder) {
    Doc().DefinitionText = "\n[ApplicationID]\nLogicalName L\nTransmissionType 4L60E\n"
                           "ProdName VEXA TCS\nSchema 2\nSubType Heavy";
    EXPECT_EQ(Doc().ReadApplicationID(), 1);
    EXPECT_EQ(Doc().Header[kTransmissionType], "4L60E");
    EXPECT_EQ(Doc().Header[kProdName], "VEXA TCS");
    EXPECT_EQ(Doc().Header[kSubType], "Heavy");

    Doc().Header[kProdName] = "old";
    Doc().DefinitionText = "\n[ApplicationID]\nLogicalName M\nProdName P";
    EXPECT_EQ(Doc().ReadApplicationID(), 0);
    EXPECT_EQ(Doc().Header[kLogicalName], "M");
    EXPECT_EQ(Doc().Header[kProdName], "old");
}

TEST_F(DefinitionEngine, SummaryReadsTheFileLinesAfterApplicationId) {
    const std::string path = dir.Write(
        "x.def", "Description early\n[ApplicationID]\nLogicalName  four // note\r\n[Other]\n"
                 "TransmissionType 4L80E HD\nDescription\nDescription later\n");
    std::string logical = "stale", type, description = "stale";
    EXPECT_EQ(Doc().ReadDefinitionSummary(path, logical, type, description), 1);
    // The value starts one character after the key; a bare key is seen but sets nothing.
    EXPECT_EQ(logical, " four ");
    EXPECT_EQ(type, "4L80E HD");
    EXPECT_EQ(description, "");

    const std::string partial = dir.Write("y.def", "[ApplicationID]\nLogicalName a\n");
    EXPECT_EQ(Doc().ReadDefinitionSummary(partial, logical, type, description), 0);
    EXPECT_EQ(Doc().ReadDefinitionSummary(dir.File("none.def"), logical, type, description), 0);
}

} // namespace
} // namespace vexa

namespace vexa {
namespace {

TEST(DefinitionFiles, ADirectoryIsNotADefinitionFile) {
    testing::DocFixture f;
    f.MakeDoc();
    f.doc->DefinitionText = "\nkept";
    EXPECT_EQ(f.doc->LoadDefinitionFile(f.dir.path()), 0);
    EXPECT_EQ(f.doc->DefinitionText, "\nkept");
    std::string a, b, c;
    EXPECT_EQ(f.doc->ReadDefinitionSummary(f.dir.path(), a, b, c), 0);
}

} // namespace
} // namespace vexa
