#pragma once
// Reading and writing calibration files in memory. A reader that runs past the end
// remembers it and hands out zeros from then on, so a parser checks Failed() once at the
// end instead of after every field, and never reads out of range.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa {

class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    bool Failed() const { return failed_; }
    bool AtEnd() const { return position_ >= bytes_.size(); }
    std::size_t Position() const { return position_; }
    std::size_t Size() const { return bytes_.size(); }

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    // Copies n bytes into destination (zeros past the end).
    void Bytes(std::uint8_t* destination, std::size_t n);
    // A counted string in any of its length forms, 16-bit characters included (converted
    // to Windows-1252, '?' for characters it does not have).
    std::string CountedString();
    // A text line ended by LF (a CR before it is dropped); false at the end of the bytes.
    bool Line(std::string& line);

private:
    bool Take(std::size_t n);
    std::uint32_t CountedLength();

    std::string_view bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

class ByteWriter {
public:
    void U8(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void Bytes(const std::uint8_t* source, std::size_t n);
    void Text(std::string_view text) { bytes_.append(text); }
    // The shortest counted-string form for the length.
    void CountedString(std::string_view text);
    const std::string& Data() const { return bytes_; }

private:
    std::string bytes_;
};

} // namespace vexa
