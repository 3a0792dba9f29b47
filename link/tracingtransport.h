#pragma once
// TracingTransport: passes every call to the transport it wraps and writes one trace line
// per read, write, open, close and purge: the time since the trace began, the direction,
// the bytes in hex and as printable characters. Protocol code never logs on its own.
#include "core/clock.h"
#include "link/bytetransport.h"

#include <functional>
#include <memory>
#include <string>

namespace vexa {

class TracingTransport : public ByteTransport {
public:
    // Receives each trace line, without its line end.
    using Sink = std::function<void(const std::string& line)>;

    TracingTransport(std::unique_ptr<ByteTransport> inner, Sink sink,
                     Clock& clock = SteadyClock::Instance());

    int Open(std::string& error) override;
    void Close() override;
    bool IsOpen() const override { return inner_->IsOpen(); }
    int Read(std::uint8_t* destination, int n) override;
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override;
    int Write(const std::uint8_t* source, int n) override;
    int Purge() override;
    bool IsUsb() const override { return inner_->IsUsb(); }

    ByteTransport& inner() { return *inner_; }

    // One trace line: "   12.345 RX  3/8 ms=115  66 34 35  |f45|" (time in seconds,
    // direction, count and request, duration of the call, hex, printable characters with
    // "." for the others).
    static std::string FormatLine(std::int64_t atMs, const char* direction,
                                  const std::uint8_t* bytes, int count, int requested,
                                  std::int64_t durationMs);

private:
    void Note(const std::string& what);

    std::unique_ptr<ByteTransport> inner_;
    Sink sink_;
    Clock& clock_;
    std::int64_t startMs_;
};

// Wraps transport in a TracingTransport appending to the file at path when path is not
// empty; otherwise returns transport as it is. A file that cannot be opened leaves the
// link untraced.
std::unique_ptr<ByteTransport> WithTraceFile(std::unique_ptr<ByteTransport> transport,
                                             const std::string& path,
                                             Clock& clock = SteadyClock::Instance());

} // namespace vexa
