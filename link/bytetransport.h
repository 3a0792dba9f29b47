#pragma once
// The byte stream under the monitor protocol. Real ones: the serial adapter (a tty or
// pseudo-terminal through Qt SerialPort), the USB HID link, the virtual controller in
// process. Every byte that crosses it can pass one tracing wrapper.
#include <cstdint>
#include <string>

namespace vexa {

class ByteTransport {
public:
    virtual ~ByteTransport() = default;

    // Opens the link. Returns 1 when it is ready, else 0 with a text for the user in error.
    virtual int Open(std::string& error) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Reads up to n bytes with the COM time-out rule: returns as soon as n bytes are
    // there, or when 50 ms pass after a byte with no further byte, or when
    // 100 ms + 5 ms x n have passed since the call. Bytes already buffered count at once.
    // Received NUL bytes are dropped. Returns the number read, 0..n; failures are short
    // counts.
    virtual int Read(std::uint8_t* destination, int n) = 0;
    // The one primitive the COM time-out rule is built on (link/comtimeouts.h): takes the
    // bytes already buffered, and when there are none waits up to waitMs (0: no wait) for
    // at least one. Copies at most max bytes and returns the count, 0..max; 0 means the
    // wait passed without a byte or the link failed. Received NUL bytes are dropped.
    // It never applies a time-out rule of its own: a wrapper that Reads through it
    // (CSerialPort) gets exactly the rule, once.
    virtual int ReadAvailable(std::uint8_t* destination, int max, int waitMs) = 0;
    // Writes n bytes and returns once they are handed to the line (flushed). Returns the
    // number written, 0..n.
    virtual int Write(const std::uint8_t* source, int n) = 0;
    // Discards pending input and output. Returns 1.
    virtual int Purge() = 0;
    // Whether this link is the controller's own USB interface.
    virtual bool IsUsb() const { return false; }
};

} // namespace vexa
