// The controller's answers byte by byte, as the host sees them on the wire.
#include "sim/virtualcontroller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexa {
namespace {

using Bytes = std::string;

// Feeds the host's bytes one by one and returns, for each, what the controller answered.
std::vector<Bytes> Talk(VirtualController& controller, const Bytes& host, std::int64_t atUs = 0) {
    std::vector<Bytes> answers;
    for (char c : host) {
        std::vector<TimedByte> out;
        controller.Receive(static_cast<std::uint8_t>(c), atUs, out);
        Bytes answer;
        for (const TimedByte& byte : out)
            answer.push_back(static_cast<char>(byte.value));
        answers.push_back(answer);
    }
    return answers;
}

// Everything the controller answered to the host's bytes, in one text.
Bytes Joined(VirtualController& controller, const Bytes& host) {
    Bytes all;
    for (const Bytes& answer : Talk(controller, host))
        all += answer;
    return all;
}

SimOptions Layout(int nvmType) {
    SimOptions options;
    options.layout.nvmType = nvmType;
    return options;
}

void EnableWrites(VirtualController& controller) {
    Joined(controller, "f4409");
    EXPECT_EQ(Joined(controller, "n80"), "n8000");
    EXPECT_TRUE(controller.EepromWriteEnabled());
}

TEST(VirtualController, RamReadEchoesEachCharacterThenAnswersTheByte) {
    VirtualController controller;
    controller.SetRam(0x45, 0x3C);
    EXPECT_EQ(Talk(controller, "f45"), (std::vector<Bytes>{"f", "4", "53C"}));
}

TEST(VirtualController, RamWriteAnswersThePreviousValueAndStoresTheData) {
    VirtualController controller;
    controller.SetRam(0x45, 0x01);
    EXPECT_EQ(Talk(controller, "f4500"), (std::vector<Bytes>{"f", "4", "501", "0", "0"}));
    EXPECT_EQ(controller.Ram(0x45), 0x00);
}

TEST(VirtualController, EepromWriteWithReadBack) {
    VirtualController controller;
    EnableWrites(controller);
    EXPECT_EQ(Joined(controller, "f4400"), "f4409"
                                           "00"); // page select: table 1
    controller.Eeprom(0)[0x10] = 0x3F;

    std::vector<TimedByte> out;
    std::vector<Bytes> answers;
    for (char c : Bytes("e105A")) {
        out.clear();
        controller.Receive(static_cast<std::uint8_t>(c), 1000, out);
        answers.emplace_back();
        for (const TimedByte& byte : out)
            answers.back().push_back(static_cast<char>(byte.value));
    }
    EXPECT_EQ(answers, (std::vector<Bytes>{"e", "1", "03F", "5", "Ac"}));
    // The `c` waits for the EEPROM programming time.
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].readyUs, 1000);
    EXPECT_EQ(out[1].readyUs, 1000 + SimOptions{}.eepromWriteMs * 1000);

    EXPECT_EQ(Talk(controller, "e10"), (std::vector<Bytes>{"e", "1", "05A"}));
    EXPECT_EQ(controller.Eeprom(0)[0x10], 0x5A);
    EXPECT_EQ(controller.Eeprom(1)[0x10], 0xFF);
}

TEST(VirtualController, EepromIgnoresWritesOutsideTheEnableSequence) {
    VirtualController controller;
    // Not enabled yet: acknowledged, not stored.
    EXPECT_EQ(Joined(controller, "e1022"), "e10FF22c");
    EXPECT_EQ(controller.Eeprom(0)[0x10], 0xFF);

    // `n` 0x80 enables only after 0x09 in MEHIADR.
    EXPECT_EQ(Joined(controller, "f4408n80"), "f440008n8000");
    EXPECT_FALSE(controller.EepromWriteEnabled());
    EnableWrites(controller);
    EXPECT_EQ(Joined(controller, "f4400e1022"), "f440900e10FF22c");
    EXPECT_EQ(controller.Eeprom(0)[0x10], 0x22);

    // Disable: 0x08, then `n` at 0x00.
    EXPECT_EQ(Joined(controller, "f4408n00"), "f440008n0000");
    EXPECT_FALSE(controller.EepromWriteEnabled());
    EXPECT_EQ(Joined(controller, "e1033"), "e102233c");
    EXPECT_EQ(controller.Eeprom(0)[0x10], 0x22);
}

