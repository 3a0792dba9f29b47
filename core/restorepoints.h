#pragma once
// Restore points: before a calibration is written into a controller table, what the table
// held is read and kept as a calibration file in a folder of the user's data directory,
// named by date, time, controller and table:
//   "2026-12-10_14-03-12 TCS-2 table 1.gvr"
// These are the rules for the names and the folder's listing; the link layer makes them.
#include <ctime>
#include <string>
#include <vector>

namespace vexa {

class SettingsStore;

// Whether restore points are made, from the settings file: [Restore Points] Enabled=0
// turns them off; any other value, or none, leaves them on.
bool RestorePointsEnabled(const SettingsStore& settings);

// The controller as a file name shows it: its product name without the maker's "VEXA "
// ("VEXA TCS-2" -> "TCS-2"), else "PID<device>" for a product without a name. Characters
// that cannot stand in a file name on any system become "-".
std::string RestorePointControllerName(const std::string& prodName, int deviceType);

// "<YYYY-MM-DD_HH-MM-SS> <controller> table <table + 1>.gvr" for a local time.
std::string RestorePointFileName(const std::tm& localTime, const std::string& controller,
                                 int table);

// folder/name, or folder/"<name without .gvr> (2).gvr" (3, 4, ...) when that file exists,
// so two writes within one second keep both tables.
std::string UnusedRestorePointPath(const std::string& folder, const std::string& name);

struct RestorePoint {
    std::string path;
    std::string when;             // "2026-12-10 14:03:12", from the name, else the file's time
    std::string transmissionType; // as the file holds it; empty when it cannot be read
    std::string what;             // the rest of the name: "TCS-2 table 1"
};

// The calibration files of the folder, newest first. A missing folder has none.
std::vector<RestorePoint> ListRestorePoints(const std::string& folder);

} // namespace vexa
