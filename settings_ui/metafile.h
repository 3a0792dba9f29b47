#pragma once
// The bitmaps inside Windows metafiles. WordPad stores every picture as a metafile (WMF)
// that draws one stretched device-independent bitmap, and Word often adds an enhanced
// metafile (EMF) doing the same; finding those records lets the viewer show the picture
// without drawing metafiles. Standard C++ only; never reads outside the bytes given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// One bitmap a metafile record draws.
struct MetafileBitmap {
    // A packed DIB: BITMAPINFO (header and colour table), then the pixel bits from
    // bitsOffset on.
    std::string dib;
    std::size_t bitsOffset = 0;
    // Where it is drawn, in the metafile's logical units; a negative width or height
    // mirrors the bitmap.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // The part of the bitmap drawn, in its pixels.
    int sourceX = 0;
    int sourceY = 0;
    int sourceWidth = 0;
    int sourceHeight = 0;
    bool operator==(const MetafileBitmap&) const = default;
};

// Bitmaps past this many in one metafile are not looked at.
inline constexpr std::size_t kMaxMetafileBitmaps = 64;

// The bitmaps an enhanced (emf true) or Windows metafile draws, in drawing order: the
// StretchDIBits, BitBlt and StretchBlt records of EMF, the StretchDIB, DIBStretchBlt and
// DIBBitBlt records of WMF (with or without the placeable header). Empty for a metafile
// that draws only vectors or text, or that is not one; a record that does not fit its
// bytes ends the reading.
std::vector<MetafileBitmap> MetafileBitmaps(std::string_view data, bool emf);

// Where the pixel bits of a packed DIB begin, after its header and colour table (and the
// bit-field masks a BITMAPINFOHEADER keeps there); 0 when the bytes do not start with a
// bitmap header that fits in them.
std::size_t DibBitsOffset(std::string_view dib);

} // namespace vexa
