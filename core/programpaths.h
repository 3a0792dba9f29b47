#pragma once
// Where the program finds its installed data and keeps its own files: the settings file,
// RAMDump.txt, and names stored in definition and settings files. The rules are plain
// functions over explicit inputs (the program's path, the environment, a writability
// test), so they can be checked without an installation.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// The settings file beside a program: its path with everything from the last "." of the
// file name replaced by ".INI" (".INI" appended when the name has no dot):
// "/opt/vexa/Tuner.exe" -> "/opt/vexa/Tuner.INI", "/opt/vexa/vexa" -> "/opt/vexa/vexa.INI".
// Dots in directory names and a dot that starts the file name do not count.
std::string IniPathBesideProgram(std::string_view programPath);

// Locations given on the command line; empty when not given.
struct PathOverrides {
    std::string programDir;   // --program-dir DIR: where the installed data is
    std::string settingsFile; // --settings FILE: the settings file to use
};

// Removes "--program-dir DIR", "--settings FILE" (or "--program-dir=DIR",
// "--settings=FILE") from args, keeping the other arguments in order, and stores their
// values in overrides (the last one given wins). Returns false with a reason in error
// when an option has no value; args and overrides are then unchanged.
bool ExtractPathOverrides(std::vector<std::string>& args, PathOverrides& overrides,
                          std::string& error);

// What the location rules depend on.
struct PathEnvironment {
    std::string programPath;   // the running program's own file
    std::string xdgConfigHome; // $XDG_CONFIG_HOME (Windows: %APPDATA%), empty when unset
    std::string home;          // the user's home directory
    std::string xdgDataHome;   // $XDG_DATA_HOME (Windows: %LOCALAPPDATA%), empty when unset
};

// The environment of this process: the program's path from the system (argv0 when the
// system does not say), $XDG_CONFIG_HOME, $XDG_DATA_HOME and $HOME (else the account's
// home directory); on Windows %APPDATA%, %LOCALAPPDATA% and %USERPROFILE%.
PathEnvironment CurrentPathEnvironment(const char* argv0);

// Whether the program may create files in a directory.
using DirectoryWritable = std::function<bool(const std::string& directory)>;
bool IsDirectoryWritable(const std::string& directory);

// Whether a directory holds the program's installed data (its Package.ver).
using ProgramDataProbe = std::function<bool(const std::string& directory)>;
bool HoldsProgramData(const std::string& directory);

// Where a program installed as <prefix>/bin/NAME keeps its data: <prefix>/share/vexa.
// Empty when the program's directory is not called "bin".
std::string InstalledDataDirectory(std::string_view programPath);

// The user's configuration directory for this program: $XDG_CONFIG_HOME/vexa when that
// is an absolute path, else ~/.config/vexa; empty when neither is known.
std::string UserConfigDirectory(const PathEnvironment& environment);

// The user's data directory for this program, where it keeps what it records for the user
// (data logs in its "logs" folder, restore points): $XDG_DATA_HOME/vexa when that is an
// absolute path, else ~/.local/share/vexa; empty when neither is known.
std::string UserDataDirectory(const PathEnvironment& environment);

struct ProgramPaths {
    std::string programDir;   // installed data: definition directories, help files, ...
    std::string settingsFile; // the INI file
    std::string ramDumpFile;  // RAMDump.txt
    // True when the settings file is in the user's configuration directory, which may
    // still have to be created (EnsureDirectory) before the first write.
    bool settingsInUserConfig = false;
    // True when the data was found in <prefix>/share/vexa beside <prefix>/bin: an
    // installation that the user never writes into.
    bool installedLayout = false;
    // Where restore points are kept (created when the first is saved); empty: none are made.
    std::string restorePointDir;
    // Where data logs are recorded (created with the first log).
    std::string dataLogDir;
};

// Applies the rules: the program directory is --program-dir, else the directory of the
// program when it holds the data (a build tree, a copied installation), else the
// installed data directory when that holds it, else the directory of the program.
// The settings file is --settings, else the program's INI name in the program directory
// when that is writable and not an installed layout, else the same name in the user's
// configuration directory. RAMDump.txt goes into the program directory under the same
// condition, else beside the settings file. Restore points go into "restore-points" of
// the user's data directory, else beside the settings file; data logs into "logs" there.
ProgramPaths ResolveProgramPaths(const PathEnvironment& environment, const PathOverrides& overrides,
                                 const DirectoryWritable& isWritable,
                                 const ProgramDataProbe& holdsData = HoldsProgramData);

// Creates directory and any missing parents. Returns false with a reason in error.
bool EnsureDirectory(const std::string& directory, std::string& error);

// Names stored in definition and settings files may be written with "\" between their
// parts. These treat "\" exactly like "/".
//
// directory joined with a stored relative name, with native separators:
// JoinStoredPath("/opt/vexa", "PID2\\3") -> "/opt/vexa/PID2/3" ("C:\\VEXA\\PID2\\3" on
// Windows). An absolute stored name ("/...", "\...", on Windows also "C:...") is returned
// on its own; an empty directory gives the name.
std::string JoinStoredPath(std::string_view directory, std::string_view storedName);
// Whether a path starts at a root: "/..." (on Windows also "\\..." and "C:...").
bool IsAbsolutePath(std::string_view path);
// The part after the last separator: "C:\\Cal\\a.gvr" -> "a.gvr".
std::string StoredFileName(std::string_view storedName);
// The part before the last separator, empty when there is none.
std::string StoredDirectory(std::string_view storedName);

} // namespace vexa
