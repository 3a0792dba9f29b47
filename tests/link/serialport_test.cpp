// CSerialPort: USB first, then the port named in the settings; the open texts; reads with
// the COM time-outs; the USB link dropped by a failed write.
#include "fakehidbackend.h"
#include "link/serialport.h"
#include "scriptedpeer.h"
#include "support/memorysettings.h"
#include "timedarrivals.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vexa {
namespace {

using testing::ControllerInfo;
using testing::FakeHidBackend;
using testing::MemorySettings;
using testing::ScriptedPeer;

class SerialPortTest : public ::testing::Test {
protected:
    SerialPortTest() {
        factory.SetDefault(
            [this](const std::string& name, int baud) -> std::unique_ptr<ByteTransport> {
                madeFor.push_back(name + "@" + std::to_string(baud));
                auto peer = std::make_unique<ScriptedPeer>();
                lastPeer = peer.get();
                return peer;
            });
    }
    void ChoosePort(const std::string& name) {
        settings.WriteString(kCommSettingsSection, kComPortNameKey, name);
    }

    MemorySettings settings;
    FakeHidBackend backend;
    CHidDevice hid{backend};
    SerialDeviceFactory factory;
    ManualClock clock;
    CSerialPort port{&settings, &factory, &hid, clock};
    std::vector<std::string> madeFor;
    ScriptedPeer* lastPeer = nullptr;
    std::string error;
};

TEST_F(SerialPortTest, NoPortChosenAndNoUsbController) {
    EXPECT_EQ(port.Open(error), 0);
    EXPECT_EQ(error, "No COM port has been selected, so no port could be opened.  Choose "
                     "Communication Setup from the View menu to select a communication port.");
    std::uint8_t byte = 0;
    EXPECT_EQ(port.Read(&byte, 1), 0);
    EXPECT_EQ(port.Write(&byte, 1), 0);
    EXPECT_FALSE(port.IsOpen());
}

// A settings file of a program that numbered its ports has only "COMPortNumber".
TEST_F(SerialPortTest, PortNumberIsUsedWhenNoPortNameIsStored) {
    struct Case {
        const char* what;
        const char* name; // nullptr: the key is missing
        int number;       // 0: the key is missing
        std::string opened;
    };
    const std::vector<Case> cases = {
        {"number only", nullptr, 3, ComPortName(3)},
        {"name wins", "/dev/ttyUSB0", 3, "/dev/ttyUSB0"},
        {"empty name: none chosen", "", 3, ""},
        {"number 0: none chosen", nullptr, 0, ""},
    };
    for (const Case& c : cases) {
        MemorySettings stored;
        if (c.name != nullptr)
            stored.WriteString(kCommSettingsSection, kComPortNameKey, c.name);
        if (c.number != 0)
            stored.WriteInt(kCommSettingsSection, kComPortNumberKey, c.number);
        madeFor.clear();
        CSerialPort numbered(&stored, &factory, nullptr, clock);
        EXPECT_EQ(numbered.Open(error), c.opened.empty() ? 0 : 1) << c.what;
        EXPECT_EQ(numbered.port_name(), c.opened) << c.what;
        EXPECT_EQ(madeFor, c.opened.empty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{c.opened + "@9600"})
            << c.what;
    }
#ifndef _WIN32
    EXPECT_EQ(ComPortName(1), "/dev/ttyS0");
#endif
}

TEST_F(SerialPortTest, UsbControllerWinsOverTheChosenPort) {
    backend.devices = {ControllerInfo("hid0", 0, kControllerVendorId, kControllerProductId)};
    ChoosePort("/dev/does-not-exist");
    EXPECT_EQ(port.Open(error), 1);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(port.IsUsb());
    EXPECT_TRUE(madeFor.empty());
}

TEST_F(SerialPortTest, ChosenPortIsOpenedThroughTheFactory) {
    ChoosePort("/dev/ttyUSB0");
    EXPECT_EQ(port.Open(error), 1);
    EXPECT_FALSE(port.IsUsb());
    EXPECT_EQ(madeFor, (std::vector<std::string>{"/dev/ttyUSB0@9600"}));
    EXPECT_EQ(port.port_name(), "/dev/ttyUSB0");
    lastPeer->Echo("f");
    const std::uint8_t f = 'f';
    std::uint8_t echo = 0;
    EXPECT_EQ(port.Write(&f, 1), 1);
    EXPECT_EQ(port.Read(&echo, 1), 1);
    EXPECT_EQ(echo, 'f');
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, NamedDevicesAndUnknownNames) {
    int simMade = 0;
    factory.Register(kSimPortName, [&](const std::string&, int) -> std::unique_ptr<ByteTransport> {
        ++simMade;
        return std::make_unique<ScriptedPeer>();
    });
    ChoosePort("sim");
    EXPECT_EQ(port.Open(error), 1);
    EXPECT_EQ(simMade, 1);
    EXPECT_TRUE(madeFor.empty());

    SerialDeviceFactory onlySim;
    onlySim.Register(kSimPortName,
                     [](const std::string&, int) { return std::make_unique<ScriptedPeer>(); });
    CSerialPort other(&settings, &onlySim, nullptr, clock);
    ChoosePort("/dev/ttyS7");
    EXPECT_EQ(other.Open(error), 0);
    EXPECT_EQ(error, SerialOpenErrorText("/dev/ttyS7", ENOENT));
}

TEST_F(SerialPortTest, DeviceOpenFailureKeepsItsText) {
    factory.SetDefault([](const std::string&, int) {
        auto peer = std::make_unique<ScriptedPeer>();
        peer->openResult = false;
        return peer;
    });
    ChoosePort("/dev/ttyUSB3");
    EXPECT_EQ(port.Open(error), 0);
    EXPECT_EQ(error, "scripted open failure");
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialOpenErrors, ErrnoChoosesTheText) {
    const std::string missing =
        "Could not open serial port /dev/ttyUSB0.  This port does not appear to exist on this "
        "system.\n\nIf /dev/ttyUSB0 is a USB-to-serial adapter, please make sure that the device "
        "and the appropriate driver are properly installed and try again.";
    const std::string inUse =
        "Could not open serial port /dev/ttyUSB0.  This port appears to be in use by another "
        "program.";
    struct Case {
        int errorNumber;
        std::string text;
    };
    const Case cases[] = {
        {ENOENT, missing},
        {ENODEV, missing},
        {EBUSY, inUse},
        {EACCES, inUse},
        {EPERM, inUse},
        {EIO, "Could not open serial port /dev/ttyUSB0, due to an unexpected error.  Error "
              "number = " +
                  std::to_string(EIO)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SerialOpenErrorText("/dev/ttyUSB0", c.errorNumber), c.text) << c.errorNumber;
    EXPECT_EQ(SetCommStateErrorText("/dev/ttyS0", 22),
              "SetCommState failed for serial port /dev/ttyS0.  Error number = 22");
    EXPECT_EQ(GetCommStateErrorText("/dev/ttyS0", 22),
              "GetCommState failed for serial port /dev/ttyS0.  Error number = 22");
}

TEST_F(SerialPortTest, SerialReadsKeepTheComTimeouts) {
    testing::TimedArrivals* line = nullptr;
    factory.SetDefault([&](const std::string&, int) {
        auto timed = std::make_unique<testing::TimedArrivals>(clock, std::vector<std::int64_t>{});
        line = timed.get();
        return timed;
    });
    ChoosePort("/dev/ttyUSB0");
    ASSERT_EQ(port.Open(error), 1);
    ASSERT_NE(line, nullptr);
    std::uint8_t buffer[3];
    const auto start = clock.NowMs();
    EXPECT_EQ(port.Read(buffer, 3), 0);
    EXPECT_EQ(clock.NowMs() - start, 115);
}

TEST_F(SerialPortTest, FailedUsbWriteLeavesEveryOperationFailing) {
    backend.devices = {ControllerInfo("hid0", 0, kControllerVendorId, kControllerProductId)};
    ASSERT_EQ(port.Open(error), 1);
    backend.failWrites = true;
    const std::uint8_t byte = 'f';
    EXPECT_EQ(port.Write(&byte, 1), 0);
    EXPECT_FALSE(port.IsUsb());
    backend.failWrites = false;
    EXPECT_EQ(port.Write(&byte, 1), 0);
    std::uint8_t in = 0;
    EXPECT_EQ(port.Read(&in, 1), 0);
    EXPECT_EQ(port.Open(error), 1); // the next open finds the controller again
    EXPECT_TRUE(port.IsUsb());
}

TEST_F(SerialPortTest, UsbPurgeForgetsBufferedInput) {
    backend.devices = {ControllerInfo("hid0", 0, kControllerVendorId, kControllerProductId)};
    ASSERT_EQ(port.Open(error), 1);
    backend.reports = {FakeHidBackend::Report("abc"), FakeHidBackend::Report("d")};
    std::uint8_t in = 0;
    EXPECT_EQ(port.Read(&in, 1), 1);
    EXPECT_EQ(port.Purge(), 1);
    EXPECT_EQ(port.Read(&in, 1), 1);
    EXPECT_EQ(in, 'd');
}

} // namespace
} // namespace vexa
