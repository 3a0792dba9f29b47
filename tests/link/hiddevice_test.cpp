// The USB HID link: discovery, the buffering of input reports, output report layout.
#include "fakehidbackend.h"
#include "link/hiddevice.h"
#include "support/memorysettings.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::ControllerInfo;
using testing::FakeHidBackend;

class HidTest : public ::testing::Test {
protected:
    HidTest() {
        backend.devices = {ControllerInfo("other", 0, 0x1234, 0x0001),
                           ControllerInfo("controller", 1, kControllerVendorId, 1)};
    }
    std::string Read(int n) {
        std::string out(static_cast<std::size_t>(n), '\0');
        const int count = hid.read_bytes(reinterpret_cast<std::uint8_t*>(out.data()), n);
        out.resize(static_cast<std::size_t>(std::max(count, 0)));
        return out;
    }

    FakeHidBackend backend;
    CHidDevice hid{backend};
};

TEST_F(HidTest, DiscoveryTakesTheLowestMatchingInterface) {
    backend.devices = {ControllerInfo("second", 4, kControllerVendorId, 1),
                       ControllerInfo("wrong product", 0, kControllerVendorId, 2),
                       ControllerInfo("first", 2, kControllerVendorId, 1)};
    EXPECT_EQ(hid.open(), 1);
    EXPECT_EQ(backend.openedPaths, (std::vector<std::string>{"first"}));
    EXPECT_EQ(hid.device_path(), "first");
}

TEST_F(HidTest, NoMatchingDeviceOrOpenFailureIsNotFound) {
    backend.devices = {ControllerInfo("other", 0, 0x1234, 1)};
    EXPECT_EQ(hid.open(), 0);
    backend.devices = {ControllerInfo("controller", 0, kControllerVendorId, 1)};
    backend.openSucceeds = false;
    EXPECT_EQ(hid.open(), 0);
    EXPECT_FALSE(hid.found());
}

TEST_F(HidTest, OneReportServesSeveralReads) {
    ASSERT_EQ(hid.open(), 1);
    backend.reports = {FakeHidBackend::Report("f453F")};
    EXPECT_EQ(Read(3), "f45");
    EXPECT_EQ(Read(2), "3F");
    EXPECT_EQ(backend.reportReads, 1);
    EXPECT_EQ(backend.lastWaitMs, 300);
}

TEST_F(HidTest, ReadTakesBufferedBytesThenAtMostOneReport) {
    ASSERT_EQ(hid.open(), 1);
    backend.reports = {FakeHidBackend::Report("abcde"), FakeHidBackend::Report("FGHIJK"),
                       FakeHidBackend::Report("zz")};
    EXPECT_EQ(Read(2), "ab");
    EXPECT_EQ(Read(7), "cdeFGHI"); // 3 buffered and 4 of the new 6
    EXPECT_EQ(Read(9), "JKzz");    // 2 kept, then one more report only
    EXPECT_EQ(backend.reportReads, 3);
}

TEST_F(HidTest, SilentDeviceIsDroppedUntilTheNextOpen) {
    ASSERT_EQ(hid.open(), 1);
    EXPECT_EQ(Read(3), "");
    EXPECT_FALSE(hid.found());
    EXPECT_EQ(backend.closes, 1);
    const std::uint8_t byte = 'f';
    EXPECT_EQ(hid.write_bytes(&byte, 1), 0);
    EXPECT_EQ(Read(1), "");
    EXPECT_EQ(backend.reportReads, 1);

    backend.reports = {FakeHidBackend::Report("x")};
    ASSERT_EQ(hid.open(), 1);
    EXPECT_EQ(Read(1), "x");
}

TEST_F(HidTest, ForeignReportIdDropsTheDevice) {
    ASSERT_EQ(hid.open(), 1);
    backend.reports = {FakeHidBackend::Report("abc", 65, 2)};
    EXPECT_EQ(Read(3), "");
    EXPECT_FALSE(hid.found());
}

TEST_F(HidTest, ResetInputForgetsBufferedBytes) {
    ASSERT_EQ(hid.open(), 1);
    backend.reports = {FakeHidBackend::Report("abcdef"), FakeHidBackend::Report("X")};
    EXPECT_EQ(Read(1), "a");
    hid.reset_input();
    EXPECT_EQ(Read(1), "X");
}

TEST_F(HidTest, OutputReportsAreFullLengthWithNulEndedPayload) {
    ASSERT_EQ(hid.open(), 1);
    const std::string stream = "u20003" + std::string(70, 'A');
    EXPECT_EQ(hid.write_bytes(reinterpret_cast<const std::uint8_t*>(stream.data()),
                              static_cast<int>(stream.size())),
              76);
    ASSERT_EQ(backend.written.size(), 2u); // 63 payload bytes fit one 65-byte report
    std::string first(65, '\0');
    first.replace(1, 63, stream.substr(0, 63));
    std::string second(65, '\0');
    second.replace(1, 13, stream.substr(63));
    EXPECT_EQ(backend.written[0], first);
    EXPECT_EQ(backend.written[1], second);
}

TEST_F(HidTest, FailedWriteDropsTheDevice) {
    ASSERT_EQ(hid.open(), 1);
    backend.failWrites = true;
    const std::uint8_t byte = 'f';
    EXPECT_EQ(hid.write_bytes(&byte, 1), 0);
    EXPECT_FALSE(hid.found());
}

TEST(UsbIds, SettingsMayNameOtherIds) {
    struct Case {
        const char* vendor; // nullptr: not in the settings
        const char* product;
        std::uint16_t expectedVendor;
        std::uint16_t expectedProduct;
    };
    const Case cases[] = {
        {nullptr, nullptr, kControllerVendorId, kControllerProductId},
        {"1209", "0x00C3", 0x1209, 0x00C3},
        {"0XbEeF", "1", 0xBEEF, 0x0001},
        {"12345", "", kControllerVendorId, kControllerProductId}, // too long, empty
        {"0x", "g1", kControllerVendorId, kControllerProductId},
    };
    for (const Case& c : cases) {
        testing::MemorySettings settings;
        if (c.vendor != nullptr)
            settings.WriteString("Communication Settings", kUsbVendorIdKey, c.vendor);
        if (c.product != nullptr)
            settings.WriteString("communication settings", "usbproductid", c.product);
        const UsbIds ids = UsbIdsFromSettings(settings);
        EXPECT_EQ(ids.vendor, c.expectedVendor) << (c.vendor ? c.vendor : "-");
        EXPECT_EQ(ids.product, c.expectedProduct) << (c.product ? c.product : "-");
    }
}

} // namespace
} // namespace vexa
