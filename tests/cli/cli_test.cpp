// vexa-cli as a user runs it: whole commands, their output and their exit codes.
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace vexa {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

struct Result {
    int exitCode = -1;
    std::string out;
};

// Runs vexa-cli with the fixture program directory; standard error goes to err.txt.
class Cli : public ::testing::Test {
protected:
    Result Run(const std::string& arguments) {
        const std::string command = std::string(VEXA_CLI) + " --program-dir " + VEXA_CLI_FIXTURES +
                                    " --settings " + dir.File("s.INI") + " " + arguments + " 2>" +
                                    dir.File("err.txt");
        Result result;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.out.append(buffer, n);
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }
    std::string Err() { return ReadFileBytes(dir.File("err.txt")); }
    TempDir dir;
};

TEST_F(Cli, EvalPrintsOneJsonObjectWhateverTheFormula) {
    struct Case {
        const char* arguments;
        const char* json;
    } cases[] = {
        {"eval 'x*0.5+20' --x 4", "{\"value\": 22, \"errorPosition\": 0, \"errorText\": \"\"}\n"},
        {"eval '1/3'",
         "{\"value\": 0.33333333333333331, \"errorPosition\": 0, \"errorText\": \"\"}\n"},
    };
    for (const Case& c : cases) {
        const Result result = Run(c.arguments);
        EXPECT_EQ(result.exitCode, 0) << c.arguments;
        EXPECT_EQ(result.out, c.json) << c.arguments;
    }
    const Result broken = Run("eval '1+2)'");
    EXPECT_EQ(broken.exitCode, 0);
    EXPECT_EQ(
        broken.out,
        "{\"value\": 3, \"errorPosition\": 4, \"errorText\": \"Error found on position 4!\"}\n");
    EXPECT_EQ(Run("eval").exitCode, 2);
}

TEST_F(Cli, NewSaveAndInfoAgree) {
    const std::string a = dir.File("a.gvr");
    ASSERT_EQ(Run("new --type fourspeed.def -o " + a).exitCode, 0) << Err();
    const Result info = Run("info " + a + " --json");
    ASSERT_EQ(info.exitCode, 0) << Err();
    EXPECT_NE(info.out.find("\"TransmissionType\": \"4L60E\""), std::string::npos);
    EXPECT_NE(info.out.find("\"name\": \"Shift12\""), std::string::npos);
    EXPECT_NE(info.out.find("\"messages\": []"), std::string::npos);

    // Open and save again: the same bytes.
    const std::string b = dir.File("b.gvr");
    ASSERT_EQ(Run("save " + a + " " + b).exitCode, 0) << Err();
    EXPECT_EQ(ReadFileBytes(a), ReadFileBytes(b));

    EXPECT_EQ(Run("new --type missing.def -o " + dir.File("c.gvr")).exitCode, 1);
}

TEST_F(Cli, ImageUsesTheConversionsOfTheGraphicalTuningSection) {
    const std::string a = dir.File("a.gvr");
    ASSERT_EQ(Run("new --type fourspeed.def -o " + a).exitCode, 0) << Err();
    const Result hex = Run("image " + a + " --hex");
    ASSERT_EQ(hex.exitCode, 0) << Err();
    // Points 10..100 stored as x/10, the odd cells the means, Speed 1500 at 0x20.
    EXPECT_EQ(hex.out.substr(0, 54), "0000  01 01 02 02 03 03 04 04 05 05 06 06 07 07 08 08\n");
    EXPECT_NE(hex.out.find("0020  DC 05 00"), std::string::npos);

    const std::string bin = dir.File("image.bin");
    ASSERT_EQ(Run("image " + a + " -o " + bin).exitCode, 0);
    EXPECT_EQ(ReadFileBytes(bin).size(), 64u);
}

TEST_F(Cli, BadFilesFailWithTheirMessage) {
    const std::string bad = dir.Write("bad.gvr", "not a calibration\n");
    const Result result = Run("info " + bad);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(Err().find("Invalid Calibration File Format:: This file is not recognized"),
              std::string::npos)
        << Err();
    const Result json = Run("info " + bad + " --json");
    EXPECT_NE(json.out.find("\"caption\": \"Invalid Calibration File Format:\""),
              std::string::npos);
}

#ifdef VEXA_HAVE_RENDER
TEST_F(Cli, RenderWritesAPng) {
    const std::string a = dir.File("a.gvr");
    ASSERT_EQ(Run("new --type fourspeed.def -o " + a).exitCode, 0) << Err();
    const std::string png = dir.File("a.png");
    ASSERT_EQ(Run("render " + a + " -o " + png + " --size 640x400 --traces 0").exitCode, 0)
        << Err();
    const std::string bytes = ReadFileBytes(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    // Width and height in the header, big-endian.
    EXPECT_EQ(static_cast<unsigned char>(bytes[18]) << 8 | static_cast<unsigned char>(bytes[19]),
              640);
    EXPECT_EQ(static_cast<unsigned char>(bytes[22]) << 8 | static_cast<unsigned char>(bytes[23]),
              400);
    EXPECT_EQ(Run("render " + a + " -o " + png + " --size 10x10").exitCode, 2);
}
#endif

} // namespace
} // namespace vexa
