#pragma once
// USB identity of the controller's own HID interface ("USB Direct"). The host finds the
// controller by these two numbers every time the link opens; the virtual controller
// presents the same pair, and contrib/70-vexa-controller.rules grants access to it.
#include <cstdint>

namespace vexa {

// 0x04D8 is Microchip Technology's vendor id, under which the controller's USB
// microcontroller enumerates; the product id 0x0001 is the controller's own.
inline constexpr std::uint16_t kControllerVendorId = 0x04D8;
inline constexpr std::uint16_t kControllerProductId = 0x0001;

} // namespace vexa
