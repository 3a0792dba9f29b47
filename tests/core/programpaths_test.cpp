#include "core/programpaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/portable.h"

namespace vexa {
namespace {

// Paths compared whatever their separators: Windows writes "\\" where Linux writes "/".
std::string Native(std::string path) {
#ifdef _WIN32
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
#endif
    return path;
}

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
    const PathEnvironment env{"/opt/vexa/Tuner.exe", "/home/u/.cfg", "/home/u", "/home/u/.data"};
    const PathEnvironment noXdg{"/opt/vexa/Tuner.exe", "", "/home/u", ""};
    const PathEnvironment relativeXdg{"/opt/vexa/Tuner.exe", "cfg", "/home/u", "data"};
    const PathEnvironment noHome{"/opt/vexa/Tuner.exe", "", "", ""};
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
         {"/opt/vexa", "/opt/vexa/Tuner.INI", "/opt/vexa/RAMDump.txt", false, false,
          "/home/u/.data/vexa/restore-points", "/home/u/.data/vexa/logs"}},
        {"read-only install",
         env,
         {},
         {},
         {"/opt/vexa", "/home/u/.cfg/vexa/Tuner.INI", "/home/u/.cfg/vexa/RAMDump.txt", true, false,
          "/home/u/.data/vexa/restore-points", "/home/u/.data/vexa/logs"}},
        {"no XDG_CONFIG_HOME",
         noXdg,
         {},
         {},
         {"/opt/vexa", "/home/u/.config/vexa/Tuner.INI", "/home/u/.config/vexa/RAMDump.txt", true,
          false, "/home/u/.local/share/vexa/restore-points", "/home/u/.local/share/vexa/logs"}},
        {"relative XDG_CONFIG_HOME and XDG_DATA_HOME ignored",
         relativeXdg,
         {},
         {},
         {"/opt/vexa", "/home/u/.config/vexa/Tuner.INI", "/home/u/.config/vexa/RAMDump.txt", true,
          false, "/home/u/.local/share/vexa/restore-points", "/home/u/.local/share/vexa/logs"}},
        {"--settings",
         env,
         {"", "/etc/t.ini"},
         {"/opt/vexa"},
         {"/opt/vexa", "/etc/t.ini", "/opt/vexa/RAMDump.txt", false, false,
          "/home/u/.data/vexa/restore-points", "/home/u/.data/vexa/logs"}},
        {"--settings, read-only install",
         env,
         {"", "/srv/t.ini"},
         {},
         {"/opt/vexa", "/srv/t.ini", "/srv/RAMDump.txt", false, false,
          "/home/u/.data/vexa/restore-points", "/home/u/.data/vexa/logs"}},
        {"--program-dir",
         env,
         {"/data/v", ""},
         {"/data/v"},
         {"/data/v", "/data/v/Tuner.INI", "/data/v/RAMDump.txt", false, false,
          "/home/u/.data/vexa/restore-points", "/home/u/.data/vexa/logs"}},
        {"both",
         env,
         {"/data/v/", "s.ini"},
         {},
         {"/data/v/", "s.ini", "./RAMDump.txt", false, false, "/home/u/.data/vexa/restore-points",
          "/home/u/.data/vexa/logs"}},
        {"no home, --settings",
         noHome,
         {"", "/srv/t.ini"},
         {"/opt/vexa"},
         {"/opt/vexa", "/srv/t.ini", "/opt/vexa/RAMDump.txt", false, false, "/srv/restore-points",
          "/srv/logs"}},
    };
    for (const auto& c : cases) {
        const auto writable = [&](const std::string& dir) { return c.writable.count(dir) != 0; };
        const ProgramPaths paths = ResolveProgramPaths(c.environment, c.overrides, writable);
        EXPECT_EQ(Native(paths.programDir), Native(c.expected.programDir)) << c.name;
        EXPECT_EQ(Native(paths.settingsFile), Native(c.expected.settingsFile)) << c.name;
        EXPECT_EQ(Native(paths.ramDumpFile), Native(c.expected.ramDumpFile)) << c.name;
        EXPECT_EQ(paths.settingsInUserConfig, c.expected.settingsInUserConfig) << c.name;
        EXPECT_EQ(Native(paths.restorePointDir), Native(c.expected.restorePointDir)) << c.name;
        EXPECT_EQ(Native(paths.dataLogDir), Native(c.expected.dataLogDir)) << c.name;
    }
}

