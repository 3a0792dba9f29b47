#pragma once
// USB identity of the controller's own HID interface ("USB Direct"). The host finds the
// controller by these two numbers every time the link opens; the virtual controller
// presents the same pair, and contrib/70-vexa-controller.rules grants access to it.
#include "core/settingskeys.h"
#include "core/settingsstore.h"

#include <charconv>
#include <cstdint>
#include <string_view>

namespace vexa {

// 0x04D8 is Microchip Technology's vendor id, under which the controller's USB
// microcontroller enumerates; the product id 0x0001 is the controller's own.
inline constexpr std::uint16_t kControllerVendorId = 0x04D8;
inline constexpr std::uint16_t kControllerProductId = 0x0001;

// For bringing up a controller whose ids differ, the settings file may name others in
// "Communication Settings": USBVendorID and USBProductID, hexadecimal as lsusb shows them
// ("04d8", or "0x04D8"). A missing or malformed value keeps the controller's own id.
inline constexpr const char* kUsbVendorIdKey = "USBVendorID";
inline constexpr const char* kUsbProductIdKey = "USBProductID";

struct UsbIds {
    std::uint16_t vendor = kControllerVendorId;
    std::uint16_t product = kControllerProductId;
};

// The hexadecimal id in text, or fallback when text is not 1 to 4 hex digits (after an
// optional 0x).
inline std::uint16_t ParseUsbId(std::string_view text, std::uint16_t fallback) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    std::uint16_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || text.size() > 4 || error != std::errc() || stop != end)
        return fallback;
    return value;
}

// The ids the USB link looks for: the controller's own, or those the settings name.
inline UsbIds UsbIdsFromSettings(const SettingsStore& settings) {
    UsbIds ids;
    ids.vendor = ParseUsbId(settings.GetString(kSectionCommunication, kUsbVendorIdKey, ""),
                            kControllerVendorId);
    ids.product = ParseUsbId(settings.GetString(kSectionCommunication, kUsbProductIdKey, ""),
                             kControllerProductId);
    return ids;
}

} // namespace vexa
