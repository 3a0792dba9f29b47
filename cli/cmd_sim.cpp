// vexa-cli sim: the virtual controller on a pseudo-terminal, for the windowed program, the
// other commands or any serial tool to talk to.
#include "cli/command.h"
#include "sim/simoptions.h"
#include "sim/simpresets.h"
#include "sim/simpty.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

namespace vexa::cli {

namespace {

std::atomic<bool> gStop{false};

extern "C" void OnStopSignal(int) {
    gStop = true;
}

void PrintSimUsage(std::ostream& out) {
    out << "usage: vexa-cli sim --pty [--identity D.H/F.m] [--baud 9600] [--faults SPEC]\n"
           "                    [--seed N] [--nvm eeprom|flash|flash2]\n"
           "Serves a virtual controller on a new pseudo-terminal and prints its path on the\n"
           "first line; stops on SIGINT or SIGTERM.\n"
           "  --identity D.H/F.m  DeviceType.HardwareVersion/FirmwareVersion.FirmwareVersionMinor\n"
           "                      the controller announces, e.g. 2.1/3.4 (the default)\n"
           "  --baud N            line speed the bytes are paced at (0: no pacing; default 9600)\n"
           "  --faults SPEC       e.g. drop=0.01,change=0.005,delay=0.01:30,silent-after=500,\n"
           "                      unplug-after=2000[:MS],bad-flash=ADDR,bad-eeprom=ADDR,\n"
           "                      refuse-flash=N,flip-at=N\n"
           "  --seed N            seed of the fault injection, so a run replays (default 1)\n"
           "  --nvm KIND          eeprom ($NVMType 0), flash (1) or flash2 (2); default: that\n"
           "                      of the shipped controller the identity names, else eeprom\n"
           "A shipped controller's identity (2.1/3.4 EEPROM, 3.1/1.2 flash) also gives the\n"
           "controller that controller's RAM buffer, flash block size and flash size.\n";
}

bool ParseNumber(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 0);
    if (end != text.c_str() + text.size() || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

} // namespace

int CmdSim(CommandContext& context) {
    SimOptions options;
    options.baud = 9600;
    bool pty = false;
    int nvmType = -1; // not given
    const auto& args = context.args;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        std::string error;
        long long number = 0;
        if (arg == "--pty") {
            pty = true;
        } else if (arg == "--help") {
            PrintSimUsage(context.out);
            return 0;
        } else if (arg == "--identity" && hasValue) {
            if (!ParseIdentity(args[++i], options.identity, error)) {
                context.err << "vexa-cli sim: " << error << "\n";
                return 2;
            }
        } else if (arg == "--baud" && hasValue) {
            if (!ParseNumber(args[++i], 0, 4000000, number)) {
                context.err << "vexa-cli sim: bad baud rate '" << args[i] << "'\n";
                return 2;
            }
            options.baud = static_cast<int>(number);
        } else if (arg == "--faults" && hasValue) {
            if (!ParseFaultSpec(args[++i], options.faults, error)) {
                context.err << "vexa-cli sim: " << error << "\n";
                return 2;
            }
        } else if (arg == "--seed" && hasValue) {
            if (!ParseNumber(args[++i], 0, 0x7FFFFFFFFFFFFFFFLL, number)) {
                context.err << "vexa-cli sim: bad seed '" << args[i] << "'\n";
                return 2;
            }
            options.seed = static_cast<std::uint64_t>(number);
        } else if (arg == "--nvm" && hasValue) {
            if (!ParseNvmType(args[++i], nvmType)) {
                context.err << "vexa-cli sim: --nvm takes eeprom, flash or flash2\n";
                return 2;
            }
        } else {
            context.err << "vexa-cli sim: unexpected argument '" << arg << "'\n";
            PrintSimUsage(context.err);
            return 2;
        }
    }
    if (!pty) {
        context.err << "vexa-cli sim: --pty is required (the only front end offered here)\n";
        PrintSimUsage(context.err);
        return 2;
    }

    // The identity's controller comes with its memory layout, or the host's definitions would
    // fill a buffer and program flash blocks that this controller does not have.
    const SimPreset* preset = FindSimPresetByIdentity(options.identity);
    if (preset)
        options.layout = preset->layout;
    if (nvmType >= 0)
        options.layout.nvmType = nvmType;

    SimPty server(options);
    // It holds that controller's calibration too, so a read works before any write.
    if (preset && options.layout.nvmType == preset->layout.nvmType)
        LoadSimPresetMemory(*preset, server.Controller());
    std::string error;
    if (!server.Open(error)) {
        context.err << "vexa-cli sim: cannot create a pseudo-terminal: " << error << "\n";
        return 1;
    }
    context.out << server.SlavePath() << std::endl;
    context.err << "virtual controller " << options.identity.deviceType << "."
                << options.identity.hardwareVersion << "/" << options.identity.firmwareVersion
                << "." << options.identity.firmwareVersionMinor << ", $NVMType "
                << options.layout.nvmType;
    if (options.layout.nvmType > 0) {
        char layout[96];
        std::snprintf(layout, sizeof layout,
                      " (RAM buffer 0x%X, %d bytes; flash blocks of %d bytes)",
                      static_cast<unsigned>(options.layout.bufferStart), options.layout.bufferSize,
                      options.layout.flashBlockSize);
        context.err << layout;
    }
    context.err << ", " << options.baud << " baud";
    if (options.faults.Any())
        context.err << ", faults " << FormatFaultSpec(options.faults) << " seed " << options.seed;
    context.err << std::endl;

    gStop = false;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    server.Serve(gStop);
    return 0;
}

} // namespace vexa::cli
