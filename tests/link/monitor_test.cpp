// The monitor's byte commands against a scripted controller: the exchanges on the wire,
// their error texts, the connection state and the timer.
#include "core/documenthost.h"
#include "link/tcs_monitor.h"
#include "recordingowner.h"
#include "scriptedpeer.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::OwnerMessage;
using testing::RecordingOwner;
using testing::ScriptedPeer;

const std::string kReadWrtPrefix = "Error in function CTCS_Monitor::read_wrt_cmd: ";
const std::string kTestWritePrefix = "Error in function CTCS_Monitor::test_and_write_NVM: ";
const std::string kReadNvmPrefix = "Error in function CTCS_Monitor::read_NVM: ";

class MonitorTest : public ::testing::Test {
protected:
    MonitorTest() {
        auto transport = std::make_unique<ScriptedPeer>();
        peer = transport.get();
        monitor = std::make_unique<CTCS_Monitor>(std::move(transport), timers);
        monitor->set_document(&owner);
    }
    void Connect() {
        monitor->set_connected(1);
        owner.connectionStates.clear();
    }

    ManualTimerService timers;
    RecordingOwner owner;
    ScriptedPeer* peer = nullptr;
    std::unique_ptr<CTCS_Monitor> monitor;
    std::string error;
};

TEST_F(MonitorTest, RamReadExchangesCharacterByCharacter) {
    // host f, controller f; host 4, controller 4; host 5, controller 5 and the byte.
    peer->Echo("f").Echo("4").Echo("5").Reply("3F");
    int value = CTCS_Monitor::kNoData;
    EXPECT_EQ(monitor->read_RAM('f', 0x45, value, error), 1);
    EXPECT_EQ(value, 0x3F);
    EXPECT_EQ(error, "3F\n");
    EXPECT_EQ(peer->Written(), "f45");
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
}

TEST_F(MonitorTest, RamWriteReturnsPreviousValueWithoutCompletionByte) {
    peer->Echo("f44").Reply("08").Echo("09");
    int value = 0x09;
    EXPECT_EQ(monitor->read_RAM('f', 0x44, value, error), 1);
    EXPECT_EQ(value, 0x08);
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
}

TEST_F(MonitorTest, EepromWriteIsReadBack) {
    Connect();
    peer->Echo("e10").Reply("3F").Echo("5A").Reply("c").Echo("e10").Reply("5A");
    EXPECT_EQ(monitor->write_NVM('e', 0x10, 0x5A, error), 1);
    EXPECT_EQ(error, "");
    EXPECT_EQ(peer->Written(), "e105Ae10");
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
}

// The value is taken as held only when two reads say so; then no data is sent.
TEST_F(MonitorTest, EepromValueAlreadyHeldSendsNoData) {
    Connect();
    peer->Echo("e10").Reply("5A").Echo("e10").Reply("5A");
    EXPECT_EQ(monitor->write_NVM('e', 0x10, 0x5A, error), 1);
    EXPECT_EQ(peer->Written(), "e10e10");
    EXPECT_EQ(error, "");
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
}

TEST_F(MonitorTest, EepromValueReadAsHeldOnceIsWritten) {
    Connect();
    // 7A with a changed digit reads as 5A once.
    peer->Echo("e10").Reply("5A").Echo("e10").Reply("7A");
    peer->Echo("5A").Reply("c").Echo("e10").Reply("5A");
    EXPECT_EQ(monitor->write_NVM('e', 0x10, 0x5A, error), 1);
    EXPECT_EQ(peer->Written(), "e10e105Ae10");
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
}

TEST_F(MonitorTest, EepromReadOnlyGivesValueInDataAndText) {
    Connect();
    peer->Echo("e10").Reply("3F");
    std::string data;
    EXPECT_EQ(monitor->test_and_write_NVM('e', "10", data, error), 1);
    EXPECT_EQ(data, "3F");
    EXPECT_EQ(error, "3F");
}

TEST_F(MonitorTest, UnverifiedEepromWriteTriesThreeTimes) {
    Connect();
    peer->Echo("e10").Reply("3F");
    for (int i = 0; i < 3; ++i)
        peer->Echo("5A").Reply("c").Echo("e10").Reply("FF");
    std::string data = "5A";
    EXPECT_EQ(monitor->test_and_write_NVM('e', "10", data, error), 0);
    EXPECT_EQ(data, "FF");
    EXPECT_EQ(error, "FF");
    EXPECT_EQ(peer->Written(), "e105Ae105Ae105Ae10");
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
    EXPECT_EQ(monitor->is_connected(), 1); // the controller answered every time
}

