#include "link/portdiscovery.h"

#include "link/serialport.h"

#include <algorithm>

namespace vexa {

const char* const kPortHelpText =
    "This list shows all of the serial communication ports that are available on your "
    "system.  Please select the port that your controller is connected to.  If you are not "
    "sure which port the controller is connected to, you can power-up the controller and "
    "press the \"Find Controller\" button to automatically find the correct port.\n\nIf you "
    "are using a USB-to-Serial adapter, please make sure that it (as well as any required "
    "driver) is installed first, then click the \"Refresh Port List\" button.  Please refer "
    "to your USB-to-Serial adapter instructions for more information.\n\nIf you are not ready "
    "to select your serial port at this time, simply select \"NONE <will select later>\" from "
    "the list, and you will be prompted again when starting this program next time.  You can "
    "also select \"Communication Setup\" from the \"Options\" menu to return to this window "
    "later.";

namespace {

constexpr const char* kOpenErrorCaption = "Communication Port Configuration Error";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && IsDigit(a[ei]))
                ++ei;
            while (ej < b.size() && IsDigit(b[ej]))
                ++ej;
            // Compare the runs by value: strip leading zeros, then length, then digits.
            std::size_t si = i;
            std::size_t sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            const int order = a.compare(si, ei - si, b, sj, ej - sj);
            if (order != 0)
                return order < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

CComSelect::CComSelect(SettingsStore& settings, PortLister& lister, DocumentHost& host,
                       CTCS_Monitor* monitor, std::string virtualPortName)
    : settings_(settings), lister_(lister), host_(host), monitor_(monitor),
      virtualPortName_(std::move(virtualPortName)) {}

void CComSelect::Store(int index) {
    settings_.WriteString(kCommSettingsSection, kComPortNameKey,
                          entries_[static_cast<std::size_t>(index)].portName);
}

int CComSelect::Reopen(std::string& error) {
    return monitor_ != nullptr ? monitor_->reopen_port(error, 9600) : 1;
}

int CComSelect::RealPortCount() const {
    return static_cast<int>(std::count_if(entries_.begin() + 1, entries_.end(),
                                          [](const PortEntry& e) { return !e.isVirtual; }));
}

void CComSelect::FillPortList() {
    const std::string current = StoredPortName(settings_);
    entries_.clear();
    selected_ = -1;
    entries_.push_back({kNoPortEntryText, "", false});

    std::vector<PortInfo> ports = lister_.ListPorts();
    std::stable_sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
        return NaturalLess(a.systemName, b.systemName);
    });
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const PortInfo& port = ports[i];
        if (port.systemName.empty() || port.systemName == virtualPortName_)
            continue;
        // A port reported twice is listed once, with a description when either has one.
        auto same = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const PortEntry& e) { return e.portName == port.systemName; });
        const std::string text = port.description.empty()
                                     ? port.systemName
                                     : port.systemName + " <" + port.description + ">";
        if (same != entries_.end()) {
            if (!port.description.empty() && same->text == same->portName)
                same->text = text;
            continue;
        }
        entries_.push_back({text, port.systemName, false});
    }
    if (!virtualPortName_.empty())
        entries_.push_back({kVirtualControllerEntryText, virtualPortName_, true});

    if (!current.empty()) {
        for (std::size_t i = 1; i < entries_.size(); ++i) {
            if (entries_[i].portName == current) {
                selected_ = static_cast<int>(i);
                break;
            }
        }
    }
    if (selected_ < 0 && RealPortCount() > 0) {
        selected_ = 1;
        Store(selected_);
        std::string error;
        if (monitor_ != nullptr && !Reopen(error))
            host_.MessageBox(error, kOpenErrorCaption, kMbIconExclamation);
    }
}

void CComSelect::OnPortSelected(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
        return;
    selected_ = index;
    Store(index);
    std::string error;
    if (monitor_ != nullptr && !Reopen(error) && index != 0)
        host_.MessageBox(error, kOpenErrorCaption, kMbIconExclamation);
}

int CComSelect::FindController() {
    const std::string remembered =
        selected_ >= 0 ? entries_[static_cast<std::size_t>(selected_)].portName : "";
    if (monitor_ == nullptr) {
        host_.MessageBox("Could not initialize controller finder.  Please restart the program "
                         "and try again.  If this problem persists, please call technical "
                         "support.",
                         "Internal Program Error", kMbIconStop);
        return 0;
    }
    FillPortList();
    for (std::size_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i].isVirtual)
            continue;
        Store(static_cast<int>(i));
        std::string error;
        if (Reopen(error) && monitor_->read_version(nullptr, nullptr, nullptr, nullptr) != 0) {
            selected_ = static_cast<int>(i);
            host_.MessageBox("Found controller on " + entries_[i].portName + ".",
                             "Communication Setup Successful!", kMbIconInformation);
            return 1;
        }
    }
    // Nobody answered: go back to what was chosen before, even when that was NONE.
    selected_ = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].portName == remembered) {
            selected_ = static_cast<int>(i);
            break;
        }
    }
    Store(selected_);
    std::string ignored;
    Reopen(ignored);
    if (RealPortCount() > 0)
        host_.MessageBox("Could not find a controller on any available serial port.",
                         "No Controller Found", kMbIconStop);
    else
        host_.MessageBox("No serial ports are installed in your PC.  Please install a serial "
                         "port adapter and try again.",
                         "No COM Port Available", kMbIconStop);
    return 0;
}

void CComSelect::ShowPortHelp() {
    host_.MessageBox(kPortHelpText, "Help", kMbIconInformation);
}

} // namespace vexa
