// vexa as a process, as the desktop and a shell start it: options answered without a
// display, and the print switches.
#include "support/docfixture.h"
#include "support/shellcommand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vexa::testing {
namespace {

struct ProgramRun : CommandResult {
    std::string err;
};

// Runs the program with environment settings and arguments (both already quoted for the
// shell); standard error is kept apart from standard output.
ProgramRun RunProgram(const TempDir& dir, const std::string& environment,
                      const std::string& arguments) {
    // A message box nobody answers would keep the program waiting: a time limit ends it.
    const std::string command = "timeout 60 env " + environment + " " + VEXA_PROGRAM + " " +
                                arguments + " 2>" + dir.File("err.txt");
    // A braced list is evaluated in order: standard error is read once the program ended.
    return ProgramRun{RunShellCommand(command), ReadFileBytes(dir.File("err.txt"))};
}

TEST(Program, HelpVersionAndMistakesNeedNoDisplay) {
    TempDir dir;
    // No display of any kind: the windowed part must not start.
    const std::string noDisplay = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
    const std::string programDir = std::string("--program-dir ") + VEXA_BUILT_DATA_DIR;

    const ProgramRun help = RunProgram(dir, noDisplay, "--help");
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_EQ(help.out.rfind("usage: vexa ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("/pt FILE PRINTER"), std::string::npos) << help.out;

    const ProgramRun version = RunProgram(dir, noDisplay, programDir + " --version");
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "vexa (VEXA Transmission Control) 3.30c\n");

    const struct {
        const char* arguments;
        const char* reason;
    } mistakes[] = {
        {"--bogus", "vexa: unknown option --bogus\n"},
        {"a.gvr b.gvr", "vexa: only one calibration file can be opened\n"},
        {"/pt a.gvr", "vexa: the option /pt needs a calibration file and a printer\n"},
        {"--settings", "vexa: The option --settings needs a value.\n"},
    };
    for (const auto& m : mistakes) {
        const ProgramRun run = RunProgram(dir, noDisplay, m.arguments);
        EXPECT_EQ(run.exitCode, 2) << m.arguments;
        EXPECT_EQ(run.out, "") << m.arguments;
        EXPECT_EQ(run.err.rfind(m.reason, 0), 0u) << run.err;
        EXPECT_NE(run.err.find("usage: vexa "), std::string::npos) << run.err;
    }
}

// The failures of the print switches are in the application's tests, where their message
// boxes are answered.
TEST(Program, PrintSwitchPrintsTheGraphAndQuits) {
    TempDir dir;
    // Offscreen, with its own lock, settings and home, so nothing of the user's is touched.
    const std::string environment = "QT_QPA_PLATFORM=offscreen HOME=" + dir.path() +
                                    " XDG_RUNTIME_DIR=" + dir.path() +
                                    " XDG_CONFIG_HOME=" + dir.File("config");
    const std::string common = std::string("--program-dir ") + VEXA_BUILT_DATA_DIR +
                               " --settings " + dir.File("vexa.INI") + " ";
    const std::string calibration = dir.File("4l60e.gvr");
    const std::string make = std::string(VEXA_CLI) + " --program-dir " + VEXA_BUILT_DATA_DIR +
                             " --settings " + dir.File("cli.INI") + " new --type 4l60e.def -o " +
                             calibration;
    ASSERT_EQ(std::system(make.c_str()), 0);

    const std::string pdf = dir.File("graph.pdf");
    const ProgramRun printed =
        RunProgram(dir, environment, common + "/pt " + calibration + " " + pdf);
    EXPECT_EQ(printed.exitCode, 0) << printed.err;
    const std::string bytes = ReadFileBytes(pdf);
    ASSERT_EQ(bytes.rfind("%PDF-", 0), 0u) << "no PDF written";
    // One page carrying the graph's picture.
    EXPECT_NE(bytes.find("/Subtype /Image"), std::string::npos);
    EXPECT_NE(bytes.find("/Count 1"), std::string::npos);
}

} // namespace
} // namespace vexa::testing
