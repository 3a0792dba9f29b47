#include "settings_ui/metafile.h"

#include <utility>

namespace vexa {
namespace {

std::uint32_t Le(std::string_view bytes, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i]))
                 << (8 * i);
    return value;
}

// Signed 16- and 32-bit fields; the caller has checked that they lie inside bytes.
int S16(std::string_view bytes, std::size_t offset) {
    return static_cast<std::int16_t>(Le(bytes, offset, 2));
}
int S32(std::string_view bytes, std::size_t offset) {
    return static_cast<std::int32_t>(Le(bytes, offset, 4));
}

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::uint32_t kEmfSignature = 0x464D4520u; // " EMF"

// WMF record functions that carry a bitmap.
constexpr std::uint16_t kWmfEof = 0x0000;
constexpr std::uint16_t kWmfStretchDib = 0x0F43;
constexpr std::uint16_t kWmfDibStretchBlt = 0x0B41;
constexpr std::uint16_t kWmfDibBitBlt = 0x0940;

// EMF record types.
constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrBitBlt = 76;
constexpr std::uint32_t kEmrStretchBlt = 77;
constexpr std::uint32_t kEmrStretchDibits = 81;

void AddWmfBitmap(std::string_view record, std::size_t dibAt, MetafileBitmap bitmap,
                  std::vector<MetafileBitmap>& out) {
    if (dibAt >= record.size())
        return;
    const std::string_view dib = record.substr(dibAt);
    bitmap.bitsOffset = DibBitsOffset(dib);
    if (bitmap.bitsOffset == 0)
        return;
    bitmap.dib.assign(dib);
    out.push_back(std::move(bitmap));
}

// The stretching records keep the same eight fields, last coordinate first, from fieldsAt
// on, and the bitmap right after them.
void AddWmfStretchedBitmap(std::string_view record, std::size_t fieldsAt,
                           std::vector<MetafileBitmap>& out) {
    MetafileBitmap bitmap;
    bitmap.sourceHeight = S16(record, fieldsAt);
    bitmap.sourceWidth = S16(record, fieldsAt + 2);
    bitmap.sourceY = S16(record, fieldsAt + 4);
    bitmap.sourceX = S16(record, fieldsAt + 6);
    bitmap.height = S16(record, fieldsAt + 8);
    bitmap.width = S16(record, fieldsAt + 10);
    bitmap.y = S16(record, fieldsAt + 12);
    bitmap.x = S16(record, fieldsAt + 14);
    AddWmfBitmap(record, fieldsAt + 16, std::move(bitmap), out);
}

std::vector<MetafileBitmap> WmfBitmaps(std::string_view data) {
    std::vector<MetafileBitmap> out;
    if (data.size() >= 22 && Le(data, 0, 4) == kPlaceableKey)
        data.remove_prefix(22);
    if (data.size() < 18)
        return out;
    const std::uint32_t type = Le(data, 0, 2);
    const std::size_t headerBytes = std::size_t{Le(data, 2, 2)} * 2;
    if ((type != 1 && type != 2) || headerBytes < 18 || headerBytes > data.size())
        return out;
    std::size_t at = headerBytes;
    while (data.size() - at >= 6 && out.size() < kMaxMetafileBitmaps) {
        const std::uint64_t words = Le(data, at, 4);
        const auto function = static_cast<std::uint16_t>(Le(data, at + 4, 2));
        if (words < 3 || words * 2 > data.size() - at || function == kWmfEof)
            break;
        const std::string_view record = data.substr(at, static_cast<std::size_t>(words * 2));
        at += record.size();
        if (function == kWmfStretchDib && record.size() >= 28) {
            AddWmfStretchedBitmap(record, 12, out);
        } else if (function == kWmfDibStretchBlt && words != 14 && record.size() >= 26) {
            // Fourteen words is the form without a bitmap (a pattern fill).
            AddWmfStretchedBitmap(record, 10, out);
        } else if (function == kWmfDibBitBlt && words != 12 && record.size() >= 22) {
            MetafileBitmap bitmap;
            bitmap.sourceY = S16(record, 10);
            bitmap.sourceX = S16(record, 12);
            bitmap.sourceHeight = bitmap.height = S16(record, 14);
            bitmap.sourceWidth = bitmap.width = S16(record, 16);
            bitmap.y = S16(record, 18);
            bitmap.x = S16(record, 20);
            AddWmfBitmap(record, 22, std::move(bitmap), out);
        }
    }
    return out;
}

