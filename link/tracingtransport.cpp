#include "link/tracingtransport.h"

#include <cstdio>
#include <fstream>

namespace vexa {

TracingTransport::TracingTransport(std::unique_ptr<ByteTransport> inner, Sink sink, Clock& clock)
    : inner_(std::move(inner)), sink_(std::move(sink)), clock_(clock), startMs_(clock.NowMs()) {}

std::string TracingTransport::FormatLine(std::int64_t atMs, const char* direction,
                                         const std::uint8_t* bytes, int count, int requested,
                                         std::int64_t durationMs) {
    char head[96];
    std::snprintf(head, sizeof head, "%5lld.%03lld %s %3d/%-3d ms=%-4lld",
                  static_cast<long long>(atMs / 1000), static_cast<long long>(atMs % 1000),
                  direction, count, requested, static_cast<long long>(durationMs));
    std::string line = head;
    std::string printable;
    for (int i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        line += hex;
        printable += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
    }
    if (count > 0)
        line += "  |" + printable + "|";
    return line;
}

void TracingTransport::Note(const std::string& what) {
    const std::int64_t at = clock_.NowMs() - startMs_;
    char head[32];
    std::snprintf(head, sizeof head, "%5lld.%03lld ", static_cast<long long>(at / 1000),
                  static_cast<long long>(at % 1000));
    sink_(head + what);
}

int TracingTransport::Open(std::string& error) {
    const int result = inner_->Open(error);
    Note(result ? std::string("open ok") + (inner_->IsUsb() ? " (USB)" : "")
                : "open failed: " + error);
    return result;
}

void TracingTransport::Close() {
    inner_->Close();
    Note("close");
}

int TracingTransport::Read(std::uint8_t* destination, int n) {
    const std::int64_t start = clock_.NowMs();
    const int result = inner_->Read(destination, n);
    sink_(FormatLine(start - startMs_, "RX", destination, result > 0 ? result : 0, n,
                     clock_.NowMs() - start));
    return result;
}

int TracingTransport::ReadAvailable(std::uint8_t* destination, int max, int waitMs) {
    const std::int64_t start = clock_.NowMs();
    const int result = inner_->ReadAvailable(destination, max, waitMs);
    sink_(FormatLine(start - startMs_, "rx", destination, result > 0 ? result : 0, max,
                     clock_.NowMs() - start));
    return result;
}

int TracingTransport::Write(const std::uint8_t* source, int n) {
    const std::int64_t start = clock_.NowMs();
    const int result = inner_->Write(source, n);
    // The bytes handed over are traced; a short write says how many the link took.
    std::string line =
        FormatLine(start - startMs_, "TX", source, n > 0 ? n : 0, n, clock_.NowMs() - start);
    if (result != n)
        line += "  (written " + std::to_string(result) + ")";
    sink_(line);
    return result;
}

int TracingTransport::Purge() {
    const int result = inner_->Purge();
    Note("purge");
    return result;
}

std::unique_ptr<ByteTransport> WithTraceFile(std::unique_ptr<ByteTransport> transport,
                                             const std::string& path, Clock& clock) {
    if (path.empty())
        return transport;
    auto file = std::make_shared<std::ofstream>(path, std::ios::app);
    if (!*file)
        return transport;
    return std::make_unique<TracingTransport>(
        std::move(transport),
        [file](const std::string& line) {
            *file << line << '\n';
            file->flush();
        },
        clock);
}

} // namespace vexa