TEST(VirtualController, TableSelectedByMehiadrAndLinearAccessWithL) {
    VirtualController controller;
    controller.Eeprom(0)[0x05] = 0x11;
    controller.Eeprom(1)[0x05] = 0x22;
    EnableWrites(controller);

    EXPECT_EQ(Joined(controller, "f4401e05"), "f440901e0522");
    EXPECT_EQ(controller.SelectedTable(), 1);
    EXPECT_EQ(Joined(controller, "e0533"), "e052233c");
    EXPECT_EQ(controller.Eeprom(1)[0x05], 0x33);
    EXPECT_EQ(controller.Eeprom(0)[0x05], 0x11);

    // `l` takes three digits: table 1 from 0x000, table 2 from 0x100.
    EXPECT_EQ(Joined(controller, "l005"), "l00511");
    EXPECT_EQ(Joined(controller, "l105"), "l10533");
    EXPECT_EQ(Joined(controller, "l205"), "l205FF");
}

TEST(VirtualController, VersionRepliesCarryTheIdentityDigits) {
    SimOptions options;
    options.identity = {2, 1, 3, 4};
    VirtualController controller(options);
    EXPECT_EQ(Talk(controller, "w00"), (std::vector<Bytes>{"w", "0", "034"}));
    EXPECT_EQ(Talk(controller, "v00"), (std::vector<Bytes>{"v", "0", "021"}));

    // Firmware that predates the query ignores `w` and the digits after it.
    options.answersFirmwareQuery = false;
    VirtualController old(options);
    EXPECT_EQ(Joined(old, "w00"), "");
    EXPECT_EQ(Joined(old, "v00"), "v0021");
}

TEST(VirtualController, AddressDigitsFollowTheLayout) {
    struct Case {
        int nvmType;
        Bytes command;
        int address;
    };
    for (const Case& c : {Case{0, "f45", 0x45}, Case{1, "f045", 0x45}, Case{2, "f1045", 0x1045}}) {
        VirtualController controller(Layout(c.nvmType));
        controller.SetRam(c.address, 0xA5);
        EXPECT_EQ(Joined(controller, c.command), c.command + "A5") << c.nvmType;
    }
}

TEST(VirtualController, LetterInsteadOfDigitStartsTheNextCommand) {
    VirtualController controller;
    controller.SetRam(0x45, 0x12);
    // A read needs no data: the next letter is a new command.
    EXPECT_EQ(Joined(controller, "f45w00"), "f4512w0034");
    // Abandoned halfway: `f4` then `v00`.
    EXPECT_EQ(Joined(controller, "f4v00"), "f4v0021");
    // Bytes outside a command are not echoed.
    EXPECT_EQ(Joined(controller, "\r\nZ5"), "");
}

// A frame of 4 bytes at 0x200, three of them escaped; the checksum by hand:
// 'u' 0x75 + 0x02 + 0x00 + n 0x03 + 0x00 + 0xFE + 0x77 + 0x41 + end 0x77 = 0x02A7.
const Bytes kFrame =
    Bytes("u20003") + Bytes("\xFE\x01\xFE\x02\xFE\x03\x41", 7) + Bytes("\xFE\x03\xA7\x02", 4);

TEST(VirtualController, UFrameWithEscapesIsEchoedAndStored) {
    VirtualController controller;
    EXPECT_EQ(Joined(controller, kFrame), kFrame + "c");
    EXPECT_EQ(controller.Ram(0x200), 0x00);
    EXPECT_EQ(controller.Ram(0x201), 0xFE);
    EXPECT_EQ(controller.Ram(0x202), 0x77);
    EXPECT_EQ(controller.Ram(0x203), 0x41);
    EXPECT_TRUE(controller.Idle());
}

