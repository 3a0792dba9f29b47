#pragma once
// A program run through the shell, as a user starts it, for the tests of whole commands.
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace vexa::testing {

struct CommandResult {
    int exitCode = -1; // -1: the shell could not be started, or the command did not exit
    std::string out;
};

// Runs command (already quoted for the shell) and collects its standard output; where
// standard error goes is the command's own business.
inline CommandResult RunShellCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace vexa::testing