TEST_F(MonitorTest, NvmOperationsNeedTheConnection) {
    monitor->set_connected(0);
    std::uint16_t value = 7;
    EXPECT_EQ(monitor->write_NVM('e', 0x10, 0x5A, error), 0);
    EXPECT_EQ(error, kTestWritePrefix);
    EXPECT_EQ(monitor->read_NVM('e', 0x10, value, error), 0);
    EXPECT_EQ(error, kReadNvmPrefix);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(peer->Written(), "");
}

TEST_F(MonitorTest, ReadNvmParsesTheByte) {
    Connect();
    peer->Echo("l").Echo("0").Echo("A5").Reply("C4");
    std::uint16_t value = 0;
    EXPECT_EQ(monitor->read_NVM('l', 0xA5, value, error), 1); // 'l' addresses with 3 digits
    EXPECT_EQ(value, 0xC4);
    EXPECT_EQ(error, "");
}

TEST_F(MonitorTest, GarbledByteIsNoValue) {
    Connect();
    peer->Echo("e10").Reply("G7");
    std::uint16_t value = 9;
    EXPECT_EQ(monitor->read_NVM('e', 0x10, value, error), 0);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(monitor->is_connected(), 0);
}

TEST(MonitorAddress, ModesGiveDigitsAndClamp) {
    struct Case {
        int mode;
        int address;
        const char* text;
    };
    const Case cases[] = {
        {0, 0x45, "45"},     {0, 0x1234, "FF"},    {0, -5, "00"},
        {1, 0x1234, "FFF"},  {1, 0xA5, "0A5"},     {1, -1, "000"},
        {2, 0x1234, "1234"}, {2, 0x12345, "FFFF"}, {2, -70000, "0000"},
    };
    for (const auto& c : cases) {
        std::string text;
        EXPECT_TRUE(FormatMonitorAddress(c.mode, c.address, text));
        EXPECT_EQ(text, c.text) << "mode " << c.mode << " address " << c.address;
    }
    std::string text;
    EXPECT_FALSE(FormatMonitorAddress(3, 0x10, text));
    EXPECT_FALSE(FormatMonitorAddress(-1, 0x10, text));
}

TEST_F(MonitorTest, AddressingModesFollowNvmType) {
    struct Case {
        int nvmType;
        const char* wire;
    };
    for (const Case c : {Case{0, "fFF"}, Case{1, "fFFF"}, Case{2, "f1234"}, Case{5, "fFF"}}) {
        monitor->set_addressing_modes(c.nvmType);
        peer->Echo(c.wire).Reply("00");
        int value = CTCS_Monitor::kNoData;
        EXPECT_EQ(monitor->read_RAM('f', 0x1234, value, error), 1) << c.nvmType;
    }
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
}

TEST_F(MonitorTest, UndefinedAddressingModeSendsNothing) {
    Connect();
    monitor->set_addressing_mode_values(1, 7, 9);
    EXPECT_EQ(monitor->write_NVM('e', 0x10, 1, error), 0);
    EXPECT_EQ(error, "Undefined NVM Addressing Mode Set in Monitor Module");
    int value = 1;
    EXPECT_EQ(monitor->read_RAM('f', 0x10, value, error), 0);
    EXPECT_EQ(error, "Undefined RAM Addressing Mode Set in Monitor Module");
    EXPECT_EQ(monitor->write_RAM('f', 0x10, 1, error), 0);
    EXPECT_EQ(error, "Undefined RAM Addressing Mode Set in Monitor Module");
    EXPECT_EQ(peer->Written(), "");
    EXPECT_EQ(monitor->is_connected(), 1);
}

