#pragma once
// The serial ports of this machine as Qt SerialPort lists them (QSerialPortInfo), with
// their system location ("/dev/ttyUSB0") and device description.
#include "link/portdiscovery.h"

namespace vexa {

class QtPortLister : public PortLister {
public:
    std::vector<PortInfo> ListPorts() override;
};

} // namespace vexa
