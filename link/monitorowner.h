#pragma once
// What the monitor asks of the calibration document it belongs to. The document implements
// it; until one is attached (set_document) the monitor shows nothing and never checks the
// controller on its own.
#include <string>

namespace vexa {

class MonitorOwner {
public:
    virtual ~MonitorOwner() = default;

    // Shows a modal message box (DocumentHost flags: icon, kMbTaskModal) and returns the
    // button pressed. The monitor uses it only when the EEPROM write enable or disable
    // sequence fails.
    virtual int ShowMessage(const std::string& text, const std::string& caption,
                            unsigned flags) = 0;
    // Puts text in the status bar: the progress dots of block transfers, the state dump.
    virtual void SetStatusText(const std::string& text) = 0;
    // Called after every change of the connection state (1 connected, 0 disconnected), so
    // the status bar, the dashboard and the controller commands follow it.
    virtual void ShowConnectionStatus(int state) = 0;
    // The controller check: identify the controller and, when one answered, connect the
    // monitor (set_connected(1)). Returns 1 when a controller answered, else 0. The poll
    // timer calls it while disconnected and while nothing is polled.
    virtual int CheckController() = 0;
    // Live-data polling, called on a timer tick while connected: read one due data item and
    // hand it to the dashboard. Returns 1 when an item was polled (or was not yet due), 0
    // when no dashboard is polling, in which case the monitor checks the controller instead.
    virtual int PollTick() { return 0; }
};

} // namespace vexa