TEST(MonitorErrors, FailedExchangesExplainThemselves) {
    struct Case {
        const char* name;
        std::function<void(ScriptedPeer&)> script;
        std::string text;
    };
    const Case cases[] = {
        {"silent controller", [](ScriptedPeer&) {},
         "Comm. Readback Error: RX = NULL, expected 'f'.\n"},
        {"wrong letter echo", [](ScriptedPeer& p) { p.Expect("f").Reply("g"); },
         "Comm. Readback Error: RX = 'g', expected 'f'.\n"},
        {"wrong address echo", [](ScriptedPeer& p) { p.Echo("f4").Expect("5").Reply("6"); },
         "Comm. Readback Error: RX = 6, expected '5'.\n"},
        {"no address echo", [](ScriptedPeer& p) { p.Echo("f4").Expect("5"); },
         "Comm. Readback Error: RX = NULL, expected '5'.\n"},
        {"one answer character", [](ScriptedPeer& p) { p.Echo("f45").Reply("3"); },
         "Comm. Result Error: RX = 3, expected 2 bytes.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ManualTimerService timers;
        std::string error;
        auto transport = std::make_unique<ScriptedPeer>();
        c.script(*transport);
        CTCS_Monitor monitor(std::move(transport), timers);
        monitor.set_connected(1);
        int value = 0x11; // a write whose command step fails keeps the value passed in
        EXPECT_EQ(monitor.read_RAM('f', 0x45, value, error), 0);
        EXPECT_EQ(error, kReadWrtPrefix + c.text);
        EXPECT_EQ(value, 0x11);
        EXPECT_EQ(monitor.is_connected(), 0);
    }
}

TEST_F(MonitorTest, SendFailureIsReported) {
    peer->writeFails = true;
    int value = CTCS_Monitor::kNoData;
    EXPECT_EQ(monitor->read_RAM('f', 0x45, value, error), 0);
    EXPECT_EQ(error, kReadWrtPrefix + "Comm. Send Failed.");
}

TEST_F(MonitorTest, FailedDataStepGivesPreviousValue) {
    Connect();
    peer->Echo("f44").Reply("08").Expect("0").Reply("X");
    int value = 0x09;
    EXPECT_EQ(monitor->read_RAM('f', 0x44, value, error), 0);
    EXPECT_EQ(value, 0x08);
    EXPECT_EQ(error, kReadWrtPrefix + "Comm. Readback Error: RX = 'X', expected '0'.\n");
    EXPECT_EQ(monitor->is_connected(), 0);
}

TEST_F(MonitorTest, MissingCompletionByteFailsEepromWrite) {
    Connect();
    peer->Echo("e10").Reply("3F").Echo("5A");
    EXPECT_EQ(monitor->write_NVM('e', 0x10, 0x5A, error), 0);
    EXPECT_EQ(error,
              kTestWritePrefix + "Comm. Write Confirmation Error: RX = NULL, expected 'c'.\n");
    EXPECT_EQ(monitor->is_connected(), 0);
}

TEST_F(MonitorTest, EepromWriteEnableAndDisableSequences) {
    peer->Echo("f44").Reply("08").Echo("09").Echo("n80").Reply("00");
    EXPECT_EQ(monitor->enable_EEPROM_write(), 1);
    EXPECT_EQ(peer->purges, 1);
    peer->Echo("f44").Reply("09").Echo("08").Echo("n00").Reply("00");
    EXPECT_EQ(monitor->disable_EEPROM_write(), 1);
    EXPECT_EQ(peer->purges, 1);
    EXPECT_EQ(peer->Written(), "f4409n80f4408n00");
    EXPECT_TRUE(owner.messages.empty());
}

TEST_F(MonitorTest, EepromWriteEnableFailureIsShown) {
    Connect();
    peer->Echo("f44").Reply("08").Echo("09").Echo("n8");
    EXPECT_EQ(monitor->enable_EEPROM_write(), 0);
    const OwnerMessage expected{kReadWrtPrefix + "Comm. Readback Error: RX = NULL, expected '0'.\n",
                                "EEPROM Write Enable Error:", kMbIconStop | kMbTaskModal};
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], expected);
    EXPECT_EQ(monitor->is_connected(), 0);

    EXPECT_EQ(monitor->disable_EEPROM_write(), 0);
    ASSERT_EQ(owner.messages.size(), 2u);
    EXPECT_EQ(owner.messages[1].caption, "EEPROM Write Disable Error:");
}

TEST_F(MonitorTest, VersionRepliesGiveIdentityAndChangeBits) {
    peer->Echo("w00").Reply("34").Echo("v00").Reply("21");
    std::uint16_t device = 1, hardware = 1, firmware = 3, minor = 2;
    const int flags = monitor->read_version(&device, &hardware, &firmware, &minor);
    EXPECT_EQ(flags, 0x01 | 0x40 | 0x04);
    EXPECT_EQ(device, 2);
    EXPECT_EQ(hardware, 1);
    EXPECT_EQ(firmware, 3);
    EXPECT_EQ(minor, 4);
    EXPECT_EQ(peer->purges, 2);
}

TEST_F(MonitorTest, FirmwareMajorDigitOverridesMinorDirection) {
    peer->Echo("w00").Reply("29").Echo("v00").Reply("11");
    std::uint16_t device = 1, hardware = 2, firmware = 3, minor = 0;
    EXPECT_EQ(monitor->read_version(&device, &hardware, &firmware, &minor), 0x01 | 0x20 | 0x08);
}

