#pragma once
// HidapiBackend: HidBackend over hidapi (hidraw on Linux), the one file that owns it.
// Reports carry report id 0.
#include "link/hidbackend.h"

namespace vexa {

class HidapiBackend : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    // Every HID device present, in hidapi's enumeration order. hidapi does not tell report
    // lengths; they are given as 65 (64 bytes and the id byte of a full-speed device).
    std::vector<HidDeviceInfo> Enumerate() override;
    bool Open(const std::string& path) override;
    void Close() override;
    int ReadReport(std::uint8_t* buffer, int length, int timeoutMs) override;
    int WriteReport(const std::uint8_t* report, int length) override;

private:
    void* device_ = nullptr; // hid_device*
    bool initialised_ = false;
};

} // namespace vexa