TEST(ProgramPaths, AnInstalledProgramFindsItsDataUnderShareAndWritesOnlyForTheUser) {
    const auto env = [](const char* program) {
        return PathEnvironment{program, "/home/u/.cfg", "/home/u", ""};
    };
    const struct {
        const char* name;
        PathEnvironment environment;
        PathOverrides overrides;
        std::set<std::string> withData;
        std::set<std::string> writable;
        ProgramPaths expected;
    } cases[] = {
        {"installed",
         env("/usr/bin/vexa"),
         {},
         {"/usr/share/vexa"},
         {},
         {"/usr/share/vexa", "/home/u/.cfg/vexa/vexa.INI", "/home/u/.cfg/vexa/RAMDump.txt", true,
          true, "/home/u/.local/share/vexa/restore-points", "/home/u/.local/share/vexa/logs"}},
        {"installed, run by root",
         env("/usr/bin/vexa"),
         {},
         {"/usr/share/vexa"},
         {"/usr/bin", "/usr/share/vexa"},
         {"/usr/share/vexa", "/home/u/.cfg/vexa/vexa.INI", "/home/u/.cfg/vexa/RAMDump.txt", true,
          true, "/home/u/.local/share/vexa/restore-points", "/home/u/.local/share/vexa/logs"}},
        {"another prefix",
         env("/opt/v/bin/vexa-cli"),
         {},
         {"/opt/v/share/vexa"},
         {},
         {"/opt/v/share/vexa", "/home/u/.cfg/vexa/vexa-cli.INI", "/home/u/.cfg/vexa/RAMDump.txt",
          true, true, "/home/u/.local/share/vexa/restore-points",
          "/home/u/.local/share/vexa/logs"}},
        {"build tree: data beside the program wins",
         env("/src/build/bin/vexa"),
         {},
         {"/src/build/bin", "/src/build/share/vexa"},
         {"/src/build/bin"},
         {"/src/build/bin", "/src/build/bin/vexa.INI", "/src/build/bin/RAMDump.txt", false, false,
          "/home/u/.local/share/vexa/restore-points", "/home/u/.local/share/vexa/logs"}},
        {"no data anywhere: beside the program as before",
         env("/usr/bin/vexa"),
         {},
         {},
         {},
         {"/usr/bin", "/home/u/.cfg/vexa/vexa.INI", "/home/u/.cfg/vexa/RAMDump.txt", true, false,
          "/home/u/.local/share/vexa/restore-points", "/home/u/.local/share/vexa/logs"}},
        {"--program-dir",
         env("/usr/bin/vexa"),
         {"/data/v", ""},
         {"/usr/share/vexa", "/data/v"},
         {"/data/v"},
         {"/data/v", "/data/v/vexa.INI", "/data/v/RAMDump.txt", false, false,
          "/home/u/.local/share/vexa/restore-points", "/home/u/.local/share/vexa/logs"}},
    };
    for (const auto& c : cases) {
        const auto in = [](const std::set<std::string>& dirs, const std::string& dir) {
            for (const std::string& listed : dirs) {
                if (Native(listed) == Native(dir))
                    return true;
            }
            return false;
        };
        const auto writable = [&](const std::string& dir) { return in(c.writable, dir); };
        const auto withData = [&](const std::string& dir) { return in(c.withData, dir); };
        const ProgramPaths paths =
            ResolveProgramPaths(c.environment, c.overrides, writable, withData);
        EXPECT_EQ(Native(paths.programDir), Native(c.expected.programDir)) << c.name;
        EXPECT_EQ(Native(paths.settingsFile), Native(c.expected.settingsFile)) << c.name;
        EXPECT_EQ(Native(paths.ramDumpFile), Native(c.expected.ramDumpFile)) << c.name;
        EXPECT_EQ(paths.settingsInUserConfig, c.expected.settingsInUserConfig) << c.name;
        EXPECT_EQ(paths.installedLayout, c.expected.installedLayout) << c.name;
        EXPECT_EQ(Native(paths.restorePointDir), Native(c.expected.restorePointDir)) << c.name;
        EXPECT_EQ(Native(paths.dataLogDir), Native(c.expected.dataLogDir)) << c.name;
    }
    EXPECT_EQ(Native(InstalledDataDirectory("/usr/local/bin/vexa")),
              Native("/usr/local/share/vexa"));
    EXPECT_EQ(InstalledDataDirectory("/opt/vexa/vexa"), "");
}

