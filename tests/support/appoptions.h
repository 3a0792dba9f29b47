#pragma once
// The windowed program's options for a test: everything on a temporary program directory,
// no lock, no desktop entry, no start-up dialogs, no USB, timers and port list from the test.
#include "app/vlx.h"
#include "core/clock.h"
#include "core/timerservice.h"
#include "support/docfixture.h"

namespace vexa::testing {

// The time of the link's timers, as the program's clock while a test advances them.
class TimerServiceClock : public Clock {
public:
    explicit TimerServiceClock(ManualTimerService& timers) : timers_(timers) {}
    std::int64_t NowMs() override { return timers_.Now(); }
    void SleepMs(std::int64_t ms) override { timers_.Advance(ms); }

private:
    ManualTimerService& timers_;
};

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
    options.paths.dataLogDir = dir.File("logs");
    return options;
}

} // namespace vexa::testing
