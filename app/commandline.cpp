#include "app/commandline.h"

namespace vexa {

bool ParseCommandLine(std::vector<std::string> args, CommandLine& line, std::string& error) {
    CommandLine parsed;
    if (!ExtractPathOverrides(args, parsed.overrides, error))
        return false;
    bool onlyFiles = false;
    for (const std::string& arg : args) {
        if (!onlyFiles && arg == "--") {
            onlyFiles = true;
        } else if (!onlyFiles && arg == "--demo") {
            parsed.demo = true;
        } else if (!onlyFiles && arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (!parsed.fileName.empty()) {
            error = "only one calibration file can be opened";
            return false;
        } else {
            parsed.fileName = arg;
        }
    }
    line = std::move(parsed);
    return true;
}

} // namespace vexa
