#include "core/programpaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace vexa {
namespace {

TEST(ProgramPaths, SettingsFileIsNamedAfterTheProgram) {
    const struct {
        const char* program;
        const char* expected;
    } cases[] = {
        {"/opt/vexa/Tuner.exe", "/opt/vexa/Tuner.INI"},
        {"/opt/vexa/vexa", "/opt/vexa/vexa.INI"},
        {"/opt/vexa.d/vexa", "/opt/vexa.d/vexa.INI"}, // a dot in a folder name does not count
        {"/opt/vexa/vexa.tar.gz", "/opt/vexa/vexa.tar.INI"},
        {"/opt/vexa/.vexa", "/opt/vexa/.vexa.INI"},
        {"Tuner.exe", "Tuner.INI"},
        {"vexa", "vexa.INI"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IniPathBesideProgram(c.program), c.expected) << c.program;
}

TEST(ProgramPaths, LocationsFollowWritabilityAndOverrides) {
    const PathEnvironment env{"/opt/vexa/Tuner.exe", "/home/u/.cfg", "/home/u", ""};
    const PathEnvironment noXdg{"/opt/vexa/Tuner.exe", "", "/home/u", ""};
    const PathEnvironment relativeXdg{"/opt/vexa/Tuner.exe", "cfg", "/home/u", ""};
    const struct {
        const char* name;
        PathEnvironment environment;
        PathOverrides overrides;
        std::set<std::string> writable;
        ProgramPaths expected;
    } cases[] = {
        {"writable program folder",
         env,
         {},
         {"/opt/vexa"},
         {"/opt/vexa", "/opt/vexa/Tuner.INI", "/opt/vexa/RAMDump.txt", false}},
        {"read-only install",
         env,
         {},
         {},
         {"/opt/vexa", "/home/u/.cfg/vexa/Tuner.INI", "/home/u/.cfg/vexa/RAMDump.txt", true}},
        {"no XDG_CONFIG_HOME",
         noXdg,
         {},
         {},
         {"/opt/vexa", "/home/u/.config/vexa/Tuner.INI", "/home/u/.config/vexa/RAMDump.txt", true}},
        {"relative XDG_CONFIG_HOME ignored",
         relativeXdg,
         {},
         {},
         {"/opt/vexa", "/home/u/.config/vexa/Tuner.INI", "/home/u/.config/vexa/RAMDump.txt", true}},
        {"--settings",
         env,
         {"", "/etc/t.ini"},
         {"/opt/vexa"},
         {"/opt/vexa", "/etc/t.ini", "/opt/vexa/RAMDump.txt", false}},
        {"--settings, read-only install",
         env,
         {"", "/srv/t.ini"},
         {},
         {"/opt/vexa", "/srv/t.ini", "/srv/RAMDump.txt", false}},
        {"--program-dir",
         env,
         {"/data/v", ""},
         {"/data/v"},
         {"/data/v", "/data/v/Tuner.INI", "/data/v/RAMDump.txt", false}},
        {"both", env, {"/data/v/", "s.ini"}, {}, {"/data/v/", "s.ini", "./RAMDump.txt", false}},
    };
    for (const auto& c : cases) {
        const auto writable = [&](const std::string& dir) { return c.writable.count(dir) != 0; };
        const ProgramPaths paths = ResolveProgramPaths(c.environment, c.overrides, writable);
        EXPECT_EQ(paths.programDir, c.expected.programDir) << c.name;
        EXPECT_EQ(paths.settingsFile, c.expected.settingsFile) << c.name;
        EXPECT_EQ(paths.ramDumpFile, c.expected.ramDumpFile) << c.name;
        EXPECT_EQ(paths.settingsInUserConfig, c.expected.settingsInUserConfig) << c.name;
    }
}

TEST(ProgramPaths, UserDataDirectoryFollowsXdgDataHome) {
    EXPECT_EQ(UserDataDirectory({"/opt/vexa/vexa", "", "/home/u", "/home/u/data"}),
              "/home/u/data/vexa");
    EXPECT_EQ(UserDataDirectory({"/opt/vexa/vexa", "", "/home/u", ""}),
              "/home/u/.local/share/vexa");
    EXPECT_EQ(UserDataDirectory({"/opt/vexa/vexa", "", "/home/u", "data"}),
              "/home/u/.local/share/vexa");
    EXPECT_EQ(UserDataDirectory({"/opt/vexa/vexa", "", "", ""}), "");
}

TEST(ProgramPaths, StoredNamesCutAtEitherSeparator) {
    EXPECT_EQ(JoinStoredPath("/opt/vexa", "PID2\\3"), "/opt/vexa/PID2/3");
    EXPECT_EQ(JoinStoredPath("/opt/vexa/", "Help\\Intro.rtf"), "/opt/vexa/Help/Intro.rtf");
    EXPECT_EQ(JoinStoredPath("/opt/vexa", "PID2/3/generic.init"), "/opt/vexa/PID2/3/generic.init");
    EXPECT_EQ(JoinStoredPath("/opt/vexa", "/abs/pic.bmp"), "/abs/pic.bmp");
    EXPECT_EQ(JoinStoredPath("/opt/vexa", "\\abs\\pic.bmp"), "/abs/pic.bmp");
    EXPECT_EQ(JoinStoredPath("", "a\\b"), "a/b");
    EXPECT_EQ(JoinStoredPath("/", "x"), "/x");

    EXPECT_EQ(StoredFileName("C:\\Cal\\a.gvr"), "a.gvr");
    EXPECT_EQ(StoredFileName("/home/u/cal/b.gvr"), "b.gvr");
    EXPECT_EQ(StoredFileName("mixed/dir\\c.gvr"), "c.gvr");
    EXPECT_EQ(StoredFileName("plain.gvr"), "plain.gvr");
    EXPECT_EQ(StoredDirectory("PID2\\3\\Auto4.def"), "PID2/3");
    EXPECT_EQ(StoredDirectory("\\top.def"), "/");
    EXPECT_EQ(StoredDirectory("plain.def"), "");
}

TEST(ProgramPaths, CommandLineOverridesAreTakenOut) {
    std::vector<std::string> args = {"--settings", "/tmp/a.ini", "cal.gvr", "--program-dir=/opt/v",
                                     "/p"};
    PathOverrides overrides;
    std::string error;
    ASSERT_TRUE(ExtractPathOverrides(args, overrides, error)) << error;
    EXPECT_EQ(args, (std::vector<std::string>{"cal.gvr", "/p"}));
    EXPECT_EQ(overrides.settingsFile, "/tmp/a.ini");
    EXPECT_EQ(overrides.programDir, "/opt/v");

    for (std::vector<std::string> bad : {std::vector<std::string>{"cal.gvr", "--settings"},
                                         std::vector<std::string>{"--program-dir="}}) {
        const auto before = bad;
        PathOverrides untouched;
        EXPECT_FALSE(ExtractPathOverrides(bad, untouched, error));
        EXPECT_NE(error.find("needs a value"), std::string::npos) << error;
        EXPECT_EQ(bad, before);
        EXPECT_EQ(untouched.settingsFile, "");
        EXPECT_EQ(untouched.programDir, "");
    }
}

TEST(ProgramPaths, RealEnvironmentAndFolders) {
    const PathEnvironment env = CurrentPathEnvironment("ignored");
    // The test binary itself is the running program.
    EXPECT_EQ(std::filesystem::path(env.programPath).filename(), "core_tests");
    EXPECT_FALSE(env.home.empty());

    const std::string base =
        std::string(VEXA_TEST_OUTPUT_DIR) + "/paths-" + std::to_string(::getpid());
    std::string error;
    ASSERT_TRUE(EnsureDirectory(base + "/config/vexa", error)) << error;
    EXPECT_TRUE(IsDirectoryWritable(base + "/config/vexa"));
    EXPECT_FALSE(IsDirectoryWritable(base + "/not-there"));
    ASSERT_TRUE(EnsureDirectory(base + "/config/vexa", error)) << error; // already there
    { std::ofstream(base + "/file") << "x"; }
    EXPECT_FALSE(EnsureDirectory(base + "/file", error));
    EXPECT_NE(error.find(base + "/file"), std::string::npos) << error;
    std::filesystem::remove_all(base);
}

} // namespace
} // namespace vexa
