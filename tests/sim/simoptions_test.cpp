#include "sim/simoptions.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(SimOptions, FaultSpecReadsEveryItemAndFormatsBack) {
    SimFaults faults;
    std::string error;
    const std::string spec = "drop=0.01,change=0.005,delay=0.01:30,silent-after=500:250,"
                             "unplug-after=2000,bad-flash=0x1410,bad-eeprom=0x10,"
                             "refuse-flash=2,flip-at=77:2";
    ASSERT_TRUE(ParseFaultSpec(spec, faults, error)) << error;
    EXPECT_DOUBLE_EQ(faults.drop, 0.01);
    EXPECT_DOUBLE_EQ(faults.change, 0.005);
    EXPECT_DOUBLE_EQ(faults.delay, 0.01);
    EXPECT_EQ(faults.delayMs, 30);
    EXPECT_EQ(faults.silentAfter, 500);
    EXPECT_EQ(faults.silentForMs, 250);
    EXPECT_EQ(faults.unplugAfter, 2000);
    EXPECT_EQ(faults.replugAfterMs, -1);
    EXPECT_EQ(faults.badFlashAddress, 0x1410);
    EXPECT_EQ(faults.badEepromAddress, 0x10);
    EXPECT_EQ(faults.refuseFlashWrites, 2);
    EXPECT_EQ(faults.flipAt, 77);
    EXPECT_EQ(faults.flipCount, 2);

    SimFaults again;
    ASSERT_TRUE(ParseFaultSpec(FormatFaultSpec(faults), again, error)) << error;
    EXPECT_EQ(FormatFaultSpec(again), FormatFaultSpec(faults));
    EXPECT_EQ(again.badFlashAddress, 0x1410);

    ASSERT_TRUE(ParseFaultSpec("", again, error));
    EXPECT_FALSE(again.Any());
    EXPECT_EQ(FormatFaultSpec(again), "");
}

TEST(SimOptions, MalformedFaultSpecIsRefusedAndChangesNothing) {
    for (const char* spec : {"drop", "drop=", "drop=1.5", "drop=-0.1", "drop=0.1x", "delay=0.1",
                             "delay=0.1:-3", "silent-after=abc", "unplug-after=5:", "jitter=1",
                             "bad-flash=-1", "refuse-flash=x", "flip-at=-2", "flip-at=3:0"}) {
        SimFaults faults;
        faults.drop = 0.25;
        std::string error;
        EXPECT_FALSE(ParseFaultSpec(spec, faults, error)) << spec;
        EXPECT_FALSE(error.empty()) << spec;
        EXPECT_DOUBLE_EQ(faults.drop, 0.25) << spec;
    }
}

TEST(SimOptions, IdentityText) {
    SimIdentity identity;
    std::string error;
    ASSERT_TRUE(ParseIdentity("3.2/5.17", identity, error)) << error;
    EXPECT_EQ(identity.deviceType, 3);
    EXPECT_EQ(identity.hardwareVersion, 2);
    EXPECT_EQ(identity.firmwareVersion, 5);
    EXPECT_EQ(identity.firmwareVersionMinor, 17);
    for (const char* text :
         {"", "2.1", "2.1/3", "2.1/3.4/5", "2-1/3.4", "2.1/3.79", "a.1/3.4", "2.1/3.4 "}) {
        SimIdentity unchanged;
        EXPECT_FALSE(ParseIdentity(text, unchanged, error)) << text;
        EXPECT_EQ(unchanged.deviceType, 2) << text;
    }
}

} // namespace
} // namespace vexa
