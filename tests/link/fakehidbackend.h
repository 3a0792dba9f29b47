#pragma once
// A HidBackend with scripted devices and reports, recording what the host sent.
#include "link/hidbackend.h"

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace vexa::testing {

class FakeHidBackend : public HidBackend {
public:
    std::vector<HidDeviceInfo> Enumerate() override { return devices; }
    bool Open(const std::string& path) override {
        openedPaths.push_back(path);
        open = openSucceeds;
        return open;
    }
    void Close() override {
        ++closes;
        open = false;
    }
    int ReadReport(std::uint8_t* buffer, int length, int timeoutMs) override {
        ++reportReads;
        lastWaitMs = timeoutMs;
        if (!open)
            return -1;
        if (reports.empty())
            return 0;
        const std::string report = reports.front();
        reports.pop_front();
        const int n = std::min(length, static_cast<int>(report.size()));
        std::memcpy(buffer, report.data(), static_cast<std::size_t>(n));
        return n;
    }
    int WriteReport(const std::uint8_t* report, int length) override {
        if (!open || failWrites)
            return -1;
        written.emplace_back(reinterpret_cast<const char*>(report),
                             static_cast<std::size_t>(length));
        return length;
    }

    // An input report: id 0, the payload, then zeros to the report length.
    static std::string Report(const std::string& payload, int length = 65, char id = 0) {
        std::string report(static_cast<std::size_t>(length), '\0');
        report[0] = id;
        report.replace(1, payload.size(), payload);
        return report;
    }

    std::vector<HidDeviceInfo> devices;
    std::deque<std::string> reports;
    std::vector<std::string> written;
    std::vector<std::string> openedPaths;
    bool openSucceeds = true;
    bool failWrites = false;
    bool open = false;
    int closes = 0;
    int reportReads = 0;
    int lastWaitMs = 0;
};

inline HidDeviceInfo ControllerInfo(const std::string& path, int index, std::uint16_t vendor,
                                    std::uint16_t product) {
    HidDeviceInfo info;
    info.path = path;
    info.vendorId = vendor;
    info.productId = product;
    info.interfaceIndex = index;
    info.inputReportLength = 65;
    info.outputReportLength = 65;
    return info;
}

} // namespace vexa::testing
