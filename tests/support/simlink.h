#pragma once
// A document's controller link to the virtual controller in this process, over the serial
// port as the program opens it, for tests and benchmarks of the live link.
#include "core/vlxdoc.h"
#include "link/borrowedtransport.h"
#include "link/serialdevicefactory.h"
#include "link/serialport.h"
#include "link/vlxcontroller.h"
#include "sim/simtransport.h"

#include <memory>
#include <string>

namespace vexa::testing {

// Names sim as the port in settings, lets factory open it, and gives doc a controller
// link over it. Returns the link, which doc owns; settings, factory, sim, timers and clock
// must outlive it.
inline CVLXController* LinkToSim(CVLXDoc& doc, SettingsStore& settings,
                                 SerialDeviceFactory& factory, SimTransport& sim,
                                 TimerService& timers, Clock& clock) {
    settings.WriteString(kCommSettingsSection, kComPortNameKey, kSimPortName);
    factory.Register(kSimPortName, [&sim](const std::string&, int) {
        return std::make_unique<BorrowedTransport>(sim);
    });
    auto link = std::make_unique<CVLXController>(
        doc, std::make_unique<CSerialPort>(&settings, &factory, nullptr, clock), timers, clock);
    CVLXController* controller = link.get();
    doc.SetControllerLink(std::move(link));
    return controller;
}

} // namespace vexa::testing
