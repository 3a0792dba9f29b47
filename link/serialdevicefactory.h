#pragma once
// Chooses the serial device behind a port name. The front ends register what they offer:
// the Qt SerialPort adapter for system device paths (/dev/ttyUSB0, a pseudo-terminal)
// and the in-process virtual controller under its own name ("sim").
#include "link/bytetransport.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vexa {

// The port name under which the in-process virtual controller is registered.
inline constexpr const char* kSimPortName = "sim";

class SerialDeviceFactory {
public:
    // Makes an unopened device for portName at baud; may return null when it cannot.
    using Maker =
        std::function<std::unique_ptr<ByteTransport>(const std::string& portName, int baud)>;

    // A maker for one exact port name (compared with case); replaces an earlier one.
    void Register(const std::string& portName, Maker maker);
    // The maker for every name without a maker of its own (system device paths).
    void SetDefault(Maker maker);

    // The device for portName, or null when nothing is registered for it.
    std::unique_ptr<ByteTransport> Create(const std::string& portName, int baud) const;

private:
    std::map<std::string, Maker> byName_;
    Maker default_;
};

} // namespace vexa
