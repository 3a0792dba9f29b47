#pragma once
// The windowed program's command line:
//   vexa [--demo] [--program-dir DIR] [--settings FILE] [CALIBRATION.gvr]
#include "core/programpaths.h"

#include <string>
#include <vector>

namespace vexa {

struct CommandLine {
    PathOverrides overrides;
    bool demo = false;    // the virtual controller is the port for this run
    std::string fileName; // a calibration to open instead of File>New
};

// Returns false with a reason in error for an unknown option, a missing value or more
// than one file name. Arguments Qt consumed itself (-platform ...) must be gone already.
bool ParseCommandLine(std::vector<std::string> args, CommandLine& line, std::string& error);

inline constexpr const char* kCommandLineUsage =
    "usage: vexa [--demo] [--program-dir DIR] [--settings FILE] [CALIBRATION.gvr]";

} // namespace vexa
