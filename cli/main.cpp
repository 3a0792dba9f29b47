// vexa-cli: the calibration document, the definitions and the monitor driven from the
// command line. Message boxes become "caption: text" lines on standard error.
#include "cli/command.h"

#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <unistd.h>

namespace {

struct CommandEntry {
    std::string_view name;
    vexa::cli::CommandFunction run;
    std::string_view usage;
};

int CmdDemo(vexa::cli::CommandContext& context);

const CommandEntry kCommands[] = {
    {"eval", vexa::cli::CmdEval, "eval FORMULA [--x X]       evaluate a formula, print JSON"},
    {"demo", CmdDemo, "demo                        a short demonstration"},
    {"sim", vexa::cli::CmdSim,
     "sim --pty [--identity D.H/F.m] [--baud 9600] [--faults SPEC] [--seed N] [--nvm "
     "eeprom|flash]\n"
     "      a virtual controller on a pseudo-terminal, its path on the first line; D.H/F.m is\n"
     "      DeviceType.HardwareVersion/FirmwareVersion.FirmwareVersionMinor, e.g. 2.1/3.4"},
};

void PrintUsage(std::ostream& out) {
    out << "usage: vexa-cli [--program-dir DIR] [--settings FILE] COMMAND [ARGS]\n\ncommands:\n";
    for (const auto& command : kCommands)
        out << "  " << command.usage << "\n";
}

int CmdDemo(vexa::cli::CommandContext& context) {
    context.out << "VEXA Transmission Control command line. Formulas evaluate as the "
                   "definition files use them:\n";
    for (const char* formula : {"x*0.5+20", "SQRT(144)+ABS(-3)", "(1+2"}) {
        context.out << "  eval " << formula << " --x 100 -> ";
        vexa::cli::CommandContext evalContext{{formula, "--x", "100"}, context.programDir,
                                              context.settingsFile, context.out, context.err};
        vexa::cli::CmdEval(evalContext);
    }
    return 0;
}

std::string ExecutableDir(const char* argv0) {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv0, ec);
    return self.parent_path().string();
}

} // namespace

int main(int argc, char** argv) {
    vexa::cli::CommandContext context{{}, ExecutableDir(argv[0]), "", std::cout, std::cerr};
    int i = 1;
    for (; i < argc; ++i) {
        std::string_view arg = argv[i];
        if ((arg == "--program-dir" || arg == "--settings") && i + 1 < argc) {
            (arg == "--program-dir" ? context.programDir : context.settingsFile) = argv[++i];
        } else {
            break;
        }
    }
    if (i >= argc) {
        PrintUsage(std::cerr);
        return 2;
    }
    const std::string_view name = argv[i++];
    for (; i < argc; ++i)
        context.args.emplace_back(argv[i]);
    for (const auto& command : kCommands) {
        if (command.name == name)
            return command.run(context);
    }
    std::cerr << "vexa-cli: unknown command '" << name << "'\n";
    PrintUsage(std::cerr);
    return 2;
}