// The header and the bits an EMF record keeps at offsets of its own, as one packed DIB.
void AddEmfBitmap(std::string_view record, std::size_t fieldsAt, MetafileBitmap bitmap,
                  std::vector<MetafileBitmap>& out) {
    const std::uint64_t headerAt = Le(record, fieldsAt, 4);
    const std::uint64_t headerBytes = Le(record, fieldsAt + 4, 4);
    const std::uint64_t bitsAt = Le(record, fieldsAt + 8, 4);
    const std::uint64_t bitsBytes = Le(record, fieldsAt + 12, 4);
    if (headerBytes < 12 || headerAt + headerBytes > record.size() ||
        bitsAt + bitsBytes > record.size())
        return;
    const std::string_view header =
        record.substr(static_cast<std::size_t>(headerAt), static_cast<std::size_t>(headerBytes));
    // The colour table must fit in the header's bytes.
    const std::size_t tableEnd = DibBitsOffset(header);
    if (tableEnd == 0)
        return;
    bitmap.dib.reserve(static_cast<std::size_t>(headerBytes + bitsBytes));
    bitmap.dib.assign(header);
    bitmap.dib.append(
        record.substr(static_cast<std::size_t>(bitsAt), static_cast<std::size_t>(bitsBytes)));
    bitmap.bitsOffset = header.size();
    out.push_back(std::move(bitmap));
}

std::vector<MetafileBitmap> EmfBitmaps(std::string_view data) {
    std::vector<MetafileBitmap> out;
    if (data.size() < 44 || Le(data, 0, 4) != kEmrHeader || Le(data, 40, 4) != kEmfSignature)
        return out;
    std::size_t at = 0;
    while (data.size() - at >= 8 && out.size() < kMaxMetafileBitmaps) {
        const std::uint32_t type = Le(data, at, 4);
        const std::uint64_t size = Le(data, at + 4, 4);
        if (size < 8 || size > data.size() - at || type == kEmrEof)
            break;
        const std::string_view record = data.substr(at, static_cast<std::size_t>(size));
        at += record.size();
        MetafileBitmap bitmap;
        if (type == kEmrStretchDibits && record.size() >= 80) {
            bitmap.x = S32(record, 24);
            bitmap.y = S32(record, 28);
            bitmap.sourceX = S32(record, 32);
            bitmap.sourceY = S32(record, 36);
            bitmap.sourceWidth = S32(record, 40);
            bitmap.sourceHeight = S32(record, 44);
            bitmap.width = S32(record, 72);
            bitmap.height = S32(record, 76);
            AddEmfBitmap(record, 48, std::move(bitmap), out);
        } else if ((type == kEmrBitBlt && record.size() >= 100) ||
                   (type == kEmrStretchBlt && record.size() >= 108)) {
            bitmap.x = S32(record, 24);
            bitmap.y = S32(record, 28);
            bitmap.width = S32(record, 32);
            bitmap.height = S32(record, 36);
            bitmap.sourceX = S32(record, 44);
            bitmap.sourceY = S32(record, 48);
            bitmap.sourceWidth = type == kEmrStretchBlt ? S32(record, 100) : bitmap.width;
            bitmap.sourceHeight = type == kEmrStretchBlt ? S32(record, 104) : bitmap.height;
            AddEmfBitmap(record, 84, std::move(bitmap), out);
        }
    }
    return out;
}

} // namespace

std::vector<MetafileBitmap> MetafileBitmaps(std::string_view data, bool emf) {
    return emf ? EmfBitmaps(data) : WmfBitmaps(data);
}

std::size_t DibBitsOffset(std::string_view dib) {
    if (dib.size() < 12)
        return 0;
    const std::uint64_t headerSize = Le(dib, 0, 4);
    if (headerSize < 12 || headerSize > dib.size())
        return 0;
    std::uint64_t paletteBytes = 0;
    if (headerSize == 12) {
        // BITMAPCOREHEADER: three-byte colour entries.
        const std::uint32_t bitCount = Le(dib, 10, 2);
        if (bitCount <= 8)
            paletteBytes = (std::uint64_t{1} << bitCount) * 3;
    } else {
        if (headerSize < 16)
            return 0;
        const std::uint32_t bitCount = Le(dib, 14, 2);
        const std::uint32_t compression = headerSize >= 20 ? Le(dib, 16, 4) : 0;
        const std::uint32_t coloursUsed = headerSize >= 36 ? Le(dib, 32, 4) : 0;
        if (coloursUsed != 0)
            paletteBytes = std::uint64_t{coloursUsed} * 4;
        else if (bitCount <= 8)
            paletteBytes = (std::uint64_t{1} << bitCount) * 4;
        // A BITMAPINFOHEADER with bit fields keeps its masks after the header.
        if (headerSize == 40 && compression == 3)
            paletteBytes += 12;
        else if (headerSize == 40 && compression == 6)
            paletteBytes += 16;
    }
    const std::uint64_t offset = headerSize + paletteBytes;
    return offset <= dib.size() ? static_cast<std::size_t>(offset) : 0;
}

} // namespace vexa