TEST_F(MonitorTest, VersionQueryRejectsBadDigitsAndAssumesFirmwareOne) {
    peer->Echo("w00").Reply("34").Echo("v00").Reply("10");
    EXPECT_EQ(monitor->read_version(nullptr, nullptr, nullptr, nullptr), 0);

    ManualTimerService timers2;
    auto transport = std::make_unique<ScriptedPeer>();
    transport->Expect("w").Reply("?").Echo("v00").Reply("21"); // no 'w' command
    CTCS_Monitor old(std::move(transport), timers2);
    std::uint16_t firmware = 0, minor = 5;
    EXPECT_EQ(old.read_version(nullptr, nullptr, &firmware, &minor), 0x01 | 0x04);
    EXPECT_EQ(firmware, 1);
    EXPECT_EQ(minor, 0);
}

TEST_F(MonitorTest, ConnectionStateChoosesTimerPeriod) {
    EXPECT_TRUE(timers.IsRunning(CTCS_Monitor::kDefaultTimerId));
    EXPECT_EQ(timers.PeriodOf(CTCS_Monitor::kDefaultTimerId), 1000);

    monitor->set_connected(1); // nothing polled: the period stays
    EXPECT_EQ(timers.PeriodOf(CTCS_Monitor::kDefaultTimerId), 1000);
    monitor->set_connected(0);
    monitor->set_poll_item_counts(0, 3);
    monitor->set_connected(1);
    EXPECT_EQ(timers.PeriodOf(CTCS_Monitor::kDefaultTimerId), 100);
    monitor->set_connected(0);
    EXPECT_EQ(timers.PeriodOf(CTCS_Monitor::kDefaultTimerId), 1000);
    monitor->set_poll_item_counts(1, 3);
    monitor->set_update_periods(200, 40);
    monitor->set_connected(1);
    EXPECT_EQ(timers.PeriodOf(CTCS_Monitor::kDefaultTimerId), 40);
    monitor->set_connected(1); // no change, no notice
    EXPECT_EQ(owner.connectionStates, (std::vector<int>{1, 0, 1, 0, 1}));

    monitor->suspend();
    EXPECT_EQ(timers.PeriodOf(CTCS_Monitor::kDefaultTimerId), 8000);
    EXPECT_FALSE(peer->IsOpen());
    EXPECT_EQ(monitor->is_connected(), 1);
}

TEST_F(MonitorTest, TickWhileDisconnectedReopensAndChecks) {
    const int opensBefore = peer->opens;
    owner.checkController = [this] {
        monitor->set_connected(1);
        return 1;
    };
    timers.Advance(1000);
    EXPECT_EQ(peer->opens, opensBefore + 1);
    EXPECT_EQ(peer->purges, 2);
    // Connected but nothing polled: the same tick checks once more.
    EXPECT_EQ(owner.pollTicks, 1);
    EXPECT_EQ(owner.checks, 2);

    owner.pollResult = 1;
    timers.Advance(1000);
    EXPECT_EQ(owner.pollTicks, 2);
    EXPECT_EQ(owner.checks, 2);
    EXPECT_EQ(peer->opens, opensBefore + 1);
}

TEST_F(MonitorTest, FailedCheckEndsTheTick) {
    timers.Advance(3000);
    EXPECT_EQ(owner.checks, 3);
    EXPECT_EQ(owner.pollTicks, 0);
}

TEST_F(MonitorTest, NoTickDuringAnExchangeOrItsMessageBox) {
    Connect();
    int checksDuringBox = -1;
    owner.duringMessage = [&] {
        timers.Advance(5000); // the message box's loop dispatches timer ticks
        checksDuringBox = owner.checks;
    };
    peer->Echo("f4"); // the exchange breaks off; the failure box opens
    EXPECT_EQ(monitor->enable_EEPROM_write(), 0);
    EXPECT_EQ(checksDuringBox, 0);
    EXPECT_EQ(owner.pollTicks, 0);
    {
        CTCS_Monitor::Exchange transfer(*monitor);
        timers.Advance(5000);
        EXPECT_EQ(owner.checks, 0);
    }
    timers.Advance(1000);
    EXPECT_EQ(owner.checks, 1);
}

TEST_F(MonitorTest, ReopenPortClosesAndOpens) {
    const int closes = peer->closes;
    const int opens = peer->opens;
    peer->openResult = false;
    EXPECT_EQ(monitor->reopen_port(error, 9600), 0);
    EXPECT_EQ(error, "scripted open failure");
    EXPECT_EQ(peer->closes, closes + 1);
    EXPECT_EQ(peer->opens, opens + 1);
}

} // namespace
} // namespace vexa
