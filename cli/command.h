#pragma once
// One subcommand of vexa-cli. Each lives in its own cmd_*.cpp and registers itself in
// the table of main.cpp.
#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

struct CommandContext {
    std::vector<std::string> args; // the arguments after the command name
    std::string programDir;        // --program-dir, else the executable's directory
    std::string settingsFile;      // --settings, else empty (the default location)
    std::ostream& out;
    std::ostream& err;
};

using CommandFunction = int (*)(CommandContext&);

int CmdEval(CommandContext& context);

} // namespace vexa::cli
