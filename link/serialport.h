#pragma once
// CSerialPort: the byte pipe under the monitor protocol. open tries the controller's USB
// HID link first ("USB Direct") and then the serial port chosen in the settings; every
// other operation goes to whichever link opened.
#include "core/clock.h"
#include "core/settingsstore.h"
#include "link/bytetransport.h"
#include "link/comtimeouts.h"
#include "link/hiddevice.h"
#include "link/serialdevicefactory.h"

#include <memory>
#include <string>

namespace vexa {

// Settings of the chosen port: section, the system name of the port ("/dev/ttyUSB0",
// "sim"; empty means none chosen), and the port number of builds whose ports are numbered.
inline constexpr const char* kCommSettingsSection = "Communication Settings";
inline constexpr const char* kComPortNameKey = "COMPortName";
inline constexpr const char* kComPortNumberKey = "COMPortNumber";

// The system name of COM port number n (1 and up): "COMn" on Windows, "/dev/ttyS<n-1>"
// elsewhere (COM1 is the first serial port).
std::string ComPortName(int number);
// The chosen port: "COMPortName"; when a settings file has no such key (one written where
// ports are numbered) the port "COMPortNumber" names, if it is above 0. Empty: none chosen.
std::string StoredPortName(const SettingsStore& settings);

// The texts open reports. errno values: ENOENT and ENODEV mean the port does not exist,
// EBUSY, EACCES and EPERM that another program holds it; any other is shown with its
// number.
std::string NoPortSelectedText();
std::string SerialOpenErrorText(const std::string& portName, int errorNumber);
std::string GetCommStateErrorText(const std::string& portName, int errorNumber);
std::string SetCommStateErrorText(const std::string& portName, int errorNumber);

class CSerialPort : public ByteTransport {
public:
    static constexpr int kDefaultBaud = 9600;

    // Nothing is opened here; the monitor opens the port. settings, factory and hid may be
    // null (no port setting, no serial devices, no USB link); all must outlive the port.
    // clock times the COM read time-outs.
    CSerialPort(const SettingsStore* settings, const SerialDeviceFactory* factory, CHidDevice* hid,
                Clock& clock = SteadyClock::Instance());
    ~CSerialPort() override;

    // Opens at the current baud rate: the USB link when a controller is attached there,
    // else the port the settings name (StoredPortName). An open link is closed first. Returns 1
    // when a link is ready, else 0 with the reason in error.
    int Open(std::string& error) override;
    int open(std::string& error, int baud);
    void Close() override;
    bool IsOpen() const override;
    // Over the serial device: the COM time-out rule (50 ms interval, 100 ms + 5 ms a byte).
    // Over USB: at most one new report per call, 300 ms wait.
    int Read(std::uint8_t* destination, int n) override;
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override;
    // Returns once the bytes are handed to the line. A failed USB write drops the USB link:
    // every later operation returns 0 until the next Open.
    int Write(const std::uint8_t* source, int n) override;
    int Purge() override;
    bool IsUsb() const override { return usb_; }

    // The port name last read from the settings (empty over USB or before an open).
    const std::string& port_name() const { return portName_; }

private:
    const SettingsStore* settings_;
    const SerialDeviceFactory* factory_;
    CHidDevice* hid_;
    Clock& clock_;
    int baud_ = kDefaultBaud;
    bool usb_ = false;
    std::string portName_;
    std::unique_ptr<ByteTransport> device_;
};

} // namespace vexa
