// vexa-cli: the calibration document, the definitions and the monitor driven from the
// command line. Message boxes become "caption: text" lines on standard error.
#include "cli/command.h"
#include "core/programversion.h"
#include "core/vlxdoc.h"

#include <clocale>
#include <iostream>
#include <string_view>

namespace {

struct CommandEntry {
    std::string_view name;
    vexa::cli::CommandFunction run;
    std::string_view usage;
};

int CmdDemo(vexa::cli::CommandContext& context);

const CommandEntry kCommands[] = {
    {"new", vexa::cli::CmdNew, "new [--type NAME.def] -o OUT.gvr   a new calibration"},
    {"info", vexa::cli::CmdInfo, "info FILE [--json]           open a calibration and describe it"},
    {"save", vexa::cli::CmdSave, "save IN OUT                  open IN, save it as OUT"},
    {"image", vexa::cli::CmdImage,
     "image FILE [--hex | -o OUT.bin]  the memory image a write would send"},
    {"convert", vexa::cli::CmdConvert,
     "convert OLD NEW.gvr          an older file in the current format"},
#ifdef VEXA_HAVE_RENDER
    {"render", vexa::cli::CmdRender,
     "render FILE.gvr -o OUT.png [--size 1280x720] [--traces 0,1,...]  a picture of the curves"},
#endif
    {"diff", vexa::cli::CmdDiff,
     "diff A.gvr B.gvr [--json]     what differs between two calibrations; exit 0 none, 1 some,\n"
     "      2 on an error"},
    {"restore-points", vexa::cli::CmdRestorePoints,
     "restore-points [--json]      the tables kept before writes, newest first"},
    {"eval", vexa::cli::CmdEval, "eval FORMULA [--x X]         evaluate a formula, print JSON"},
    {"sim", vexa::cli::CmdSim,
     "sim --pty [--identity D.H/F.m] [--baud 9600] [--faults SPEC] [--seed N] [--nvm "
     "eeprom|flash]\n"
     "      a virtual controller on a pseudo-terminal, its path on the first line; D.H/F.m is\n"
     "      DeviceType.HardwareVersion/FirmwareVersion.FirmwareVersionMinor, e.g. 2.1/3.4"},
    {"identify", vexa::cli::CmdIdentify,
     "identify --port P            the controller's identity as JSON"},
    {"dump", vexa::cli::CmdDump,
     "dump --port P [-o FILE]      the controller's RAM into RAMDump.txt"},
    {"read", vexa::cli::CmdRead,
     "read --port P [--table 1|2] [--choice N] -o OUT.gvr  read a calibration from the controller"},
    {"write", vexa::cli::CmdWrite,
     "write --port P [--table 1|2] [--no-restore-point] FILE.gvr  write a calibration into the\n"
     "      controller, after keeping what the table held as a restore point"},
    {"monitor", vexa::cli::CmdMonitor,
     "monitor --port P FILE.gvr [--count N]  live data as CSV, one line per timer tick"},
    {"ports", vexa::cli::CmdPorts,
     "ports                        the serial ports, as the port dialog lists them\n"
     "      P: a serial device path, usb, or sim (the virtual controller; with --identity,\n"
     "      --faults, --seed, --nvm as for sim); every controller command also takes\n"
     "      --trace FILE (every byte of the link); --choice N picks the Nth transmission type\n"
     "      of a choice list in alphabetical order (default 1)"},
    {"demo", CmdDemo, "demo                         a short demonstration"},
};

void PrintUsage(std::ostream& out) {
    out << "usage: vexa-cli [--program-dir DIR] [--settings FILE] COMMAND [ARGS]\n"
           "       vexa-cli --help | --version\n\ncommands:\n";
    for (const auto& command : kCommands)
        out << "  " << command.usage << "\n";
}

int CmdDemo(vexa::cli::CommandContext& context) {
    context.out << "VEXA Transmission Control command line. Formulas evaluate as the "
                   "definition files use them:\n";
    for (const char* formula : {"x*0.5+20", "SQRT(144)+ABS(-3)", "(1+2"}) {
        context.out << "  eval " << formula << " --x 100 -> ";
        vexa::cli::CommandContext evalContext{
            {formula, "--x", "100"}, context.paths, context.out, context.err};
        vexa::cli::CmdEval(evalContext);
    }
    context.out << "\nSee 'vexa-cli' without arguments for every command.\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Definition files and calibrations use '.' as the decimal point whatever the locale.
    std::setlocale(LC_NUMERIC, "C");

    std::vector<std::string> args(argv + 1, argv + argc);
    vexa::PathOverrides overrides;
    std::string error;
    // Only the options before the command name are global.
    std::size_t command = 0;
    bool help = false;
    bool version = false;
    while (command < args.size() && args[command].rfind("-", 0) == 0) {
        const std::string& option = args[command];
        if (option == "--help" || option == "-h") {
            help = true;
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(command));
        } else if (option == "--version") {
            version = true;
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(command));
        } else {
            command +=
                option.rfind("--", 0) == 0 && option.find('=') == std::string::npos ? 2u : 1u;
        }
    }
    command = std::min(command, args.size());
    std::vector<std::string> global(args.begin(),
                                    args.begin() + static_cast<std::ptrdiff_t>(command));
    if (!vexa::ExtractPathOverrides(global, overrides, error) || !global.empty()) {
        std::cerr << "vexa-cli: " << (error.empty() ? "unknown option " + global.front() : error)
                  << "\n";
        PrintUsage(std::cerr);
        return 2;
    }
    if (help) {
        PrintUsage(std::cout);
        return 0;
    }
    const vexa::ProgramPaths paths = vexa::ResolveProgramPaths(
        vexa::CurrentPathEnvironment(argv[0]), overrides, vexa::IsDirectoryWritable);
    if (version) {
        std::cout << "vexa-cli (VEXA Transmission Control) "
                  << vexa::ProgramVersion(vexa::ReadPackageVersion(paths.programDir)) << "\n";
        return 0;
    }
    if (command >= args.size()) {
        PrintUsage(std::cerr);
        return 2;
    }
    if (paths.settingsInUserConfig) {
        // The user's configuration directory may not exist yet; without it every
        // settings write (the controller's identity, the port) would be lost.
        std::string ignored;
        vexa::EnsureDirectory(vexa::StoredDirectory(paths.settingsFile), ignored);
    }
    vexa::cli::CommandContext context{
        std::vector<std::string>(args.begin() + static_cast<std::ptrdiff_t>(command) + 1,
                                 args.end()),
        paths, std::cout, std::cerr};
    const std::string_view name = args[command];
    for (const auto& entry : kCommands) {
        if (entry.name == name)
            return entry.run(context);
    }
    std::cerr << "vexa-cli: unknown command '" << name << "'\n";
    PrintUsage(std::cerr);
    return 2;
}