TEST(ProgramPaths, StoredNamesCutAtEitherSeparator) {
    EXPECT_EQ(Native(JoinStoredPath("/opt/vexa", "PID2\\3")), Native("/opt/vexa/PID2/3"));
    EXPECT_EQ(Native(JoinStoredPath("/opt/vexa/", "Help\\Intro.rtf")),
              Native("/opt/vexa/Help/Intro.rtf"));
    EXPECT_EQ(Native(JoinStoredPath("/opt/vexa", "PID2/3/generic.init")),
              Native("/opt/vexa/PID2/3/generic.init"));
    EXPECT_EQ(Native(JoinStoredPath("/opt/vexa", "/abs/pic.bmp")), Native("/abs/pic.bmp"));
    EXPECT_EQ(Native(JoinStoredPath("/opt/vexa", "\\abs\\pic.bmp")), Native("/abs/pic.bmp"));
    EXPECT_EQ(Native(JoinStoredPath("", "a\\b")), Native("a/b"));
    EXPECT_EQ(Native(JoinStoredPath("/", "x")), Native("/x"));

    EXPECT_EQ(StoredFileName("C:\\Cal\\a.gvr"), "a.gvr");
    EXPECT_EQ(StoredFileName("/home/u/cal/b.gvr"), "b.gvr");
    EXPECT_EQ(StoredFileName("mixed/dir\\c.gvr"), "c.gvr");
    EXPECT_EQ(StoredFileName("plain.gvr"), "plain.gvr");
    EXPECT_EQ(Native(StoredDirectory("PID2\\3\\Auto4.def")), Native("PID2/3"));
    EXPECT_EQ(Native(StoredDirectory("\\top.def")), Native("/"));
    EXPECT_EQ(Native(StoredDirectory("plain.def")), Native(""));
}

#ifdef _WIN32
TEST(ProgramPaths, WindowsDrivesAndSeparators) {
    EXPECT_EQ(IniPathBesideProgram("C:\\Program Files\\VEXA\\Tuner.exe"),
              "C:\\Program Files\\VEXA\\Tuner.INI");
    EXPECT_EQ(JoinStoredPath("C:\\VEXA", "PID2/3"), "C:\\VEXA\\PID2\\3");
    EXPECT_EQ(JoinStoredPath("C:\\VEXA", "D:\\Cal\\a.gvr"), "D:\\Cal\\a.gvr");
    const PathEnvironment env{"C:\\VEXA\\vexa.exe", "C:\\Users\\u\\AppData\\Roaming",
                              "C:\\Users\\u"};
    const ProgramPaths paths =
        ResolveProgramPaths(env, {}, [](const std::string&) { return false; });
    EXPECT_EQ(paths.programDir, "C:\\VEXA");
    EXPECT_EQ(paths.settingsFile, "C:\\Users\\u\\AppData\\Roaming\\vexa\\vexa.INI");
    EXPECT_EQ(
        ResolveProgramPaths({"C:\\vexa.exe", "", ""}, {}, [](const std::string&) { return true; })
            .settingsFile,
        "C:\\vexa.INI");
}
#endif

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
    EXPECT_EQ(std::filesystem::path(env.programPath).stem(), "core_tests");
    EXPECT_FALSE(env.home.empty());

    const std::string base =
        testing::MakeTempDirectory(std::string(VEXA_TEST_OUTPUT_DIR) + "/paths-XXXXXX");
    ASSERT_NE(base, "");
    std::string error;
    ASSERT_TRUE(EnsureDirectory(base + "/config/vexa", error)) << error;
    EXPECT_TRUE(IsDirectoryWritable(base + "/config/vexa"));
    EXPECT_FALSE(IsDirectoryWritable(base + "/not-there"));
    EXPECT_FALSE(HoldsProgramData(base + "/config"));
    { std::ofstream(base + "/config/Package.ver") << "c\r\n"; }
    EXPECT_TRUE(HoldsProgramData(base + "/config"));
    ASSERT_TRUE(EnsureDirectory(base + "/config/vexa", error)) << error; // already there
    { std::ofstream(base + "/file") << "x"; }
    EXPECT_FALSE(EnsureDirectory(base + "/file", error));
    EXPECT_NE(error.find(base + "/file"), std::string::npos) << error;
    std::filesystem::remove_all(base);
}

} // namespace
} // namespace vexa
