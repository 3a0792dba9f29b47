#pragma once
// CHidDevice: the monitor's byte stream carried in HID reports of the controller's own USB
// interface ("USB Direct"). Reports are report id 0, then stream bytes up to a NUL; the
// stream never holds 0x00 (block frames escape it).
#include "link/hidbackend.h"
#include "link/usbids.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

class CHidDevice {
public:
    // How long one read waits for an input report.
    static constexpr int kReportWaitMs = 300;

    // backend must outlive the device.
    explicit CHidDevice(HidBackend& backend, std::uint16_t vendorId = kControllerVendorId,
                        std::uint16_t productId = kControllerProductId);
    ~CHidDevice();
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    // Discovery: forgets buffered input, then opens the first present device (lowest
    // interface index) with the controller's vendor and product ids. Returns 1 when one
    // was opened, else 0.
    int open();
    // Closes the device, if one is open.
    void close();
    // Waits up to kReportWaitMs for one input report. Returns 1 when one arrived; a
    // time-out, a failure or a report id other than 0 closes the device and returns 0.
    int read_report();
    // Copies up to n stream bytes: first what remains of the current report, then, when
    // that is not enough, the payload of at most one new report; the rest of that payload
    // is kept for the next call. Returns the count, 0..n (short counts are normal).
    int read_bytes(std::uint8_t* destination, int n);
    // Sends the n bytes in output reports of the device's full output length (as many
    // reports as the payload needs). Returns n, or 0 when a write failed, which closes the
    // device.
    int write_bytes(const std::uint8_t* source, int n);
    // Forgets any buffered input bytes (purge over USB).
    void reset_input();

    bool found() const { return found_; }
    const std::string& device_path() const { return path_; }

private:
    void drop_device();

    HidBackend& backend_;
    std::uint16_t vendorId_;
    std::uint16_t productId_;
    bool found_ = false;
    std::string path_;
    int inputReportLength_ = 0;
    int outputReportLength_ = 0;
    std::vector<std::uint8_t> input_; // the current input report, id byte first
    int inputPosition_ = 0;
    int inputLength_ = 0;
};

} // namespace vexa
