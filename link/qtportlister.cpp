#include "link/qtportlister.h"

#include <QSerialPortInfo>

namespace vexa {

std::vector<PortInfo> QtPortLister::ListPorts() {
    std::vector<PortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        // Texts stay 8-bit inside the program.
        ports.push_back({info.systemLocation().toLocal8Bit().toStdString(),
                         info.description().toLocal8Bit().toStdString()});
    }
    return ports;
}

} // namespace vexa
