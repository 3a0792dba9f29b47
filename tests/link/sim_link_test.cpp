// The monitor against the virtual controller, in process: over the serial port chosen as
// "sim" and over the controller's USB HID interface, on virtual time.
#include "link/serialport.h"
#include "link/tcs_monitor.h"
#include "recordingowner.h"
#include "sim/simhidbackend.h"
#include "sim/simtransport.h"
#include "support/memorysettings.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

class SimLinkTest : public ::testing::Test {
protected:
    // Builds the monitor over "sim" (or over USB HID when usb is set) with these options.
    void Start(const SimOptions& options, bool usb = false) {
        settings.WriteString(kCommSettingsSection, kComPortNameKey, kSimPortName);
        factory.Register(kSimPortName, [this, options](const std::string&, int) {
            auto transport = std::make_unique<SimTransport>(clock, options);
            sim = transport.get();
            return transport;
        });
        if (usb) {
            hidBackend = std::make_unique<SimHidBackend>(clock, options);
            hid = std::make_unique<CHidDevice>(*hidBackend);
        }
        monitor = std::make_unique<CTCS_Monitor>(
            std::make_unique<CSerialPort>(&settings, &factory, hid.get(), clock), timers);
        monitor->set_document(&owner);
        monitor->set_addressing_modes(options.layout.nvmType);
        owner.checkController = [this] {
            if (!monitor->read_version(nullptr, nullptr, nullptr, nullptr))
                return 0;
            monitor->set_connected(1);
            return 1;
        };
    }
    VirtualController& Controller() {
        return hidBackend ? hidBackend->Controller() : sim->Controller();
    }

    ManualClock clock;
    ManualTimerService timers;
    testing::MemorySettings settings;
    testing::RecordingOwner owner;
    SerialDeviceFactory factory;
    SimTransport* sim = nullptr;
    std::unique_ptr<SimHidBackend> hidBackend;
    std::unique_ptr<CHidDevice> hid;
    std::unique_ptr<CTCS_Monitor> monitor;
    std::string error;
};

TEST_F(SimLinkTest, IdentifiesAndConnectsOnTheFirstTick) {
    SimOptions options;
    options.identity = {2, 1, 3, 4};
    Start(options);
    std::uint16_t device = 0, hardware = 0, firmware = 0, minor = 0;
    EXPECT_EQ(monitor->read_version(&device, &hardware, &firmware, &minor) & 1, 1);
    EXPECT_EQ((std::vector<int>{device, hardware, firmware, minor}),
              (std::vector<int>{2, 1, 3, 4}));
    timers.Advance(1000);
    EXPECT_EQ(monitor->is_connected(), 1);
    EXPECT_EQ(owner.connectionStates, (std::vector<int>{1}));
}

TEST_F(SimLinkTest, EepromWriteNeedsTheEnableSequence) {
    Start(SimOptions{});
    monitor->set_connected(1);
    ASSERT_EQ(monitor->enable_EEPROM_write(), 1);
    // The enable code 0x09 in MEHIADR also selects the second table (bit 0).
    EXPECT_EQ(monitor->write_NVM('e', 0x10, 0x5A, error), 1) << error;
    EXPECT_EQ(monitor->write_NVM('e', 0x11, 0x00, error), 1) << error;
    std::uint16_t value = 0;
    EXPECT_EQ(monitor->read_NVM('e', 0x10, value, error), 1);
    EXPECT_EQ(value, 0x5A);
    EXPECT_EQ(Controller().Eeprom(1)[0x10], 0x5A);
    EXPECT_EQ(Controller().Eeprom(1)[0x11], 0x00);
    ASSERT_EQ(monitor->disable_EEPROM_write(), 1);
    // Disabled: the controller acknowledges but keeps the byte, so three tries fail.
    EXPECT_EQ(monitor->write_NVM('e', 0x10, 0x33, error), 0);
    EXPECT_EQ(error, "FF");
    EXPECT_EQ(Controller().Eeprom(0)[0x10], 0xFF);
}

