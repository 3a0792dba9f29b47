#pragma once
// One subcommand of vexa-cli. Each lives in its own cmd_*.cpp and is listed in the
// command table of main.cpp.
#include "core/programpaths.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

struct CommandContext {
    std::vector<std::string> args; // the arguments after the command name
    ProgramPaths paths;            // program directory, settings file, RAMDump.txt
    std::ostream& out;
    std::ostream& err;
};

using CommandFunction = int (*)(CommandContext&);

int CmdEval(CommandContext& context);
int CmdSim(CommandContext& context);
int CmdNew(CommandContext& context);
int CmdInfo(CommandContext& context);
int CmdSave(CommandContext& context);
int CmdImage(CommandContext& context);
int CmdConvert(CommandContext& context);
int CmdRender(CommandContext& context);
int CmdIdentify(CommandContext& context);
int CmdDump(CommandContext& context);
int CmdRead(CommandContext& context);
int CmdWrite(CommandContext& context);
int CmdMonitor(CommandContext& context);
int CmdPorts(CommandContext& context);
int CmdDiff(CommandContext& context);
int CmdRestorePoints(CommandContext& context);

} // namespace vexa::cli
