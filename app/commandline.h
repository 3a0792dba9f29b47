#pragma once
// The windowed program's command line:
//   vexa [--demo] [--program-dir DIR] [--settings FILE] [CALIBRATION.gvr]
//   vexa /p CALIBRATION.gvr            print the calibration's graph, then quit
//   vexa /pt CALIBRATION.gvr PRINTER   the same on the named printer
//   vexa --help | --version
#include "core/programpaths.h"

#include <string>
#include <vector>

namespace vexa {

struct CommandLine {
    PathOverrides overrides;
    bool demo = false;    // the virtual controller is the port for this run
    std::string fileName; // a calibration to open instead of File>New
    bool help = false;    // --help: print the usage and quit
    bool version = false; // --version: print the version and quit
    // /p or /pt: print fileName's graph and quit; printerName empty for the default printer.
    bool print = false;
    std::string printerName;
};

// Returns false with a reason in error for an unknown option, a missing value or more
// than one file name. Options of the toolkit (-platform ...) must be gone already
// (RemoveToolkitOptions).
bool ParseCommandLine(std::vector<std::string> args, CommandLine& line, std::string& error);

// Removes the options the toolkit takes for itself ("-platform offscreen", "-style=fusion",
// "--reverse", ...), so that the program's own options can be checked before there is a
// display.
void RemoveToolkitOptions(std::vector<std::string>& args);

inline constexpr const char* kCommandLineUsage =
    "usage: vexa [--demo] [--program-dir DIR] [--settings FILE] [CALIBRATION.gvr]\n"
    "       vexa /p CALIBRATION.gvr | /pt CALIBRATION.gvr PRINTER\n"
    "       vexa --help | --version";

inline constexpr const char* kCommandLineHelp =
    "VEXA Transmission Control: tunes the VEXA transmission controller.\n"
    "\n"
    "  CALIBRATION.gvr    open this calibration instead of starting on a new one\n"
    "  --demo             use the virtual controller as the port for this run\n"
    "  --program-dir DIR  where the definition folders, help files and pictures are\n"
    "  --settings FILE    the settings file to use\n"
    "  /p FILE            print the calibration's graph on the default printer and quit\n"
    "  /pt FILE PRINTER   print it on the named printer and quit; a PRINTER name ending in\n"
    "                     .pdf that is no printer's writes that PDF file\n"
    "  --help             show this text\n"
    "  --version          show the program's version\n";

} // namespace vexa
