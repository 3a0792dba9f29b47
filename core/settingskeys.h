#pragma once
// Every section and key the program keeps in its settings file, with the value a read
// falls back to. Older installations already have these files, so the names must stay
// exactly as they are, spaces included.
#include <string>
#include <string_view>

namespace vexa {

// Start-up dialogs: 1 shows the dialog when a document is created, 0 does not.
inline constexpr std::string_view kSectionAboutBox = "AboutBox";
inline constexpr std::string_view kSectionStartBox = "StartBox";
inline constexpr std::string_view kKeyShowAtStartup = "ShowAtStartup";
inline constexpr int kDefaultShowAtStartup = 1;

// The controller identity last seen; it chooses the definition directory.
inline constexpr std::string_view kSectionHardwareProfile = "HardwareProfile";
inline constexpr std::string_view kKeyDeviceType = "DeviceType";
inline constexpr std::string_view kKeyFirmwareVersion = "FirmwareVersion";
inline constexpr std::string_view kKeyFirmwareVersionMinor = "FirmwareVersionMinor";
inline constexpr std::string_view kKeyHardwareVersion = "HardwareVersion";
// Defaults for a new document.
inline constexpr int kDefaultDeviceType = 2;
inline constexpr int kDefaultFirmwareVersion = 3;
inline constexpr int kDefaultFirmwareVersionMinor = 3;
inline constexpr int kDefaultHardwareVersion = 2;
// Default for every identity key read after loading a calibration file: no identity known.
inline constexpr int kIdentityUnknownAfterLoad = 0xFFFF;
// Default for DeviceType read by the controller check: a type no controller reports.
inline constexpr int kDeviceTypeControllerCheckDefault = 1000;

// The chosen port. COMPortNumber is the number of a COM port (0 = none chosen);
// COMPortName is the system name of the chosen port on this platform (for example
// "/dev/ttyUSB0"), a text, empty when none is chosen.
inline constexpr std::string_view kSectionCommunication = "Communication Settings";
inline constexpr std::string_view kKeyCOMPortNumber = "COMPortNumber";
inline constexpr int kDefaultCOMPortNumber = 0;
inline constexpr std::string_view kKeyCOMPortName = "COMPortName";
inline constexpr std::string_view kDefaultCOMPortName = "";
// A file that receives a trace of every byte crossing the controller link; empty (the
// default) traces nothing. Support asks for it when a link misbehaves.
inline constexpr std::string_view kKeyTraceFile = "TraceFile";

// Restore points: Enabled 0 turns off the copy of a controller table that is saved before
// every write; 1 (the default) keeps it on.
inline constexpr std::string_view kSectionRestorePoints = "Restore Points";
inline constexpr std::string_view kKeyRestorePointsEnabled = "Enabled";
inline constexpr int kDefaultRestorePointsEnabled = 1;

// The recent-file list: texts File1 to File5, empty when unused.
inline constexpr std::string_view kSectionRecentFileList = "Recent File List";
inline constexpr const char* kKeyRecentFileFormat = "File%d";
inline constexpr int kRecentFileCount = 5;
inline constexpr std::string_view kDefaultRecentFile = "";

// The key of recent-file entry n (1 to kRecentFileCount): "File1", "File2", ...
inline std::string RecentFileKey(int n) {
    return "File" + std::to_string(n);
}

// Number of pages the print preview shows; 0 lets the preview choose.
inline constexpr std::string_view kSectionSettings = "Settings";
inline constexpr std::string_view kKeyPreviewPages = "PreviewPages";
inline constexpr int kDefaultPreviewPages = 0;

// Docking bar layout: read from the sections of profile "VLX", written under the profile
// "BarPositions" (two names: the layout is saved under one and read from the other).
inline constexpr std::string_view kBarStateReadProfile = "VLX";
inline constexpr std::string_view kBarStateWriteProfile = "BarPositions";

} // namespace vexa