TEST_F(SimLinkTest, BlockRoundTripWithEscapedBytes) {
    for (bool usb : {false, true}) {
        SCOPED_TRACE(usb ? "USB" : "serial");
        SimOptions options;
        options.layout.nvmType = 1;
        monitor.reset();
        hid.reset();
        hidBackend.reset();
        Start(options, usb);
        ASSERT_EQ(monitor->is_usb_direct(), usb ? 1 : 0);
        std::vector<std::uint8_t> image(256);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(i % 3 == 0 ? 0x77 : i % 3 == 1 ? 0x00 : 0xFE - i);
        std::string status;
        ASSERT_EQ(monitor->write_block(image, 0, 0x200, 256, 1, status), 0);
        EXPECT_EQ(Controller().Ram(0x200), 0x77);
        EXPECT_EQ(Controller().Ram(0x201), 0x00);
        std::vector<std::uint8_t> back(256, 0x55);
        EXPECT_EQ(monitor->read_block(back, 0, 0x200, 256, status), 0);
        EXPECT_EQ(back, image);
    }
}

TEST_F(SimLinkTest, FlashProgramAndCopyBack) {
    SimOptions options;
    options.layout.nvmType = 1;
    Start(options);
    std::vector<std::uint8_t> image(128);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i);
    std::string status;
    ASSERT_EQ(monitor->write_block(image, 0, 0x200, 128, 1, status), 0);
    ASSERT_EQ(monitor->write_flash(0x10, 2, error), 0) << error;
    EXPECT_EQ(Controller().Flash()[0x10 * 64 + 5], 5);
    for (int a = 0x200; a < 0x280; ++a)
        Controller().SetRam(a, 0);
    ASSERT_EQ(monitor->read_flash(0x10, 2, error), 0) << error;
    std::vector<std::uint8_t> back(128);
    EXPECT_EQ(monitor->read_block(back, 0, 0x200, 128, status), 0);
    EXPECT_EQ(back, image);
}

// Through CSerialPort the virtual line keeps the COM rule exactly once: a byte that comes
// more than 50 ms after the one before it ends the read, as on a real port.
TEST_F(SimLinkTest, ReplyLaterThanTheIntervalEndsTheRead) {
    struct Case {
        int flashBlockMs; // two blocks are programmed before the 'c'
        std::string expected;
    };
    for (const Case& c : {Case{20, "b01001c"}, Case{60, "b01001"}}) {
        SimOptions options;
        options.layout.nvmType = 1;
        options.baud = 9600;
        options.flashBlockMs = c.flashBlockMs;
        monitor.reset();
        Start(options);
        ByteTransport& port = monitor->transport();
        const std::string command = "b01001";
        ASSERT_EQ(port.Write(reinterpret_cast<const std::uint8_t*>(command.data()), 6), 6);
        std::uint8_t reply[8] = {};
        const std::int64_t start = clock.NowMs();
        const int got = port.Read(reply, 7);
        EXPECT_EQ(std::string(reply, reply + got), c.expected) << c.flashBlockMs;
        if (got == 6) { // the last echo trails its byte by about a millisecond
            EXPECT_NEAR(static_cast<double>(clock.NowMs() - start), 51.0, 2.0);
        }
    }
}

TEST_F(SimLinkTest, BadFlashByteIsReportedWithItsAddress) {
    SimOptions options;
    options.layout.nvmType = 1;
    options.faults.badFlashAddress = 0x0405;
    Start(options);
    EXPECT_EQ(monitor->write_flash(0x10, 1, error), 0xFF);
    EXPECT_EQ(error.rfind("Flash memory write verification failed at address 0x", 0), 0u) << error;
    EXPECT_NE(error.find("405"), std::string::npos) << error;
}

TEST_F(SimLinkTest, UnplugDisconnectsAndTheTimerReconnects) {
    SimOptions options;
    options.faults.unplugAfter = 20;
    options.faults.replugAfterMs = 3000;
    Start(options);
    timers.Advance(1000);
    ASSERT_EQ(monitor->is_connected(), 1);
    int value = CTCS_Monitor::kNoData;
    for (int i = 0; i < 10 && monitor->is_connected(); ++i)
        monitor->read_RAM('f', 0x2F, value, error);
    EXPECT_EQ(monitor->is_connected(), 0);
    EXPECT_EQ(timers.PeriodOf(CTCS_Monitor::kDefaultTimerId), 1000);
    for (int i = 0; i < 10 && !monitor->is_connected(); ++i) {
        clock.Advance(1000);
        timers.Advance(1000);
    }
    EXPECT_EQ(monitor->is_connected(), 1);
    EXPECT_EQ(owner.connectionStates, (std::vector<int>{1, 0, 1}));
}

} // namespace
} // namespace vexa
