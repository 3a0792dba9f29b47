// A virtual controller started with a shipped controller's identity takes that controller's
// memory layout, so it is found from all four identity numbers and from nothing less.
#include "sim/simpresets.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(SimPresets, AnIdentityFindsTheControllerThatAnnouncesIt) {
    for (const SimPreset& preset : SimPresets()) {
        SCOPED_TRACE(std::string(preset.name));
        EXPECT_EQ(FindSimPresetByIdentity(preset.identity), &preset);
        // Any one number off is another controller, whose layout is not known.
        for (int field = 0; field < 4; ++field) {
            SimIdentity other = preset.identity;
            int* numbers[] = {&other.deviceType, &other.hardwareVersion, &other.firmwareVersion,
                              &other.firmwareVersionMinor};
            *numbers[field] += 1;
            EXPECT_EQ(FindSimPresetByIdentity(other), nullptr) << "field " << field;
        }
    }
    // The flash controller's buffer and blocks are not the simulator's defaults.
    const SimPreset* flash = FindSimPresetByIdentity({3, 1, 1, 2});
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->layout.nvmType, 2);
    EXPECT_EQ(flash->layout.bufferStart, 0x1200);
    EXPECT_EQ(flash->layout.flashBlockSize, 0x80);
}

} // namespace
} // namespace vexa
