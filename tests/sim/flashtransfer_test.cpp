// A whole flash table written and read back through the RAM buffer, as a host does it:
// framed `u` into the buffer, `b` into flash, then `r` and framed `d` back out.
#include "sim/simtransport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexa {
namespace {

using Bytes = std::vector<std::uint8_t>;

void AppendEscaped(Bytes& frame, std::uint8_t value) {
    if (value == 0x00 || value == 0xFE || value == 0x77) {
        frame.push_back(0xFE);
        frame.push_back(value == 0x00 ? 0x01 : value == 0xFE ? 0x02 : 0x03);
    } else {
        frame.push_back(value);
    }
}

std::string Hex(unsigned value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        text.push_back(kDigits[(value >> shift) & 0xF]);
    return text;
}

// A `u` frame or a `d` header with a 3-digit address.
Bytes Header(char letter, unsigned address, std::size_t count, std::uint16_t& checksum) {
    const std::string text = letter + Hex(address, 3) + Hex(static_cast<unsigned>(count - 1), 2);
    checksum = static_cast<std::uint16_t>(static_cast<unsigned char>(letter) + (address >> 8) +
                                          (address & 0xFF) + count - 1);
    return Bytes(text.begin(), text.end());
}

Bytes UFrame(unsigned address, const Bytes& data) {
    std::uint16_t checksum = 0;
    Bytes frame = Header('u', address, data.size(), checksum);
    for (std::uint8_t value : data) {
        AppendEscaped(frame, value);
        checksum = static_cast<std::uint16_t>(checksum + value);
    }
    checksum = static_cast<std::uint16_t>(checksum + 0x77);
    AppendEscaped(frame, 0x77);
    AppendEscaped(frame, static_cast<std::uint8_t>(checksum & 0xFF));
    AppendEscaped(frame, static_cast<std::uint8_t>(checksum >> 8));
    return frame;
}

struct Host {
    Host() : transport(clock, Options()) {
        std::string error;
        transport.Open(error);
    }
    static SimOptions Options() {
        SimOptions options;
        options.baud = 9600;
        options.layout = {1, 0x200, 512, 64, 0x10000, 256};
        return options;
    }
    Bytes Exchange(const Bytes& sent, int replyLength) {
        transport.Write(sent.data(), static_cast<int>(sent.size()));
        Bytes reply(static_cast<std::size_t>(replyLength));
        reply.resize(static_cast<std::size_t>(transport.Read(reply.data(), replyLength)));
        return reply;
    }
    Bytes Command(const std::string& text, int replyLength) {
        return Exchange(Bytes(text.begin(), text.end()), replyLength);
    }
    void Write(unsigned address, const Bytes& data) {
        const Bytes frame = UFrame(address, data);
        Bytes expected = frame;
        expected.push_back('c');
        ASSERT_EQ(Exchange(frame, static_cast<int>(expected.size())), expected);
    }
    ManualClock clock;
    SimTransport transport;
};

TEST(FlashTransfer, TableWrittenThroughTheBufferReadsBackTheSame) {
    // The layout of the definition files' flash example: table 2 starts at block 80.
    Bytes image(600);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7); // includes 0x00, 0x77 and 0xFE
    Host host;
    Bytes chunk0(image.begin(), image.begin() + 256);
    Bytes chunk1(image.begin() + 256, image.begin() + 512);
    Bytes chunk2(image.begin() + 512, image.end());

    // A full frame without escapes is 266 bytes and answered with 267.
    Bytes plain(256, 'A');
    EXPECT_EQ(UFrame(0x200, plain).size(), 266u);

    host.Write(0x200, chunk0);
    host.Write(0x300, chunk1);
    EXPECT_EQ(host.Command("b05007", 7), Bytes({'b', '0', '5', '0', '0', '7', 'c'}));
    host.Write(0x200, chunk2);
    EXPECT_EQ(host.Command("b05801", 7), Bytes({'b', '0', '5', '8', '0', '1', 'c'}));
    const Bytes& flash = host.transport.Controller().Flash();
    EXPECT_EQ(Bytes(flash.begin() + 0x1400, flash.begin() + 0x1400 + 600), image);

    // Read it back: `r` 8 blocks into the buffer, then `d` the buffer out.
    EXPECT_EQ(host.Command("r05007", 7), Bytes({'r', '0', '5', '0', '0', '7', 'c'}));
    std::uint16_t checksum = 0;
    const Bytes header = Header('d', 0x200, 256, checksum);
    const Bytes reply = host.Exchange(header, 6 + 256 * 2 + 8);
    ASSERT_GE(reply.size(), 6u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6), header);
    Bytes expected = header;
    for (std::size_t i = 0; i < 256; ++i) {
        AppendEscaped(expected, image[i]);
        checksum = static_cast<std::uint16_t>(checksum + image[i]);
    }
    checksum = static_cast<std::uint16_t>(checksum + 0x77);
    AppendEscaped(expected, 0x77);
    AppendEscaped(expected, static_cast<std::uint8_t>(checksum & 0xFF));
    AppendEscaped(expected, static_cast<std::uint8_t>(checksum >> 8));
    expected.push_back('c');
    EXPECT_EQ(reply, expected);
}

} // namespace
} // namespace vexa
