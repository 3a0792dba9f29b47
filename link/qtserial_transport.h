#pragma once
// QtSerialTransport: a serial device (COM or tty port, or a pseudo-terminal) through Qt
// SerialPort, the one file that owns it. 9600 8N1 without flow control, DTR and RTS off,
// low-latency mode where the driver offers it; received NUL bytes are dropped and every
// write is flushed. Needs a QCoreApplication in the process and is used from one thread.
#include "link/bytetransport.h"
#include "link/serialdevicefactory.h"

#include <memory>
#include <string>

namespace vexa {

class QtSerialTransport : public ByteTransport {
public:
    // portName: a system name or path ("/dev/ttyUSB0", "ttyS0", a pty slave).
    explicit QtSerialTransport(std::string portName, int baud = 9600);
    ~QtSerialTransport() override;

    // Error texts name the port and follow errno: no such device, in use, or unexpected.
    int Open(std::string& error) override;
    void Close() override;
    bool IsOpen() const override;
    // The COM time-out rule on the steady clock.
    int Read(std::uint8_t* destination, int n) override;
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override;
    int Write(const std::uint8_t* source, int n) override;
    int Purge() override;

private:
    struct Private;
    std::unique_ptr<Private> d_;
};

// Makes QtSerialTransport the factory's device for every port name without a maker of
// its own.
void RegisterQtSerialPorts(SerialDeviceFactory& factory);

} // namespace vexa
