#pragma once
// The virtual controller as a USB HID device behind HidBackend: one device with the
// controller's vendor and product id (link/usbids.h), 64-byte reports in both directions
// (report id byte 0 included). A report's payload is the stream's bytes followed by a NUL,
// so each report carries at most 62 stream bytes; output reports are read up to their NUL.
// USB is fast: bytes are not paced at a baud rate, but the controller's programming delays
// and the fault injection of SimOptions apply as on the serial line.
#include "core/clock.h"
#include "link/hidbackend.h"
#include "link/usbids.h"
#include "sim/simline.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

inline constexpr std::uint16_t kSimUsbVendorId = kControllerVendorId;
inline constexpr std::uint16_t kSimUsbProductId = kControllerProductId;
inline constexpr int kSimHidReportLength = 64;
inline constexpr const char* kSimHidPath = "sim:hid0";

class SimHidBackend : public HidBackend {
public:
    // The clock is not owned and must outlive the backend; ReadReport waits on it. The
    // baud rate of options is ignored.
    explicit SimHidBackend(Clock& clock, const SimOptions& options = {});

    // The one device while plugged in, none while unplugged.
    std::vector<HidDeviceInfo> Enumerate() override;
    bool Open(const std::string& path) override;
    void Close() override { open_ = false; }
    // Waits up to timeoutMs for stream bytes and returns one report of up to 62 of them:
    // byte 0 the report id 0, the payload, a NUL, zero padding, kSimHidReportLength bytes in
    // all (fewer when length is smaller). 0 when nothing came in time, -1 when the device is
    // not open or has been unplugged (which also closes it).
    int ReadReport(std::uint8_t* buffer, int length, int timeoutMs) override;
    // Takes the payload of one output report up to its NUL. Returns length, or -1 when the
    // device is not open, was unplugged, or the report id is not 0.
    int WriteReport(const std::uint8_t* report, int length) override;

    VirtualController& Controller() { return line_.Controller(); }
    SimLine& Line() { return line_; }

private:
    static SimOptions Unpaced(SimOptions options);
    std::int64_t NowUs() { return clock_.NowMs() * 1000; }

    Clock& clock_;
    SimLine line_;
    bool open_ = false;
};

} // namespace vexa
