#include "core/programpaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace vexa {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
// Windows takes either separator in a path.
constexpr const char* kSeparators = "\\/";
#else
constexpr char kSeparator = '/';
constexpr const char* kSeparators = "/";
#endif

bool IsSeparator(char c) {
    return c == '/' || c == kSeparator;
}

bool IsAbsolute(std::string_view path) {
    if (!path.empty() && IsSeparator(path.front()))
        return true;
#ifdef _WIN32
    // "C:..." names a drive; relative to its current folder is no name worth keeping apart.
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        return true;
#endif
    return false;
}

std::string DirectoryOf(std::string_view path) {
    const auto slash = path.find_last_of(kSeparators);
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return std::string(1, path[0]);
#ifdef _WIN32
    if (slash == 2 && path[1] == ':')
        return std::string(path.substr(0, 3)); // "C:\\" stays the root of its drive
#endif
    return std::string(path.substr(0, slash));
}

std::string FileNameOf(std::string_view path) {
    const auto slash = path.find_last_of(kSeparators);
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
    const auto slash = programPath.find_last_of(kSeparators);
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
#ifdef _WIN32
    char self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        environment.programPath.assign(self, length);
    else if (argv0 && *argv0)
        environment.programPath = argv0;
    environment.xdgConfigHome = EnvironmentValue("APPDATA");
    environment.xdgDataHome = EnvironmentValue("LOCALAPPDATA");
    environment.home = EnvironmentValue("USERPROFILE");
#else
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
#endif
    return environment;
}

bool IsDirectoryWritable(const std::string& directory) {
#ifdef _WIN32
    // The read-only attribute says nothing about a folder's permissions there: only a
    // file actually created tells.
    const std::string probe = JoinStoredPath(directory, ".vexa-write-test");
    const HANDLE file =
        ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
#else
    return ::access(directory.c_str(), W_OK | X_OK) == 0;
#endif
}

bool HoldsProgramData(const std::string& directory) {
    std::error_code ec;
    return std::filesystem::is_regular_file(JoinStoredPath(directory, "Package.ver"), ec);
}

std::string InstalledDataDirectory(std::string_view programPath) {
    const std::string bin = DirectoryOf(programPath);
    if (FileNameOf(bin) != "bin")
        return {};
    return JoinStoredPath(JoinStoredPath(DirectoryOf(bin), "share"), "vexa");
}

std::string UserConfigDirectory(const PathEnvironment& environment) {
    // Relative values are invalid for the XDG variables and are ignored.
    if (!environment.xdgConfigHome.empty() && IsAbsolute(environment.xdgConfigHome))
        return JoinStoredPath(environment.xdgConfigHome, "vexa");
    if (!environment.home.empty())
        return JoinStoredPath(JoinStoredPath(environment.home, ".config"), "vexa");
    return {};
}

std::string UserDataDirectory(const PathEnvironment& environment) {
    if (!environment.xdgDataHome.empty() && IsAbsolute(environment.xdgDataHome))
        return JoinStoredPath(environment.xdgDataHome, "vexa");
    if (!environment.home.empty())
        return JoinStoredPath(JoinStoredPath(environment.home, ".local/share"), "vexa");
    return {};
}

ProgramPaths ResolveProgramPaths(const PathEnvironment& environment, const PathOverrides& overrides,
                                 const DirectoryWritable& isWritable,
                                 const ProgramDataProbe& holdsData) {
    ProgramPaths paths;
    if (!overrides.programDir.empty()) {
        paths.programDir = overrides.programDir;
    } else {
        paths.programDir = DirectoryOf(environment.programPath);
        // Data beside the program wins, so a build tree or a copied folder runs as it is.
        const std::string installed = InstalledDataDirectory(environment.programPath);
        if (!installed.empty() && holdsData && !holdsData(paths.programDir) &&
            holdsData(installed)) {
            paths.programDir = installed;
            paths.installedLayout = true;
        }
    }
    const std::string programName = FileNameOf(environment.programPath);
    const std::string iniName = IniPathBesideProgram(programName.empty() ? "vexa" : programName);
    // An installation belongs to the system even where this user (root) may write into it.
    const bool programDirWritable = !paths.installedLayout && isWritable(paths.programDir);

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
    const std::string data = UserDataDirectory(environment);
    const std::string userFiles = data.empty() ? DirectoryOf(paths.settingsFile) : data;
    paths.restorePointDir = JoinStoredPath(userFiles, "restore-points");
    paths.dataLogDir = JoinStoredPath(userFiles, "logs");
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
        if (c == '\\' || c == '/')
            c = kSeparator;
    }
    if (directory.empty() || IsAbsolute(name))
        return name;
    std::string joined(directory);
    if (!IsSeparator(joined.back()))
        joined += kSeparator;
    return joined + name;
}

bool IsAbsolutePath(std::string_view path) {
    return IsAbsolute(path);
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