TEST(VirtualController, UFrameFaultsAreEchoedThenRejected) {
    struct Case {
        const char* what;
        Bytes frame;
    };
    Bytes badChecksum = kFrame;
    badChecksum[badChecksum.size() - 2] = '\xA8';
    Bytes badEscape = kFrame;
    badEscape[7] = '\x04';
    Bytes badEnd = Bytes("u20000") + "A" + Bytes("\xFE\x02", 2) + "\x3E\x01";
    for (const Case& c :
         {Case{"checksum", badChecksum}, Case{"escape", badEscape}, Case{"end marker", badEnd}}) {
        VirtualController controller;
        EXPECT_EQ(Joined(controller, c.frame), c.frame + "?") << c.what;
        EXPECT_EQ(controller.Ram(0x200), 0x00) << c.what;
        EXPECT_EQ(controller.Ram(0x203), 0x00) << c.what;
        EXPECT_TRUE(controller.Idle()) << c.what;
    }
}

TEST(VirtualController, RawAbortByteEndsAFrame) {
    VirtualController controller;
    EXPECT_EQ(Joined(controller, "u20003AB\x77"), "u20003AB\x77");
    EXPECT_TRUE(controller.Idle());
    EXPECT_EQ(controller.Ram(0x200), 0x00);
    EXPECT_EQ(Joined(controller, "v00"), "v0021");
}

TEST(VirtualController, FourDigitFramesOnTheWideLayout) {
    VirtualController controller(Layout(2));
    // 'u' + 0x11 + 0x00 + 0x00 + 0x5A + 0x77 = 0x157.
    const Bytes frame = Bytes("u110000") + "\x5A" + Bytes("\xFE\x03\x57\x01", 4);
    EXPECT_EQ(Joined(controller, frame), frame + "c");
    EXPECT_EQ(controller.Ram(0x1100), 0x5A);
}

TEST(VirtualController, DReplyIsEscapedAndCheckSummed) {
    VirtualController controller;
    controller.SetRam(0x300, 0x10);
    controller.SetRam(0x301, 0x00);
    controller.SetRam(0x302, 0x77);
    // 'd' 0x64 + 0x03 + 0x00 + n 0x02 + 0x10 + 0x00 + 0x77 + end 0x77 = 0x0167.
    const Bytes expected = Bytes("d30002") + "\x10" + Bytes("\xFE\x01\xFE\x03", 4) +
                           Bytes("\xFE\x03\x67\x01", 4) + "c";
    EXPECT_EQ(Joined(controller, "d30002"), expected);
}

TEST(VirtualController, DReadsWhatUWrote) {
    VirtualController controller;
    ASSERT_EQ(Joined(controller, kFrame), kFrame + "c");
    // 'd' 0x64 + 0x02 + 0x00 + 0x03 + data 0x1B6 + end 0x77 = 0x0296.
    const Bytes expected = Bytes("d20003") + Bytes("\xFE\x01\xFE\x02\xFE\x03\x41", 7) +
                           Bytes("\xFE\x03\x96\x02", 4) + "c";
    EXPECT_EQ(Joined(controller, "d20003"), expected);
}

SimOptions FlashOptions() {
    SimOptions options = Layout(1);
    options.layout.bufferStart = 0x200;
    options.layout.bufferSize = 512;
    options.layout.flashBlockSize = 64;
    return options;
}

TEST(VirtualController, BProgramsFlashBlocksFromTheBuffer) {
    VirtualController controller(FlashOptions());
    for (int i = 0; i < 128; ++i)
        controller.SetRam(0x200 + i, static_cast<std::uint8_t>(i + 1));
    EXPECT_EQ(Talk(controller, "b05001"), (std::vector<Bytes>{"b", "0", "5", "0", "0", "1c"}));
    // Block 0x50 of 64 bytes starts at 0x1400; two blocks were programmed.
    EXPECT_EQ(controller.Flash()[0x1400], 1);
    EXPECT_EQ(controller.Flash()[0x147F], 128);
    EXPECT_EQ(controller.Flash()[0x1480], 0xFF);
}

TEST(VirtualController, BThatFailsVerificationReportsTheAddress) {
    SimOptions options = FlashOptions();
    options.faults.badFlashAddress = 0x1410;
    VirtualController controller(options);
    for (int i = 0; i < 128; ++i)
        controller.SetRam(0x200 + i, 0x5A);
    EXPECT_EQ(Talk(controller, "b05001"), (std::vector<Bytes>{"b", "0", "5", "0", "0", "1?1410"}));
    // The abort byte that follows is taken like any `w`.
    EXPECT_EQ(Joined(controller, "w"), "w");
    EXPECT_EQ(Joined(controller, "f045"), "f04500");
}

