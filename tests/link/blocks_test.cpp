// Framed block commands (u, d) and the flash commands (b, r) against a scripted controller.
#include "link/tcs_monitor.h"
#include "recordingowner.h"
#include "scriptedpeer.h"

#include <gtest/gtest.h>

#include <numeric>

namespace vexa {
namespace {

using testing::RecordingOwner;
using testing::ScriptedPeer;

std::string Bytes(std::initializer_list<int> values) {
    std::string text;
    for (int v : values)
        text.push_back(static_cast<char>(v));
    return text;
}

// Records the size of every write, to see how a frame is cut into pieces.
class PieceRecorder : public ScriptedPeer {
public:
    int Write(const std::uint8_t* source, int n) override {
        pieces.push_back(n);
        return ScriptedPeer::Write(source, n);
    }
    std::vector<int> pieces;
};

class BlockTest : public ::testing::Test {
protected:
    BlockTest() {
        auto transport = std::make_unique<PieceRecorder>();
        peer = transport.get();
        monitor = std::make_unique<CTCS_Monitor>(std::move(transport), timers);
        monitor->set_document(&owner);
        monitor->set_addressing_modes(1);
    }

    ManualTimerService timers;
    RecordingOwner owner;
    PieceRecorder* peer = nullptr;
    std::unique_ptr<CTCS_Monitor> monitor;
    std::string status = "Writing controller NVM table 1";
};

TEST_F(BlockTest, EscapedBytesTravelAsPairsAndCountInTheChecksumPlain) {
    const std::vector<std::uint8_t> data = {0x00, 0xFE, 0x77, 0x41};
    // u 200 03, data escaped, end marker FE 03, checksum 0x02A7 low byte first:
    // 0x75 + 0x02 + 0x00 + 0x03 + 0x00 + 0xFE + 0x77 + 0x41 + 0x77 = 0x2A7.
    const std::string frame = "u20003" + Bytes({0xFE, 0x01, 0xFE, 0x02, 0xFE, 0x03, 0x41}) +
                              Bytes({0xFE, 0x03, 0xA7, 0x02});
    peer->Echo(frame).Reply("c");
    EXPECT_EQ(monitor->write_block(data, 0, 0x200, 4, 1, status), 0);
    EXPECT_EQ(peer->Written(), frame);
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
    EXPECT_EQ(status, "Writing controller NVM table 1.");
    EXPECT_EQ(owner.statusTexts, (std::vector<std::string>{"Writing controller NVM table 1"}));
}

TEST_F(BlockTest, ChecksumBytesAreEscapedToo) {
    // 0x75 + 0x00 + 0x10 + 0x00 + 0x02 + 0x77 = 0x00FE: both checksum bytes need escapes.
    const std::vector<std::uint8_t> data = {0x02};
    const std::string frame = "u01000" + Bytes({0x02, 0xFE, 0x03, 0xFE, 0x02, 0xFE, 0x01});
    peer->Echo(frame).Reply("c");
    EXPECT_EQ(monitor->write_block(data, 0, 0x010, 1, 1, status), 0);
    EXPECT_EQ(peer->Written(), frame);
}

TEST_F(BlockTest, FullFrameIsSentInPiecesWhileItsEchoComesBack) {
    struct Case {
        const char* name;
        bool usb;
        int nvmType;
        std::vector<int> pieces;
    };
    const Case cases[] = {
        {"COM port, NVM type 1", false, 1, {250, 16}},
        {"COM port, NVM type 2", false, 2, {267}},
        {"USB", true, 1, {62, 62, 62, 62, 18}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ManualTimerService timers2;
        auto transport = std::make_unique<PieceRecorder>();
        PieceRecorder& line = *transport;
        line.usb = c.usb;
        CTCS_Monitor m(std::move(transport), timers2);
        m.set_addressing_modes(c.nvmType);
        const std::vector<std::uint8_t> data(256, 0x41);
        // 256 x 0x41 + 'u' + 0x02 + 0x00 + 0xFF + 0x77 = 0x42ED, in both address forms.
        const std::string address = c.nvmType == 2 ? "0200" : "200";
        const std::string frame =
            "u" + address + "FF" + std::string(256, 'A') + Bytes({0xFE, 0x03, 0xED, 0x42});
        EXPECT_EQ(frame.size(), c.nvmType == 2 ? 267u : 266u);
        line.Echo(frame).Reply("c");
        std::string text;
        EXPECT_EQ(m.write_block(data, 0, 0x200, 256, c.nvmType, text), 0);
        EXPECT_EQ(line.pieces, c.pieces);
        EXPECT_TRUE(line.Done()) << line.mismatch;
        EXPECT_EQ(line.Unread(), 0u); // 267 (or 268) bytes read back, the last one 'c'
    }
}

TEST_F(BlockTest, StatusGrowsOneDotPerTwentyBytes) {
    const std::vector<std::uint8_t> data(60, 0x41);
    const std::string frame = "u20027" + std::string(40, 'A') + Bytes({0xFE, 0x03});
    peer->Expect(frame.substr(0, 6)); // header only; the rest of the frame gets no echo
    monitor->write_block(data, 20, 0x200, 40, 1, status);
    EXPECT_EQ(status, "Writing controller NVM table 1..");
    EXPECT_EQ(owner.statusTexts.size(), 2u);
}

TEST_F(BlockTest, WriteBlockFailures) {
    const std::vector<std::uint8_t> data = {0x41, 0x42};
    // 0x75 + 2 + 0 + 1 + 0x41 + 0x42 + 0x77 = 0x172
    const std::string frame = "u20001AB" + Bytes({0xFE, 0x03, 0x72, 0x01});

    peer->Expect(frame); // no echo at all
    EXPECT_EQ(monitor->write_block(data, 0, 0x200, 2, 1, status), 0xFF);

    ManualTimerService timers2;
    auto changed = std::make_unique<ScriptedPeer>();
    std::string bad = frame;
    bad[6] = 'X';
    changed->Expect(frame).Reply(bad + "c");
    CTCS_Monitor m2(std::move(changed), timers2);
    m2.set_addressing_modes(1);
    EXPECT_EQ(m2.write_block(data, 0, 0x200, 2, 1, status), 1);

    ManualTimerService timers3;
    auto noEnd = std::make_unique<ScriptedPeer>();
    noEnd->Echo(frame).Reply("x");
    CTCS_Monitor m3(std::move(noEnd), timers3);
    m3.set_addressing_modes(1);
    EXPECT_EQ(m3.write_block(data, 0, 0x200, 2, 1, status), 1);
}

TEST_F(BlockTest, BlockRangeOutsideTheBufferSendsNothing) {
    const std::vector<std::uint8_t> data(10, 1);
    std::vector<std::uint8_t> into(10, 0);
    EXPECT_EQ(monitor->write_block(data, 5, 0x200, 6, 1, status), 1);
    EXPECT_EQ(monitor->read_block(into, 0, 0x200, 11, status), 0x1000);
    EXPECT_EQ(peer->Written(), "");
}

// A 'd' reply: the header's echo, the escaped data, end marker, checksum and 'c'.
std::string ReadReply(const std::string& header, const std::string& data, const std::string& end,
                      int checksum) {
    std::string reply = header + data + end;
    for (std::uint8_t b :
         {static_cast<std::uint8_t>(checksum & 0xFF), static_cast<std::uint8_t>(checksum >> 8)}) {
        if (b == 0x00 || b == 0xFE || b == 0x77)
            reply += Bytes({0xFE, b == 0x00 ? 0x01 : b == 0xFE ? 0x02 : 0x03});
        else
            reply.push_back(static_cast<char>(b));
    }
    return reply + "c";
}

TEST_F(BlockTest, ReadBlockUnescapesAndVerifies) {
    // 'd' + 2 + 0 + 3 + (0x00 + 0xFE + 0x77 + 0x41) + 0x77 = 0x296
    const std::string data = Bytes({0xFE, 0x01, 0xFE, 0x02, 0xFE, 0x03, 0x41});
    struct Case {
        const char* name;
        std::string reply;
        int result;
    };
    const Case cases[] = {
        {"escaped end marker", ReadReply("d20003", data, Bytes({0xFE, 0x03}), 0x296), 0},
        {"raw end marker", ReadReply("d20003", data, Bytes({0x77}), 0x296), 0},
        {"wrong checksum", ReadReply("d20003", data, Bytes({0x77}), 0x297), 0xF000},
        {"wrong end marker", ReadReply("d20003", data, Bytes({0x78}), 0x296), 0xF000},
        {"no completion byte", "d20003" + data + Bytes({0x77, 0x96, 0x02}) + "x", 0x2000},
        {"bad escape", "d20003" + Bytes({0xFE, 0x05}), 0x2000},
        {"wrong header echo", ReadReply("d20103", data, Bytes({0x77}), 0x296), 0x1000},
        {"silence", "", 0x1000},
        {"data cut short", "d20003" + Bytes({0xFE, 0x01, 0x41}), 0x1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ManualTimerService timers2;
        auto transport = std::make_unique<ScriptedPeer>();
        transport->Expect("d20003").Reply(c.reply);
        CTCS_Monitor m(std::move(transport), timers2);
        m.set_addressing_modes(1);
        std::vector<std::uint8_t> into(6, 0x55);
        std::string text;
        EXPECT_EQ(m.read_block(into, 1, 0x200, 4, text), c.result);
        if (c.result == 0) {
            EXPECT_EQ(into, (std::vector<std::uint8_t>{0x55, 0x00, 0xFE, 0x77, 0x41, 0x55}));
        }
    }
}

TEST_F(BlockTest, FlashWrite) {
    peer->Echo("b0500").Echo("7").Reply("c");
    std::string error = "old";
    EXPECT_EQ(monitor->write_flash(0x50, 8, error), 0);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
}

TEST_F(BlockTest, FlashWriteClampsBlockAndCount) {
    peer->Echo("bFFF").Echo("FF").Reply("c");
    std::string error;
    EXPECT_EQ(monitor->write_flash(0x12345, 1000, error), 0);
    EXPECT_EQ(peer->Written(), "bFFFFF");
}

TEST_F(BlockTest, FlashWriteVerificationFailureNamesTheAddress) {
    peer->Echo("b0500").Echo("7").Reply("X1A2B").Expect("w");
    std::string error;
    EXPECT_EQ(monitor->write_flash(0x50, 8, error), 0xFF);
    EXPECT_EQ(error, "Flash memory write verification failed at address 0x1A2B");
    EXPECT_TRUE(peer->Done()) << peer->mismatch; // the abort byte was sent
}

TEST_F(BlockTest, FlashWriteNotStarted) {
    peer->Expect("b0500").Reply("b05").Expect("w");
    std::string error;
    EXPECT_EQ(monitor->write_flash(0x50, 8, error), 1);
    EXPECT_EQ(error, "Could not invoke flash memory write due to communication error.");
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
}

TEST_F(BlockTest, FlashRead) {
    peer->Echo("r0500").Echo("7").Reply("c");
    std::string error;
    EXPECT_EQ(monitor->read_flash(0x50, 8, error), 0);

    peer->Expect("r0500").Reply("r050").Expect("w").Reply("z");
    EXPECT_EQ(monitor->read_flash(0x50, 8, error), 1);
    EXPECT_EQ(error, "Could not read flash memory due to a communication error.");
    EXPECT_TRUE(peer->Done()) << peer->mismatch;
    EXPECT_EQ(peer->Unread(), 0u); // the byte after the abort was read and dropped
}

// A bit flipped on the way makes the controller see "b...": the character that would
// start programming is never sent, the abort is.
TEST_F(BlockTest, FlashReadThatArrivesAsAWriteIsAbortedBeforeItRuns) {
    peer->Expect("r0500").Reply("b0500").Expect("w").Reply("w");
    std::string error;
    EXPECT_EQ(monitor->read_flash(0x50, 8, error), 1);
    EXPECT_EQ(peer->Written(), "r0500w");
    EXPECT_EQ(error, "Could not read flash memory due to a communication error.");
}

} // namespace
} // namespace vexa
