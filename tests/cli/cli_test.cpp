// vexa-cli as a user runs it: whole commands, their output and their exit codes.
#include "datalog/datalogfile.h"
#include "support/decimalcomma.h"
#include "support/docfixture.h"
#include "support/memorysettings.h"
#include "support/shellcommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vexa {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using Result = testing::CommandResult;

// Runs vexa-cli with the fixture program directory; standard error goes to err.txt.
class Cli : public ::testing::Test {
protected:
    Result Run(const std::string& arguments) { return RunIn(VEXA_CLI_FIXTURES, arguments); }
    // environment: assignments put before the command, such as "LC_ALL=de_DE.UTF-8 ".
    Result RunIn(const std::string& programDir, const std::string& arguments,
                 const std::string& environment = "") {
        // Restore points go into the test's folder, never the user's.
        const std::string command = "XDG_DATA_HOME=" + dir.File("data") + " " + environment +
                                    VEXA_CLI + " --program-dir " + programDir + " --settings " +
                                    dir.File("s.INI") + " " + arguments + " 2>" +
                                    dir.File("err.txt");
        return testing::RunShellCommand(command);
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

TEST_F(Cli, HelpAndVersionPrintAndSucceedMistakesShowTheUsage) {
    const Result help = Run("--help");
    EXPECT_EQ(help.exitCode, 0) << Err();
    EXPECT_EQ(help.out.rfind("usage: vexa-cli ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("\n  info FILE"), std::string::npos) << help.out;
    EXPECT_EQ(Err(), "");

    // The version's letter comes from the shipped Package.ver.
    const std::string shipped = std::filesystem::path(VEXA_CLI).parent_path().string();
    const Result version = RunIn(shipped, "--version");
    EXPECT_EQ(version.exitCode, 0) << Err();
    EXPECT_EQ(version.out, "vexa-cli (VEXA Transmission Control) 3.30c\n");

    for (const char* mistake : {"--bogus info", "", "frobnicate"}) {
        const Result result = Run(mistake);
        EXPECT_EQ(result.exitCode, 2) << mistake;
        EXPECT_EQ(result.out, "") << mistake;
        EXPECT_NE(Err().find("usage: vexa-cli "), std::string::npos) << mistake << ": " << Err();
    }
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

// `vexa-cli sim --pty` as a separate process: started with its arguments, its pty path read
// from the first line it prints, stopped (and reaped) when the object goes, so a failing test
// leaves no controller behind.
class SimProcess {
public:
    SimProcess(const std::vector<std::string>& arguments, const std::string& outputFile) {
        std::vector<std::string> argv = {VEXA_CLI, "sim", "--pty"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        for (std::string& arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        // Everything the child needs is prepared before the fork: it only redirects and execs.
        const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = open("/dev/null", O_WRONLY);
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            // Goes with the test process even if that one dies without cleaning up.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent)
                _exit(127);
            dup2(output, 1);
            dup2(null, 2);
            execv(VEXA_CLI, pointers.data());
            _exit(127);
        }
        close(output);
        close(null);
        // The path is printed once the pty is open.
        for (int attempt = 0; pid_ > 0 && attempt < 100 && path_.empty(); ++attempt) {
            const std::string out = ReadFileBytes(outputFile);
            if (const auto end = out.find('\n'); end != std::string::npos)
                path_ = out.substr(0, end);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~SimProcess() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        for (int attempt = 0; attempt < 40; ++attempt) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    const std::string& Path() const { return path_; }

private:
    pid_t pid_ = -1;
    std::string path_;
};

// What `info --json` says about a calibration that a controller round trip must keep.
struct CalibrationFacts {
    std::string transmissionType;
    std::string definitionFile;
    std::map<std::string, std::string> imageVariables; // name -> raw, variables with flag 1
    std::vector<std::string> curves;                   // one "[p0, ..., p9]" per curve
};

CalibrationFacts ReadFacts(const std::string& json) {
    CalibrationFacts facts;
    std::smatch match;
    if (std::regex_search(json, match, std::regex("\"TransmissionType\": \"([^\"]*)\"")))
        facts.transmissionType = match[1];
    if (std::regex_search(json, match, std::regex("\"DefinitionFileName\": \"([^\"]*)\"")))
        facts.definitionFile = match[1];
    const std::regex variable(
        "\\{\"slot\": \\d+, \"name\": \"([^\"]+)\", \"type\": \\d+, \"flags\": (\\d+), "
        "\"index\": \\d+, \"raw\": \"([0-9A-F]+)\"");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), variable);
         it != std::sregex_iterator(); ++it) {
        if (std::stoi((*it)[2]) & 1)
            facts.imageVariables[(*it)[1]] = (*it)[3];
    }
    const std::size_t curves = json.find("\"curves\": [");
    if (curves != std::string::npos) {
        const std::string line = json.substr(curves, json.find('\n', curves) - curves);
        const std::regex curve("\\[[-0-9, ]+\\]");
        for (auto it = std::sregex_iterator(line.begin(), line.end(), curve);
             it != std::sregex_iterator(); ++it)
            facts.curves.push_back(it->str());
    }
    return facts;
}

// A new calibration written into each shipped controller kind and read back: the same
// transmission type, image, image-backed variables and curves. The controller runs as its own
// process on a pty, so the calibration survives between the write and the read command.
TEST_F(Cli, CalibrationSurvivesAWriteAndReadOverAPtyController) {
    struct Case {
        const char* kind;
        std::vector<std::string> simArguments;
        const char* type;
        std::set<std::string> derivedVariables; // computed when the image is built
        std::set<std::size_t> derivedCurves;    // the image holds their proxy formula's result
    };
    const std::vector<Case> cases = {
        {"EEPROM", {"--identity", "2.1/3.4"}, "4l60e.def", {"VssCal"}, {}},
        // Shift43 follows Shift34 minus DownshiftGap43 while AutoDownshift43 is set.
        {"flash", {"--identity", "3.1/1.2", "--nvm", "flash2"}, "4l80e.def", {"VssCal"}, {5}},
    };
    // The shipped definitions, as the build installs them beside the program.
    const std::string shipped = std::filesystem::path(VEXA_CLI).parent_path().string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        std::vector<std::string> simArguments = c.simArguments;
        // Fast pacing keeps the test short; the host's time-outs are made for 9600 baud.
        simArguments.insert(simArguments.end(), {"--baud", "115200"});
        const SimProcess sim(simArguments, dir.File(std::string(c.kind) + "-pty.txt"));
        ASSERT_FALSE(sim.Path().empty()) << "the simulator printed no pty path";
        const std::string port = " --port " + sim.Path();
        const std::string a = dir.File(std::string(c.kind) + "-a.gvr");
        const std::string b = dir.File(std::string(c.kind) + "-b.gvr");
        // Stores the controller's identity, which chooses the definition folder below.
        const Result identify = RunIn(shipped, "identify" + port);
        if (identify.exitCode != 0 && Err().find("no serial port support") != std::string::npos)
            GTEST_SKIP() << "this vexa-cli reaches no serial devices";
        ASSERT_EQ(identify.exitCode, 0) << Err();
        ASSERT_EQ(RunIn(shipped, std::string("new --type ") + c.type + " -o " + a).exitCode, 0)
            << Err();
        ASSERT_EQ(RunIn(shipped, "write" + port + " " + a).exitCode, 0) << Err();
        ASSERT_EQ(RunIn(shipped, "read" + port + " -o " + b).exitCode, 0) << Err();

        // The image the read calibration builds is the one that was written.
        const Result imageA = RunIn(shipped, "image --hex " + a);
        const Result imageB = RunIn(shipped, "image --hex " + b);
        ASSERT_EQ(imageA.exitCode, 0) << Err();
        ASSERT_EQ(imageB.exitCode, 0) << Err();
        // One line of the dump a byte's difference falls into: "0000  " and 16 bytes.
        constexpr std::size_t kLine = 6 + 16 * 3;
        const auto differs = std::mismatch(imageA.out.begin(), imageA.out.end(), imageB.out.begin(),
                                           imageB.out.end())
                                 .first;
        if (differs != imageA.out.end()) {
            const auto line =
                static_cast<std::size_t>(differs - imageA.out.begin()) / kLine * kLine;
            ADD_FAILURE() << "images differ from\n"
                          << imageA.out.substr(line, kLine) << "read back as\n"
                          << imageB.out.substr(line, kLine);
        }
        EXPECT_EQ(imageA.out.size(), imageB.out.size());

        const CalibrationFacts written = ReadFacts(RunIn(shipped, "info --json " + a).out);
        const CalibrationFacts read = ReadFacts(RunIn(shipped, "info --json " + b).out);
        EXPECT_EQ(read.transmissionType, written.transmissionType);
        EXPECT_EQ(read.definitionFile, c.type);
        ASSERT_FALSE(written.imageVariables.empty());
        for (const auto& [name, raw] : written.imageVariables) {
            if (c.derivedVariables.count(name) == 0) {
                EXPECT_EQ(read.imageVariables.count(name) ? read.imageVariables.at(name) : "", raw)
                    << name;
            }
        }
        ASSERT_EQ(written.curves.size(), 50u);
        ASSERT_EQ(read.curves.size(), written.curves.size());
        for (std::size_t i = 0; i < written.curves.size(); ++i) {
            if (c.derivedCurves.count(i) == 0) {
                EXPECT_EQ(read.curves[i], written.curves[i]) << "curve " << i;
            }
        }
    }
}

// Reading over a serial port creates a Qt application object, which sets the user's locale;
// the transmission definition the read then loads must still read "3.73" as 3.73.
TEST_F(Cli, ReadOverASerialPortKeepsDecimalsUnderADecimalCommaLocale) {
    const std::string locale = testing::DecimalCommaLocaleName();
    if (locale.empty())
        GTEST_SKIP() << testing::kNoDecimalCommaLocale;
    // The shipped definitions, with a variable that only its default sets.
    const std::filesystem::path shipped = std::filesystem::path(VEXA_CLI).parent_path();
    const std::string program = dir.File("program");
    std::filesystem::create_directories(program);
    std::filesystem::copy(shipped / "PID2", program + "/PID2",
                          std::filesystem::copy_options::recursive);
    const std::string definition = program + "/PID2/3/4l60e.def";
    std::string text = ReadFileBytes(definition);
    const std::size_t line = text.find("\nAxleRatio F32");
    ASSERT_NE(line, std::string::npos);
    text.insert(line + 1, "Kept F32 0:0:x Def:3.73\n");
    dir.Write("program/PID2/3/4l60e.def", text);

    const SimProcess sim({"--identity", "2.1/3.4", "--baud", "115200"}, dir.File("pty.txt"));
    ASSERT_FALSE(sim.Path().empty()) << "the simulator printed no pty path";
    const std::string port = " --port " + sim.Path();
    const Result identify = RunIn(program, "identify" + port);
    if (identify.exitCode != 0 && Err().find("no serial port support") != std::string::npos)
        GTEST_SKIP() << "this vexa-cli reaches no serial devices";
    ASSERT_EQ(identify.exitCode, 0) << Err();
    const std::string read = dir.File("read.gvr");
    ASSERT_EQ(RunIn(program, "read" + port + " -o " + read, "LC_ALL=" + locale + " ").exitCode, 0)
        << Err();

    const Result info = RunIn(program, "info --json " + read);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(info.out, match,
                                  std::regex("\"name\": \"Kept\"[^}]*\"value\": ([-0-9.e+]+)")))
        << info.out.substr(0, 400);
    const std::string value = match[1];
    double kept = 0.0;
    std::from_chars(value.data(), value.data() + value.size(), kept);
    EXPECT_EQ(static_cast<float>(kept), 3.73f) << value;
    EXPECT_NE(info.out.find("\"TransmissionType\": \"4L60E\""), std::string::npos);
}

// monitor --log records the file the windowed program records, and prints the lines it
// prints without the option; the viewer reads the file.
TEST_F(Cli, MonitorWritesADataLogBesideItsLines) {
    const std::string shipped = std::filesystem::path(VEXA_CLI).parent_path().string();
    const std::string a = dir.File("a.gvr");
    ASSERT_EQ(RunIn(shipped, "new --type 4l60e.def -o " + a).exitCode, 0) << Err();
    const std::string monitor = "monitor --port sim --identity 2.1/3.4 " + a + " --count 40";
    const Result plain = RunIn(shipped, monitor);
    ASSERT_EQ(plain.exitCode, 0) << Err();
    const std::string log = dir.File("log.csv");
    const Result logged = RunIn(shipped, monitor + " --log " + log);
    ASSERT_EQ(logged.exitCode, 0) << Err();
    // The same lines; they start sooner, as the log first makes sure a controller answers.
    const auto withoutTimes = [](const std::string& lines) {
        return std::regex_replace(lines, std::regex("^[0-9]+,", std::regex::multiline), "");
    };
    EXPECT_EQ(withoutTimes(logged.out), withoutTimes(plain.out));
    EXPECT_EQ(plain.out.substr(0, plain.out.find('\n')),
              "time_ms,Speed (mph),Throttle (%),Gear,Commanded,Converter,Engine rpm,Line press.,"
              "Fluid (F),Coolant (F),Battery (V),crosshair_x,crosshair_y");

    const std::string text = ReadFileBytes(log);
    const std::size_t header = text.find('\n') + 1;
    EXPECT_EQ(text.substr(0, header),
              "# VEXA Transmission Control 3.30" +
                  ReadFileBytes(shipped + "/Package.ver").substr(0, 1) +
                  " data log; controller: VEXA TCS-2 2.1/3.4; calibration: " + a +
                  "; definition: 4l60e.def\n");
    EXPECT_EQ(text.substr(header, text.find('\n', header) + 1 - header),
              "Time,Speed (mph),Throttle (%),Gear,Commanded,Converter,Engine rpm,Line press.,"
              "Fluid (F),Coolant (F),Battery (V),Solenoids\n");
    DataLog read;
    std::string error;
    ASSERT_TRUE(ReadDataLogFile(log, read, error)) << error;
    // Rows from the tick on which the last logged item was first read, 50 ms apart.
    ASSERT_EQ(read.Rows(), 30u);
    EXPECT_NEAR(read.EndTime() - read.StartTime(), 29 * 0.050, 1e-9);
    EXPECT_EQ(read.channels[2].Text(read.channels[2].values[0]), "1st");

    EXPECT_EQ(RunIn(shipped, monitor + " --log " + dir.File("no/such/dir/log.csv")).exitCode, 1);
    EXPECT_NE(Err().find("Cannot create the data log"), std::string::npos) << Err();
}

// Two transmission types of one layout, with a settings field that shows Speed in other units.
std::string DiffDefinition(const std::string& type) {
    return "[ApplicationID]\nLogicalName " + type + "\nTransmissionType " + type +
           "\nProdName VEXA TCS-2\n[Declarations]\n$TotalBlockSize 64\n$DynamicBlockSize 32\n"
           "$NumDynamicTableCells 19\n$NumDynamicTableEntries 1\n$DynamicBlockStart 0\n"
           "$DynamicBlockLayout 0\n$DynamicInterpolation 2\n$StaticBlockSize 32\n"
           "$StaticBlockStart 32\n$NVMType 0\nSpeed I16 1:0:x Def:1500\n"
           "Shift12 T8 10:0:x NVM:19:0:1 Def:10,20,30,40,50,60,70,80,90,100,\n"
           "[GraphicalTuning]\nGraphElement Trace {\nLogicalName Shift12\nTraceNum 0\n"
           "EnableButton 0\nDisplayName 1-2 Shift\nTraceMode 1\nStoreToIntFormula x/10\n"
           "IntToStoreFormula x*10\nDispToIntFormula x/2\nIntToDispFormula x*2\n}\n"
           "[Vehicle]\nUserOption EditBox {\nLogicalName SpeedBox\nDisplayName Speed limit\n"
           "DisplayFormula %.1f = x/20\nStoreFormula I@Speed = x*20\n}\n";
}

// B is A with one variable, one curve point and the transmission type changed: diff lists
// exactly those, in the units the windows show them in.
TEST_F(Cli, DiffListsExactlyWhatWasEdited) {
    const std::string program = dir.File("program");
    dir.Write("program/PID2/3/generic.init",
              ReadFileBytes(std::string(VEXA_CLI_FIXTURES) + "/PID2/3/generic.init"));
    dir.Write("program/PID2/3/four.def", DiffDefinition("FOUR"));
    dir.Write("program/PID2/3/fourhd.def", DiffDefinition("FOUR-HD"));
    const std::string a = dir.File("a.gvr");
    ASSERT_EQ(RunIn(program, "new --type four.def -o " + a).exitCode, 0) << Err();
    const std::string b = dir.File("b.gvr");
    {
        testing::MemorySettings settings;
        CVLXDoc doc(CVLXDocServices{&settings, program, nullptr});
        ASSERT_TRUE(doc.OnOpenDocument(a));
        doc.SetIntVariable("Speed", 1620);
        doc.Point(0, 3) = 50;
        doc.Header[kDefinitionFileName] = "fourhd.def";
        ASSERT_TRUE(doc.OnSaveDocument(b));
    }

    const Result same = RunIn(program, "diff " + a + " " + a);
    EXPECT_EQ(same.exitCode, 0) << Err();
    EXPECT_EQ(same.out, "");

    const Result differs = RunIn(program, "diff " + a + " " + b);
    EXPECT_EQ(differs.exitCode, 1) << Err();
    EXPECT_EQ(differs.out, "type: FOUR -> FOUR-HD\n"
                           "variable Speed (Speed limit): 75.0 -> 81.0\n"
                           "curve 1-2 Shift point 3: 8 -> 10\n");

    const Result json = RunIn(program, "diff --json " + a + " " + b);
    EXPECT_EQ(json.exitCode, 1);
    for (const char* part :
         {"\"same\": false", "\"type\": {\"a\": \"FOUR\", \"b\": \"FOUR-HD\"}",
          "{\"name\": \"Speed\", \"label\": \"Speed limit\", \"a\": \"75.0\", \"b\": \"81.0\", "
          "\"storedA\": \"1500\", \"storedB\": \"1620\"}",
          "{\"curve\": 0, \"curveB\": 0, \"name\": \"1-2 Shift\", \"point\": 3, \"a\": 8, "
          "\"b\": 10, \"storedA\": 40, \"storedB\": 50}",
          "\"onlyInA\": {\"variables\": [], \"curves\": []}"})
        EXPECT_NE(json.out.find(part), std::string::npos) << part << "\n" << json.out;

    EXPECT_EQ(RunIn(program, "diff " + a + " " + dir.File("missing.gvr")).exitCode, 2);
    EXPECT_NE(Err().find("could not be read"), std::string::npos) << Err();
    EXPECT_EQ(RunIn(program, "diff " + a).exitCode, 2);
    EXPECT_EQ(RunIn(program, "diff " + a + " " + b + " --brief").exitCode, 2);
}

// A write first keeps what the table held; the restore point reads back as that calibration.
TEST_F(Cli, WriteKeepsARestorePointUnlessToldNotTo) {
    const std::string shipped = std::filesystem::path(VEXA_CLI).parent_path().string();
    const std::string held = dir.File("held.gvr");
    const std::string a = dir.File("a.gvr");
    // Each command starts a fresh virtual controller holding its shipped calibrations.
    ASSERT_EQ(RunIn(shipped, "read --port sim --table 2 -o " + held).exitCode, 0) << Err();
    ASSERT_EQ(RunIn(shipped, "new --type 4l60e.def -o " + a).exitCode, 0) << Err();
    const Result written = RunIn(shipped, "write --port sim --table 2 " + a);
    ASSERT_EQ(written.exitCode, 0) << Err();

    const Result listed = RunIn(shipped, "restore-points --json");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(listed.out, match, std::regex("\"path\": \"([^\"]+)\"")))
        << listed.out;
    const std::string point = match[1];
    EXPECT_EQ(written.out, "restore point: " + point + "\n");
    EXPECT_EQ(point.rfind(dir.File("data/vexa/restore-points/"), 0), 0u) << point;
    EXPECT_TRUE(std::regex_search(point, std::regex("/[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{2}-[0-9]{2}-"
                                                    "[0-9]{2} TCS-2 table 2\\.gvr$")))
        << point;
    EXPECT_NE(listed.out.find("\"type\": \"4R70W\""), std::string::npos) << listed.out;
    const Result compared = RunIn(shipped, "diff " + held + " '" + point + "'");
    EXPECT_EQ(compared.exitCode, 0) << compared.out << Err();

    // A backup read that fails is a question the command line answers No: nothing is sent.
    const Result refused = RunIn(shipped, "write --port sim --faults silent-after=100 " + a);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(Err().find("Restore Point Error:: Before writing"), std::string::npos) << Err();
    EXPECT_EQ(Err().find("Write Error"), std::string::npos) << Err();

    // Skipped on request, and when the settings turn restore points off.
    EXPECT_EQ(RunIn(shipped, "write --port sim --no-restore-point " + a).out, "");
    dir.Write("s.INI", "[Restore Points]\nEnabled=0\n");
    EXPECT_EQ(RunIn(shipped, "write --port sim " + a).out, "");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.File("data/vexa/restore-points")),
                      std::filesystem::directory_iterator()),
        1);
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

namespace vexa {
namespace {

// The in-process virtual controller holds the shipped calibration of its identity, so a
// read recognises the transmission through the definition folder's signatures.
TEST(CliVirtualController, ReadRecognisesTheShippedCalibrations) {
    struct Case {
        const char* identity;
        const char* type;
    } cases[] = {{"2.1/3.4", "\"TransmissionType\": \"4L60E\""},
                 {"3.1/1.2", "\"TransmissionType\": \"4L80E\""}};
    for (const Case& c : cases) {
        testing::TempDir dir;
        const std::string cli = std::string(VEXA_CLI) + " --settings " + dir.File("s.INI");
        const std::string read = cli + " read --port sim --identity " + c.identity + " -o " +
                                 dir.File("r.gvr") + " 2>/dev/null";
        ASSERT_EQ(std::system(read.c_str()), 0) << c.identity;
        const std::string info =
            cli + " info " + dir.File("r.gvr") + " --json > " + dir.File("r.json") + " 2>/dev/null";
        ASSERT_EQ(std::system(info.c_str()), 0) << c.identity;
        EXPECT_NE(testing::ReadFileBytes(dir.File("r.json")).find(c.type), std::string::npos)
            << c.identity;
    }
}

} // namespace
} // namespace vexa
