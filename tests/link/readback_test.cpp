// Readback decoding: signature terms, the first matching line, choice lists, and a read
// that loads the recognised definition before the image is applied.
#include "controllerfixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(MatchSignature, Terms) {
    Bytes image(16, 0);
    image[0] = 0x1F;
    image[12] = 0x41;
    image[13] = 0x07;
    struct Case {
        const char* terms;
        int expected;
    };
    const Case cases[] = {
        {"@0:0x12:0xF0", 1}, // masked: only the high nibble counts
        {"@0:0x1F", 1},
        {"@0:31:255", 1},           // decimal
        {"@0:037", 1},              // octal
        {"@12:0x41:0xFF @13:2", 0}, // both bytes are checked, 13 differs
        {"@12:0x41:0xFF @13:7", 1},
        {"@12:0x41 @13:2", 1}, // no mask: the check ends after byte 12
        {"@12:0x40 @13:7:0xFF", 0},
        {"@12:0x41:0x1FF", 1}, // only the mask's low 8 bits count
        {"@16:0", 0},          // beyond the image
        {"@-1:0", 0},          // before it
        {" @0:0x1F", 0},       // a blank before the first term
        {"@0", 0},
        {"0:0x1F", 0},
        {"", 0},
        {"@0:0x1F:0xFF  @12:0x41:0xFF\t", 1},
        {"@0:0x1F:0xFF x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CTransReadbackDecoder::MatchSignature(c.terms, image), c.expected) << c.terms;
}

TEST(MatchSignature, FirstMatchingLineAndChoiceLists) {
    const Bytes image = {0x10, 0x20};
    auto match = CTransReadbackDecoder::MatchSignatureText(
        "x\n@0:0x11 = no.def\n@5:1 = beyond.def\n@0:0x10 = first.def \n@1:0x20 = second.def\n",
        image);
    EXPECT_TRUE(match.matched);
    EXPECT_EQ(match.result, "first.def");

    match = CTransReadbackDecoder::MatchSignatureText(
        "@0:0x10 = *\n  *b.def*Zeta\n\n*a.def*Alpha\r\n*c.def*\n**bad\n*d.def*Delta\n", image);
    EXPECT_EQ(match.result, "*");
    EXPECT_EQ(match.files, (std::vector<std::string>{"b.def", "a.def", "c.def"}));
    EXPECT_EQ(match.names, (std::vector<std::string>{"Zeta", "Alpha", ""}));

    std::string many = "@0:0x10 = *list\n";
    for (int i = 0; i < 12; ++i)
        many += "*f" + std::to_string(i) + ".def*N" + std::to_string(i) + "\n";
    EXPECT_EQ(CTransReadbackDecoder::MatchSignatureText(many, image).files.size(), 10u);
    EXPECT_FALSE(CTransReadbackDecoder::MatchSignatureText("@0:0x11 = a.def", image).matched);
}

class DetectType : public ::testing::Test {
protected:
    int Detect(const std::string& signatures, TransmissionChooser chooser = {}) {
        dir.Write("TransReadback.sig", signatures);
        CTransReadbackDecoder decoder(std::move(chooser));
        result.clear();
        const int found = decoder.DetectTransmissionType(dir.path(), result, image);
        names = decoder.ChoiceNames();
        return found;
    }
    testing::TempDir dir;
    Bytes image = {0x10, 0x20};
    std::string result;
    std::vector<std::string> names;
};

TEST_F(DetectType, ChoiceIsOfferedInAlphabeticalOrder) {
    const std::string sig = "@0:0x10 = *\n*b.def*Zeta\n*a.def*Alpha\n";
    std::vector<std::string> offered;
    auto pick = [&](int index, int answer) {
        return [&offered, index, answer](const std::vector<std::string>& list, int& selected) {
            offered = list;
            EXPECT_EQ(selected, 0);
            selected = index;
            return answer;
        };
    };
    EXPECT_EQ(Detect(sig, pick(0, 1)), 1);
    EXPECT_EQ(offered, (std::vector<std::string>{"Alpha", "Zeta"}));
    EXPECT_EQ(result, "a.def");
    EXPECT_EQ(Detect(sig, pick(1, 1)), 1);
    EXPECT_EQ(result, "b.def");
    EXPECT_EQ(Detect(sig, pick(0, 0)), 0); // Cancel
    EXPECT_EQ(Detect(sig), 1);             // nobody asked: the first in order
    EXPECT_EQ(result, "a.def");

    // Capitals do not come first.
    const std::string mixed = "@0:0x10 = *\n*z.def*zeta\n*b.def*Beta\n*a.def*alpha\n";
    EXPECT_EQ(Detect(mixed, pick(2, 1)), 1);
    EXPECT_EQ(offered, (std::vector<std::string>{"alpha", "Beta", "zeta"}));
    EXPECT_EQ(result, "z.def");
}

TEST_F(DetectType, NothingToLoad) {
    EXPECT_EQ(Detect("@0:0x10 = *\n"), 0); // an empty choice list offers nothing
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(Detect("@0:0x10 = \n@0:0x10 = later.def\n"), 0);
    EXPECT_EQ(Detect("@0:0x11 = a.def\n"), 0);
    EXPECT_EQ(Detect("@0:0x10 = " + std::string(300, 'n') + "\n"), 1);
    EXPECT_EQ(result.size(), 200u);
    CTransReadbackDecoder decoder;
    EXPECT_EQ(decoder.DetectTransmissionType(dir.path() + "/none", result, image), 0);
}

class ReadbackTransfer : public ::testing::Test, protected testing::ControllerFixture {};

TEST_F(ReadbackTransfer, ReadLoadsTheRecognisedDefinitionBeforeApplying) {
    // Two layouts in one folder: the signature byte 0 = 0x42 names the second one.
    std::string other = testing::LayoutDefinition("OtherBox", 16, 0);
    for (int i = 0; i < 8; ++i) {
        const std::string v = "V" + std::to_string(i) + " I16";
        other.replace(other.find(v), v.size(), "W" + std::to_string(i) + " I16");
    }
    Start(testing::EepromController(), 0,
          {{"eeprom.def", testing::LayoutDefinition("EepromBox", 16, 0)},
           {"other.def", other},
           {"TransReadback.sig", "@0:0x42:0xFF @1:0x01:0xFF = other.def\n"}});
    ChooseType("eeprom.def");
    auto& table = sim->Controller().Eeprom(0);
    for (int i = 0; i < 16; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(5 + i * 2);
    table[0] = 0x42;
    table[1] = 0x01;
    ASSERT_EQ(controller->TransferCalibration(0), 1);
    EXPECT_EQ(doc->Header[kDefinitionFileName], "other.def");
    EXPECT_EQ(doc->Header[kTransmissionType], "OtherBox");
    EXPECT_EQ(doc->FindIntVariable("W0").Get(), 0x0142);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "RefreshSettingsSheet(0)"),
              host.calls.end());
}

} // namespace
} // namespace vexa
