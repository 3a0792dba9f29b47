#include "link/hidapi_backend.h"

#include <hidapi.h>

namespace vexa {

namespace {
constexpr int kFullSpeedReportLength = 65;

hid_device* Device(void* p) {
    return static_cast<hid_device*>(p);
}
} // namespace

HidapiBackend::HidapiBackend() {
    initialised_ = hid_init() == 0;
}

HidapiBackend::~HidapiBackend() {
    Close();
    if (initialised_)
        hid_exit();
}

std::vector<HidDeviceInfo> HidapiBackend::Enumerate() {
    std::vector<HidDeviceInfo> devices;
    if (!initialised_)
        return devices;
    hid_device_info* list = hid_enumerate(0, 0);
    int index = 0;
    for (hid_device_info* info = list; info != nullptr; info = info->next) {
        HidDeviceInfo device;
        device.path = info->path != nullptr ? info->path : "";
        device.vendorId = info->vendor_id;
        device.productId = info->product_id;
        device.interfaceIndex = index++;
        device.inputReportLength = kFullSpeedReportLength;
        device.outputReportLength = kFullSpeedReportLength;
        devices.push_back(device);
    }
    hid_free_enumeration(list);
    return devices;
}

bool HidapiBackend::Open(const std::string& path) {
    Close();
    if (!initialised_)
        return false;
    device_ = hid_open_path(path.c_str());
    return device_ != nullptr;
}

void HidapiBackend::Close() {
    if (device_ != nullptr) {
        hid_close(Device(device_));
        device_ = nullptr;
    }
}

int HidapiBackend::ReadReport(std::uint8_t* buffer, int length, int timeoutMs) {
    if (device_ == nullptr || buffer == nullptr || length < 2)
        return -1;
    // Devices without numbered reports deliver the data without the id byte.
    buffer[0] = 0;
    const int r =
        hid_read_timeout(Device(device_), buffer + 1, static_cast<size_t>(length - 1), timeoutMs);
    if (r < 0)
        return -1;
    return r == 0 ? 0 : r + 1;
}

int HidapiBackend::WriteReport(const std::uint8_t* report, int length) {
    if (device_ == nullptr || report == nullptr || length <= 0)
        return -1;
    return hid_write(Device(device_), report, static_cast<size_t>(length));
}

} // namespace vexa
