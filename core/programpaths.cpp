#include "core/programpaths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace vexa {
namespace {

std::string DirectoryOf(std::string_view path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string_view::npos)
        return ".";
    return slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
}

std::string FileNameOf(std::string_view path) {
    const auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool TakeOption(std::string_view arg, std::string_view name, std::string& value, bool& needsNext) {
    if (arg == name) {
        needsNext = true;
        return true;
    }
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
        value = std::string(arg.substr(name.size() + 1));
        needsNext = false;
        return true;
    }
    return false;
}

} // namespace

std::string IniPathBesideProgram(std::string_view programPath) {
    const auto slash = programPath.find_last_of('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const auto dot = programPath.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart)
        return std::string(programPath) + ".INI";
    return std::string(programPath.substr(0, dot)) + ".INI";
}

bool ExtractPathOverrides(std::vector<std::string>& args, PathOverrides& overrides,
                          std::string& error) {
    PathOverrides found = overrides;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string* target = nullptr;
        std::string value;
        bool needsNext = false;
        std::string_view option;
        if (TakeOption(args[i], "--program-dir", value, needsNext)) {
            target = &found.programDir;
            option = "--program-dir";
        } else if (TakeOption(args[i], "--settings", value, needsNext)) {
            target = &found.settingsFile;
            option = "--settings";
        } else {
            rest.push_back(args[i]);
            continue;
        }
        if (needsNext) {
            if (i + 1 >= args.size()) {
                error = "The option " + std::string(option) + " needs a value.";
                return false;
            }
            value = args[++i];
        }
        if (value.empty()) {
            error = "The option " + std::string(option) + " needs a value.";
            return false;
        }
        *target = value;
    }
    args = std::move(rest);
    overrides = std::move(found);
    return true;
}

PathEnvironment CurrentPathEnvironment(const char* argv0) {
    PathEnvironment environment;
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec && argv0 && *argv0)
        self = std::filesystem::absolute(argv0, ec);
    if (!ec)
        environment.programPath = self.string();
    environment.xdgConfigHome = EnvironmentValue("XDG_CONFIG_HOME");
    environment.xdgDataHome = EnvironmentValue("XDG_DATA_HOME");
    environment.home = EnvironmentValue("HOME");
    if (environment.home.empty()) {
        struct passwd entry {};
        struct passwd* result = nullptr;
        char buffer[4096];
        if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &result) == 0 && result &&
            result->pw_dir)
            environment.home = result->pw_dir;
    }
    return environment;
}

bool IsDirectoryWritable(const std::string& directory) {
    return ::access(directory.c_str(), W_OK | X_OK) == 0;
}

std::string UserConfigDirectory(const PathEnvironment& environment) {
    // Relative values are invalid for the XDG variables and are ignored.
    if (!environment.xdgConfigHome.empty() && environment.xdgConfigHome.front() == '/')
        return JoinStoredPath(environment.xdgConfigHome, "vexa");
    if (!environment.home.empty())
        return JoinStoredPath(JoinStoredPath(environment.home, ".config"), "vexa");
    return {};
}

std::string UserDataDirectory(const PathEnvironment& environment) {
    if (!environment.xdgDataHome.empty() && environment.xdgDataHome.front() == '/')
        return JoinStoredPath(environment.xdgDataHome, "vexa");
    if (!environment.home.empty())
        return JoinStoredPath(JoinStoredPath(JoinStoredPath(environment.home, ".local"), "share"),
                              "vexa");
    return {};
}

ProgramPaths ResolveProgramPaths(const PathEnvironment& environment, const PathOverrides& overrides,
                                 const DirectoryWritable& isWritable) {
    ProgramPaths paths;
    paths.programDir =
        !overrides.programDir.empty() ? overrides.programDir : DirectoryOf(environment.programPath);
    const std::string programName = FileNameOf(environment.programPath);
    const std::string iniName = IniPathBesideProgram(programName.empty() ? "vexa" : programName);
    const bool programDirWritable = isWritable(paths.programDir);

    if (!overrides.settingsFile.empty()) {
        paths.settingsFile = overrides.settingsFile;
    } else if (programDirWritable) {
        paths.settingsFile = JoinStoredPath(paths.programDir, iniName);
    } else {
        const std::string config = UserConfigDirectory(environment);
        // Without any configuration directory the program directory is all there is;
        // writes then fail and say so.
        paths.settingsInUserConfig = !config.empty();
        paths.settingsFile = JoinStoredPath(config.empty() ? paths.programDir : config, iniName);
    }

    paths.ramDumpFile = JoinStoredPath(
        programDirWritable ? paths.programDir : DirectoryOf(paths.settingsFile), "RAMDump.txt");
    return paths;
}

bool EnsureDirectory(const std::string& directory, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        error = "Could not create the folder \"" + directory + "\": " + ec.message();
        return false;
    }
    if (!std::filesystem::is_directory(directory, ec)) {
        error = "Could not create the folder \"" + directory + "\": a file of that name exists.";
        return false;
    }
    return true;
}

std::string JoinStoredPath(std::string_view directory, std::string_view storedName) {
    std::string name(storedName);
    for (char& c : name) {
        if (c == '\\')
            c = '/';
    }
    if (directory.empty() || (!name.empty() && name.front() == '/'))
        return name;
    std::string joined(directory);
    if (joined.back() != '/')
        joined += '/';
    return joined + name;
}

std::string StoredFileName(std::string_view storedName) {
    const auto cut = storedName.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? storedName : storedName.substr(cut + 1));
}

std::string StoredDirectory(std::string_view storedName) {
    const auto cut = storedName.find_last_of("/\\");
    if (cut == std::string_view::npos)
        return {};
    return JoinStoredPath({}, cut == 0 ? storedName.substr(0, 1) : storedName.substr(0, cut));
}

} // namespace vexa
