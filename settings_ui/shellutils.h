#pragma once
// Shell utilities: the special folders the program writes into and its desktop entry, the
// equivalent of a shell link: started from the desktop, it runs this program in its own
// directory.
#include <QIcon>
#include <QImage>

#include <string>

namespace vexa {

// The program's icon, drawn at any size.
QIcon ProgramIcon();
// The same drawn at size x size pixels; the installed icons are made from it.
QImage ProgramIconImage(int size);

enum class SpecialFolder {
    kDesktop, // the user's desktop directory
};

// The folder's path when it exists as a directory, else an empty text.
std::string GetSpecialFolderPath(SpecialFolder folder);

// The shortcut the program writes at every start.
inline constexpr const char* kShortcutName = "VEXA Transmission Controller";
inline constexpr const char* kShortcutDescription =
    "The VEXA Transmission Controller application is used to tune the VEXA Transmission "
    "Controller from Kestova.";

// The text of a desktop entry (freedesktop.org Desktop Entry format) that starts target
// in workingDirectory. Every value is escaped as the format asks, so any path works.
std::string DesktopEntryText(const std::string& target, const std::string& name,
                             const std::string& workingDirectory, const std::string& description);

// Writes (or overwrites) "<folder>/<name>.desktop", executable so desktops trust it.
// Reports nothing: a folder that does not exist or cannot be written is skipped.
// Returns the path written, empty when nothing was written.
std::string CreateDesktopShortcut(const std::string& target, const std::string& name,
                                  const std::string& workingDirectory,
                                  const std::string& description, SpecialFolder folder);
// The same into an explicit folder (empty: skipped).
std::string CreateDesktopShortcutIn(const std::string& folder, const std::string& target,
                                    const std::string& name, const std::string& workingDirectory,
                                    const std::string& description);

// Whether an external program can be started: its full path, empty when not found on
// the search path.
std::string FindProgram(const std::string& name);

} // namespace vexa