TEST(VirtualController, RefusedBProgramsNothingAndTheNextOneIsTaken) {
    SimOptions options = FlashOptions();
    options.faults.refuseFlashWrites = 1;
    VirtualController controller(options);
    controller.SetRam(0x200, 0x5A);
    EXPECT_EQ(Joined(controller, "b05000"), "b05000?1400");
    EXPECT_EQ(controller.Flash()[0x1400], 0xFF);
    EXPECT_EQ(Joined(controller, "w"), "w");
    EXPECT_EQ(Joined(controller, "b05000"), "b05000c");
    EXPECT_EQ(controller.Flash()[0x1400], 0x5A);
}

TEST(VirtualController, BadEepromByteKeepsItsValue) {
    SimOptions options;
    options.faults.badEepromAddress = 0x10;
    VirtualController controller(options);
    EnableWrites(controller); // table 2 selected by the enable code
    EXPECT_EQ(Joined(controller, "e105A"), "e10FF5Ac");
    EXPECT_EQ(Joined(controller, "e115A"), "e11FF5Ac");
    EXPECT_EQ(controller.Eeprom(1)[0x10], 0xFF);
    EXPECT_EQ(controller.Eeprom(1)[0x11], 0x5A);
}

TEST(VirtualController, FlashCommandsOutsideFlashOrBufferAreRejected) {
    VirtualController controller(FlashOptions());
    // 1024 blocks of 64 bytes: block 0x3FF is the last one.
    EXPECT_EQ(Joined(controller, "b3FF00"), "b3FF00c");
    EXPECT_EQ(Joined(controller, "b3FF01"), "b3FF01?10000");
    EXPECT_EQ(Joined(controller, "r40000"), "r40000?");
    // Nine blocks do not fit the 512-byte buffer.
    EXPECT_EQ(Joined(controller, "b00008"), "b00008?0200");
}

TEST(VirtualController, RCopiesFlashIntoTheBuffer) {
    VirtualController controller(FlashOptions());
    controller.Flash()[0x1400] = 0x42;
    controller.Flash()[0x143F] = 0x43;
    EXPECT_EQ(Joined(controller, "r05000"), "r05000c");
    EXPECT_EQ(controller.Ram(0x200), 0x42);
    EXPECT_EQ(controller.Ram(0x23F), 0x43);
    EXPECT_EQ(controller.Ram(0x240), 0x00);
}

TEST(VirtualController, AbortByteEndsAFlashCommandHalfway) {
    VirtualController controller(FlashOptions());
    EXPECT_EQ(Joined(controller, "b050w"), "b050w");
    EXPECT_EQ(Joined(controller, "r05000"), "r05000c");
    EXPECT_EQ(controller.Flash()[0x1400], 0xFF);
}

TEST(VirtualController, LiveValuesSitAtTheRamSymbols) {
    VirtualController controller;
    controller.PowerOn(0);
    auto read = [&controller](const Bytes& address, std::int64_t atMs) {
        std::vector<TimedByte> out;
        for (char c : "f" + address)
            controller.Receive(static_cast<std::uint8_t>(c), atMs * 1000, out);
        const Bytes text{static_cast<char>(out[out.size() - 2].value),
                         static_cast<char>(out.back().value)};
        return std::stoi(text, nullptr, 16);
    };
    // Standing in first gear.
    EXPECT_EQ(read("2F", 5000), 1);    // GEAR
    EXPECT_EQ(read("38", 5000), 1);    // VSTOP
    EXPECT_EQ(read("52", 5000), 0);    // VSSFRQ
    EXPECT_EQ(read("31", 5000), 0xFF); // VSS_NEW_H: no pulses
    // Cruising in fourth with the converter clutch applied.
    EXPECT_EQ(read("2F", 60000), 4);
    EXPECT_EQ(read("30", 60000), 3); // OLDGEAR
    EXPECT_EQ(read("36", 60000), 1); // CCLUTCH
    EXPECT_NEAR(read("52", 60000), 100, 3);
    EXPECT_GT(read("2C", 20000), read("2C", 60000)); // TPS: more throttle pulling away
    EXPECT_GT(read("7C", 600000), read("7C", 0));    // ECT warms up
    EXPECT_EQ(read("A1", 0), 250);                   // VREF 5.00 V
}

} // namespace
} // namespace vexa
