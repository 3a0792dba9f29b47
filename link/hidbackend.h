#pragma once
// USB HID devices as the HID transport needs them. The real backend is hidapi (hidraw on
// Linux); the virtual controller offers one too.
#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

struct HidDeviceInfo {
    std::string path; // opaque; passed back to Open
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceIndex = 0;     // enumeration order; the lowest matching one is used
    int inputReportLength = 0;  // bytes including the report id byte
    int outputReportLength = 0; // bytes including the report id byte
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // Present devices, in interface order.
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    virtual bool Open(const std::string& path) = 0;
    virtual void Close() = 0;
    // Waits up to timeoutMs for one input report and copies it, report id byte first,
    // into buffer. Returns its length, 0 when none arrived in time, -1 when the device
    // failed or is gone.
    virtual int ReadReport(std::uint8_t* buffer, int length, int timeoutMs) = 0;
    // Sends one output report (report id byte first). Returns the length written or -1.
    virtual int WriteReport(const std::uint8_t* report, int length) = 0;
};

} // namespace vexa
