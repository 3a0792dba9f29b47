#pragma once
// Port discovery and the controller finder behind the "COM Port Settings" dialog: the list
// of serial ports present with their descriptions, the choice stored in the settings
// ("Communication Settings"/"COMPortName", the port's system name) and the monitor's link
// reopened at once, and a search of every listed port for a controller that answers the
// version query. The dialog (a widget) shows Entries() and forwards its events here.
#include "core/documenthost.h"
#include "core/settingsstore.h"
#include "link/tcs_monitor.h"

#include <string>
#include <vector>

namespace vexa {

// A serial port the system reports.
struct PortInfo {
    std::string systemName;  // what the port is opened by: "/dev/ttyUSB0", "COM3"
    std::string description; // the device's description; may be empty
};

// Lists the serial ports present (the Qt adapter asks QSerialPortInfo; tests script it).
class PortLister {
public:
    virtual ~PortLister() = default;
    virtual std::vector<PortInfo> ListPorts() = 0;
};

// One entry of the port list.
struct PortEntry {
    std::string text;     // as shown: "NONE <will select later>", "/dev/ttyS0 <desc>"
    std::string portName; // stored as COMPortName; empty for NONE
    bool isVirtual = false;
};

inline constexpr const char* kNoPortEntryText = "NONE <will select later>";
inline constexpr const char* kVirtualControllerEntryText = "Virtual controller (demo)";
inline constexpr const char* kPortDialogTitle = "COM Port Settings";
inline constexpr const char* kPortDialogIntro =
    "Select your controller communication (COM) port from the list below, or power-up the "
    "controller and press the \"Find Controller\" button.  If you are using a USB-to-Serial "
    "adapter, install it now, then click the \"Refresh Port List\" button.";
extern const char* const kPortHelpText;

class CComSelect {
public:
    // monitor may be null (no document open); the finder then refuses to run. host shows
    // the messages. virtualPortName, when not empty, adds the virtual controller as an
    // entry of its own, last, under that port name (the factory's "sim"); it is never
    // chosen automatically and the finder does not try it.
    CComSelect(SettingsStore& settings, PortLister& lister, DocumentHost& host,
               CTCS_Monitor* monitor, std::string virtualPortName = {});

    // Rebuilds the list: NONE first, then the ports in natural name order (each once, with
    // its description when it has one), then the virtual controller. Selects the stored
    // port; when it is not listed, selects, stores and opens the first real port.
    void FillPortList();
    // The user chose entry index: it is stored and the link reopened; an open failure is
    // shown unless NONE was chosen.
    void OnPortSelected(int index);
    // Tries every real port until a controller answers; reports the outcome in a message.
    // Returns 1 when one was found.
    int FindController();
    // The help text in a message box.
    void ShowPortHelp();

    const std::vector<PortEntry>& Entries() const { return entries_; }
    int Selected() const { return selected_; }

private:
    void Store(int index);
    int Reopen(std::string& error);
    int RealPortCount() const;

    SettingsStore& settings_;
    PortLister& lister_;
    DocumentHost& host_;
    CTCS_Monitor* monitor_;
    std::string virtualPortName_;
    std::vector<PortEntry> entries_;
    int selected_ = -1;
};

// "ttyS2" before "ttyS10": digit runs compare by value.
bool NaturalLess(const std::string& a, const std::string& b);

} // namespace vexa
