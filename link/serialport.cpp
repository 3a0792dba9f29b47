#include "link/serialport.h"

#include <algorithm>
#include <cerrno>

namespace vexa {

std::string ComPortName(int number) {
#ifdef _WIN32
    return "COM" + std::to_string(number);
#else
    return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

std::string StoredPortName(const SettingsStore& settings) {
    // A line break cannot be a value of an INI line, so it marks a missing key.
    constexpr const char* kMissing = "\n";
    const std::string name = settings.GetString(kCommSettingsSection, kComPortNameKey, kMissing);
    if (name != kMissing)
        return name;
    const int number = settings.GetInt(kCommSettingsSection, kComPortNumberKey, 0);
    return number > 0 ? ComPortName(number) : std::string();
}

std::string NoPortSelectedText() {
    return "No COM port has been selected, so no port could be opened.  Choose "
           "Communication Setup from the View menu to select a communication port.";
}

std::string SerialOpenErrorText(const std::string& portName, int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
    case ENODEV:
        return "Could not open serial port " + portName +
               ".  This port does not appear to exist on this system.\n\nIf " + portName +
               " is a USB-to-serial adapter, please make sure that the device and the "
               "appropriate driver are properly installed and try again.";
    case EBUSY:
    case EACCES:
    case EPERM:
        return "Could not open serial port " + portName +
               ".  This port appears to be in use by another program.";
    default:
        return "Could not open serial port " + portName +
               ", due to an unexpected error.  Error number = " + std::to_string(errorNumber);
    }
}

std::string GetCommStateErrorText(const std::string& portName, int errorNumber) {
    return "GetCommState failed for serial port " + portName +
           ".  Error number = " + std::to_string(errorNumber);
}

std::string SetCommStateErrorText(const std::string& portName, int errorNumber) {
    return "SetCommState failed for serial port " + portName +
           ".  Error number = " + std::to_string(errorNumber);
}

CSerialPort::CSerialPort(const SettingsStore* settings, const SerialDeviceFactory* factory,
                         CHidDevice* hid, Clock& clock)
    : settings_(settings), factory_(factory), hid_(hid), clock_(clock) {}

CSerialPort::~CSerialPort() {
    Close();
}

int CSerialPort::Open(std::string& error) {
    return open(error, baud_);
}

int CSerialPort::open(std::string& error, int baud) {
    error.clear();
    baud_ = baud;
    // A second open without close would leave the first device holding the port.
    if (device_)
        device_.reset();
    portName_.clear();
    if (hid_ != nullptr && hid_->open()) {
        usb_ = true;
        return 1;
    }
    usb_ = false;
    if (settings_ != nullptr)
        portName_ = StoredPortName(*settings_);
    if (portName_.empty()) {
        error = NoPortSelectedText();
        return 0;
    }
    std::unique_ptr<ByteTransport> device =
        factory_ != nullptr ? factory_->Create(portName_, baud) : nullptr;
    if (!device) {
        error = SerialOpenErrorText(portName_, ENOENT);
        return 0;
    }
    if (!device->Open(error)) {
        if (error.empty())
            error = SerialOpenErrorText(portName_, EIO);
        return 0;
    }
    device_ = std::move(device);
    return 1;
}

void CSerialPort::Close() {
    if (hid_ != nullptr)
        hid_->close();
    usb_ = false;
    if (device_) {
        device_->Close();
        device_.reset();
    }
}

bool CSerialPort::IsOpen() const {
    if (usb_)
        return hid_ != nullptr && hid_->found();
    return device_ && device_->IsOpen();
}

int CSerialPort::Read(std::uint8_t* destination, int n) {
    if (destination == nullptr || n <= 0)
        return 0;
    if (usb_)
        return std::clamp(hid_->read_bytes(destination, n), 0, n);
    if (!device_)
        return 0;
    return ReadWithComTimeouts(*device_, clock_, destination, n);
}

int CSerialPort::ReadAvailable(std::uint8_t* destination, int max, int waitMs) {
    if (destination == nullptr || max <= 0)
        return 0;
    if (usb_)
        return std::clamp(hid_->read_bytes(destination, max), 0, max);
    return device_ ? device_->ReadAvailable(destination, max, waitMs) : 0;
}

int CSerialPort::Write(const std::uint8_t* source, int n) {
    if (source == nullptr || n <= 0)
        return 0;
    if (usb_) {
        const int written = hid_->write_bytes(source, n);
        if (written <= 0) {
            usb_ = false;
            return 0;
        }
        return std::min(written, n);
    }
    return device_ ? std::clamp(device_->Write(source, n), 0, n) : 0;
}

int CSerialPort::Purge() {
    if (usb_) {
        hid_->reset_input();
        return 1;
    }
    if (device_)
        device_->Purge();
    return 1;
}

} // namespace vexa
