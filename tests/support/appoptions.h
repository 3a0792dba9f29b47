#pragma once
// The windowed program's options for a test: everything on a temporary program directory,
// no lock, no desktop entry, no start-up dialogs, no USB, timers and port list from the test.
#include "app/vlx.h"
#include "support/docfixture.h"

namespace vexa::testing {

inline AppOptions HeadlessAppOptions(const TempDir& dir, TimerService& timers, PortLister& ports) {
    AppOptions options;
    options.paths.programDir = dir.path();
    options.paths.settingsFile = dir.File("vexa.INI");
    options.paths.ramDumpFile = dir.File("RAMDump.txt");
    options.singleInstance = false;
    options.desktopShortcut = false;
    options.startupDialogs = false;
    options.usbLink = false;
    options.timers = &timers;
    options.portLister = &ports;
    return options;
}

} // namespace vexa::testing
