#include "link/serialdevicefactory.h"

namespace vexa {

void SerialDeviceFactory::Register(const std::string& portName, Maker maker) {
    byName_[portName] = std::move(maker);
}

void SerialDeviceFactory::SetDefault(Maker maker) {
    default_ = std::move(maker);
}

std::unique_ptr<ByteTransport> SerialDeviceFactory::Create(const std::string& portName,
                                                           int baud) const {
    auto it = byName_.find(portName);
    if (it != byName_.end())
        return it->second ? it->second(portName, baud) : nullptr;
    return default_ ? default_(portName, baud) : nullptr;
}

} // namespace vexa
