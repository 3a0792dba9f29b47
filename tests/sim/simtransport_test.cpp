// The in-process serial port on virtual time: pacing, the COM time-out rule, purge, faults.
#include "sim/simtransport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexa {
namespace {

struct Link {
    explicit Link(const SimOptions& options = {}) : transport(clock, options) {
        std::string error;
        EXPECT_EQ(transport.Open(error), 1) << error;
    }
    int Send(const std::string& text) {
        return transport.Write(reinterpret_cast<const std::uint8_t*>(text.data()),
                               static_cast<int>(text.size()));
    }
    std::string Receive(int n) {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(n));
        const int got = transport.Read(buffer.data(), n);
        return std::string(buffer.begin(), buffer.begin() + got);
    }
    ManualClock clock;
    SimTransport transport;
};

SimOptions AtBaud(int baud) {
    SimOptions options;
    options.baud = baud;
    return options;
}

TEST(SimTransport, EepromWriteExchangeOverThePort) {
    Link link;
    link.transport.Controller().Eeprom(0)[0x10] = 0x3F;
    for (const char* step : {"f4409", "n80", "f4400"}) {
        link.Send(step);
        link.Receive(static_cast<int>(std::string(step).size()) + 2);
    }
    // The exchange of a host that writes 0x5A over 0x3F at EEPROM address 0x10.
    const std::vector<std::pair<std::string, std::string>> exchange = {
        {"e", "e"}, {"1", "1"}, {"0", "03F"}, {"5", "5"},   {"A", "A"},
        {"", "c"},  {"e", "e"}, {"1", "1"},   {"0", "05A"},
    };
    for (const auto& [sent, expected] : exchange) {
        link.Send(sent);
        EXPECT_EQ(link.Receive(static_cast<int>(expected.size())), expected) << sent;
    }
}

TEST(SimTransport, BytesTakeTenBitsEachAtTheBaudRate) {
    Link link(AtBaud(9600));
    // 96 bytes of 10 bits at 9600 baud are 100 ms on the line; Write returns once sent.
    const std::string filler(96, 'Z');
    const std::int64_t start = link.clock.NowMs();
    EXPECT_EQ(link.Send(filler), 96);
    EXPECT_NEAR(static_cast<double>(link.clock.NowMs() - start), 100.0, 1.0);

    // A RAM read: 3 bytes out; the echoes and the 2 reply digits come back behind them.
    link.transport.Controller().SetRam(0x45, 0x3C);
    const std::int64_t before = link.clock.NowMs();
    link.Send("f45");
    EXPECT_EQ(link.Receive(5), "f453C");
    // Each echo trails its byte by one byte time, the 2 digits follow the last echo:
    // 3 + 1 + 2 byte times, 6.25 ms.
    EXPECT_NEAR(static_cast<double>(link.clock.NowMs() - before), 6.25, 1.0);
}

TEST(SimTransport, ReadKeepsTheComTimeOutRule) {
    struct Case {
        const char* what;
        std::string send;
        int n;
        std::string expected;
        std::int64_t elapsedMs;
    };
    const std::vector<Case> cases = {
        {"silent line: 100 ms + 3 x 5 ms", "", 3, "", 115},
        {"all bytes there: at once", "v00", 5, "v0021", 0},
        {"short reply: 50 ms after the last byte", "v00", 8, "v0021", 50},
        {"fewer wanted than buffered: at once", "v00", 2, "v0", 0},
    };
    for (const Case& c : cases) {
        Link link;
        link.Send(c.send);
        const std::int64_t start = link.clock.NowMs();
        EXPECT_EQ(link.Receive(c.n), c.expected) << c.what;
        EXPECT_EQ(link.clock.NowMs() - start, c.elapsedMs) << c.what;
    }
}

TEST(SimTransport, EepromAcknowledgeWaitsForTheProgrammingTime) {
    SimOptions options;
    options.eepromWriteMs = 30;
    Link link(options);
    link.Send("e10");
    ASSERT_EQ(link.Receive(5), "e10FF");
    link.Send("5A");
    ASSERT_EQ(link.Receive(2), "5A");
    const std::int64_t start = link.clock.NowMs();
    EXPECT_EQ(link.Receive(1), "c");
    EXPECT_EQ(link.clock.NowMs() - start, 30);
}

TEST(SimTransport, PurgeDropsWhatArrivedButNotWhatIsStillOnTheWire) {
    Link link(AtBaud(9600));
    link.Send("v00"); // sent by ~3.1 ms; echoes trail by one byte time
    link.clock.Advance(1);
    link.transport.Purge(); // drops the bytes that have arrived by now
    const std::string rest = link.Receive(5);
    EXPECT_LT(rest.size(), 5u);
    EXPECT_FALSE(rest.empty());
    EXPECT_EQ(rest, std::string("v0021").substr(5 - rest.size()));
}

TEST(SimTransport, ClosedPortCarriesNothing) {
    Link link;
    link.transport.Close();
    EXPECT_EQ(link.Send("v00"), 0);
    EXPECT_EQ(link.Receive(3), "");
    EXPECT_EQ(link.clock.NowMs(), 0);
}

// A fixed conversation, recorded with the time each answer came.
std::vector<std::string> Conversation(const SimOptions& options) {
    Link link(options);
    std::vector<std::string> record;
    for (int round = 0; round < 20; ++round) {
        for (const char* command : {"v00", "w00", "f2F", "f2C", "e05"}) {
            link.transport.Purge();
            link.Send(command);
            record.push_back(link.Receive(5) + "@" + std::to_string(link.clock.NowMs()));
        }
    }
    return record;
}

TEST(SimTransport, FaultsReplayFromTheSeed) {
    SimOptions options = AtBaud(9600);
    std::string error;
    ASSERT_TRUE(ParseFaultSpec("drop=0.03,change=0.03,delay=0.03:30", options.faults, error));
    options.seed = 42;
    const auto first = Conversation(options);
    EXPECT_EQ(Conversation(options), first);

    options.seed = 43;
    EXPECT_NE(Conversation(options), first);
    EXPECT_NE(Conversation(AtBaud(9600)), first); // the faults did strike
}

TEST(SimTransport, FlipAtChangesExactlyThatControllerByte) {
    SimOptions options;
    options.faults.flipAt = 6; // the second reply's "0" (0x30) arrives as "1"
    Link link(options);
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "v0021");
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "v1021");
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "v0021");
}

TEST(SimTransport, ControllerFallsSilentAndRestarts) {
    SimOptions options;
    options.faults.silentAfter = 7;
    options.faults.silentForMs = 1000;
    Link link(options);
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "v0021");
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "v0"); // 7 bytes, then nothing
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "");
    link.clock.Advance(1000);
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "v0021");
}

TEST(SimTransport, UnpluggedPortFailsToOpenUntilPluggedInAgain) {
    SimOptions options;
    options.faults.unplugAfter = 5;
    options.faults.replugAfterMs = 2000;
    Link link(options);
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "v0021");
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "");
    EXPECT_EQ(link.Send("v00"), 0);

    link.transport.Close();
    std::string error;
    EXPECT_EQ(link.transport.Open(error), 0);
    EXPECT_EQ(error, "The virtual controller is unplugged.");
    link.clock.Advance(2000);
    EXPECT_EQ(link.transport.Open(error), 1);
    EXPECT_EQ(error, "");
    link.Send("v00");
    EXPECT_EQ(link.Receive(5), "v0021");
}

} // namespace
} // namespace vexa
