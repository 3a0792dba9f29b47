// The tracing wrapper: one line per call with time, direction, hex and printable bytes.
#include "link/tracingtransport.h"
#include "scriptedpeer.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(TracingTransport, OneLinePerCallInBothDirections) {
    ManualClock clock;
    auto peer = std::make_unique<testing::ScriptedPeer>();
    peer->Echo("f45").Reply(std::string("3\x01", 2));
    std::vector<std::string> lines;
    TracingTransport trace(
        std::move(peer), [&](const std::string& line) { lines.push_back(line); }, clock);
    std::string error;
    ASSERT_EQ(trace.Open(error), 1);
    clock.Advance(1234);
    const std::uint8_t command[] = {'f', '4', '5'};
    EXPECT_EQ(trace.Write(command, 3), 3);
    std::uint8_t reply[8] = {};
    EXPECT_EQ(trace.Read(reply, 8), 5);
    trace.Purge();
    trace.Close();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "    0.000 open ok");
    EXPECT_EQ(lines[1], "    1.234 TX   3/3   ms=0    66 34 35  |f45|");
    EXPECT_EQ(lines[2], "    1.234 RX   5/8   ms=0    66 34 35 33 01  |f453.|");
    EXPECT_EQ(lines[3], "    1.234 purge");
    EXPECT_EQ(lines[4], "    1.234 close");
}

TEST(TracingTransport, ShortWritesAndEmptyReadsAreVisible) {
    ManualClock clock;
    auto peer = std::make_unique<testing::ScriptedPeer>();
    peer->writeFails = true;
    std::vector<std::string> lines;
    TracingTransport trace(
        std::move(peer), [&](const std::string& line) { lines.push_back(line); }, clock);
    const std::uint8_t byte = 'w';
    EXPECT_EQ(trace.Write(&byte, 1), 0);
    std::uint8_t in = 0;
    EXPECT_EQ(trace.Read(&in, 1), 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "    0.000 TX   1/1   ms=0    77  |w|  (written 0)");
    EXPECT_EQ(lines[1], "    0.000 RX   0/1   ms=0   ");
}

} // namespace
} // namespace vexa
