#include "core/bytestream.h"

#include "core/cp1252.h"

#include <cstring>

namespace vexa {

namespace {} // namespace

bool ByteReader::Take(std::size_t n) {
    if (failed_ || bytes_.size() - position_ < n) {
        failed_ = true;
        position_ = bytes_.size();
        return false;
    }
    return true;
}

std::uint8_t ByteReader::U8() {
    if (!Take(1))
        return 0;
    return static_cast<std::uint8_t>(bytes_[position_++]);
}

std::uint16_t ByteReader::U16() {
    const std::uint8_t low = U8();
    const std::uint8_t high = U8();
    return static_cast<std::uint16_t>(low | (high << 8));
}

std::uint32_t ByteReader::U32() {
    const std::uint32_t low = U16();
    const std::uint32_t high = U16();
    return low | (high << 16);
}

void ByteReader::Bytes(std::uint8_t* destination, std::size_t n) {
    if (!Take(n)) {
        std::memset(destination, 0, n);
        return;
    }
    std::memcpy(destination, bytes_.data() + position_, n);
    position_ += n;
}

std::uint32_t ByteReader::CountedLength() {
    const std::uint8_t first = U8();
    if (first < 0xFF)
        return first;
    const std::uint16_t second = U16();
    if (second < 0xFFFF)
        return second;
    return U32();
}

std::string ByteReader::CountedString() {
    // The 16-bit form is marked by 0xFF 0xFFFE before the ordinary length.
    bool wide = false;
    std::uint32_t length = U8();
    if (length == 0xFF) {
        length = U16();
        if (length == 0xFFFE) {
            wide = true;
            length = CountedLength();
        } else if (length == 0xFFFF) {
            length = U32();
        }
    }
    const std::size_t bytes = wide ? std::size_t{length} * 2 : length;
    if (!Take(bytes))
        return {};
    std::string text;
    text.reserve(length);
    if (wide) {
        for (std::uint32_t i = 0; i < length; ++i) {
            const auto low = static_cast<unsigned char>(bytes_[position_ + 2 * i]);
            const auto high = static_cast<unsigned char>(bytes_[position_ + 2 * i + 1]);
            text += UnicodeToCp1252(static_cast<char16_t>(low | (high << 8)));
        }
    } else {
        text.assign(bytes_.substr(position_, length));
    }
    position_ += bytes;
    return text;
}

bool ByteReader::Line(std::string& line) {
    if (failed_ || AtEnd())
        return false;
    const std::size_t end = bytes_.find('\n', position_);
    const std::size_t stop = end == std::string_view::npos ? bytes_.size() : end;
    line.assign(bytes_.substr(position_, stop - position_));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    position_ = end == std::string_view::npos ? bytes_.size() : end + 1;
    return true;
}

void ByteWriter::U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value & 0xFF));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value & 0xFFFF));
    U16(static_cast<std::uint16_t>(value >> 16));
}

void ByteWriter::Bytes(const std::uint8_t* source, std::size_t n) {
    bytes_.append(reinterpret_cast<const char*>(source), n);
}

void ByteWriter::CountedString(std::string_view text) {
    const std::size_t length = text.size();
    if (length < 0xFF) {
        U8(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        U8(0xFF);
        U16(static_cast<std::uint16_t>(length));
    } else {
        U8(0xFF);
        U16(0xFFFF);
        U32(static_cast<std::uint32_t>(length));
    }
    bytes_.append(text);
}

} // namespace vexa
