#pragma once
// The drawing operations the graph needs, in device pixels with y growing downwards.
// The windowed program implements it with QPainter (screen, PNG export, printing);
// tests record the calls. Rectangles and ellipses take a bounding box whose right and
// bottom edges are excluded, so a box (0, 0, 10, 10) covers pixels 0 to 9.
#include <cstdint>
#include <string>

namespace vexa {

// 32-bit colour laid out 0x00BBGGRR (red in the low byte).
using Rgb = std::uint32_t;

constexpr Rgb MakeRgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned RgbRed(Rgb c) {
    return c & 0xFFu;
}
constexpr unsigned RgbGreen(Rgb c) {
    return (c >> 8) & 0xFFu;
}
constexpr unsigned RgbBlue(Rgb c) {
    return (c >> 16) & 0xFFu;
}

enum class PenStyle : std::uint8_t {
    // Plain solid pen; 0 or 1 pixel wide it is a one-pixel cosmetic line, wider it has
    // round ends and round joins.
    kSolid,
    // Geometric solid pen with mitre joins and round end caps.
    kGeometricSolid,
    // Geometric dotted pen with square end caps.
    kGeometricDotted,
    // Geometric dashed pen with flat end caps: dashes four widths long, two widths apart.
    kGeometricDashed,
};

struct Pen {
    PenStyle style = PenStyle::kSolid;
    int width = 1;
    Rgb colour = 0;
    bool operator==(const Pen&) const = default;
};

struct Brush {
    Rgb colour = 0xFFFFFF;
    bool operator==(const Brush&) const = default;
};

enum class TextAlign : std::uint8_t {
    kCentreTop,  // centred horizontally, top of the text at the point
    kLeftBottom, // left edge and bottom of the text (below descenders) at the point
};

struct TextExtent {
    int width = 0;
    int height = 0;
    bool operator==(const TextExtent&) const = default;
};

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Fills the box with a colour, ignoring pen and brush.
    virtual void FillRect(int left, int top, int right, int bottom, Rgb colour) = 0;
    // Fills the box with the current brush and outlines it with the current pen.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    // Lines run from the current position, which LineTo then moves to the end point.
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Ellipse in the box, filled with the current brush and outlined with the current pen.
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    // Outline of the full ellipse in the box with the current pen; nothing is filled.
    virtual void FullArc(int left, int top, int right, int bottom) = 0;

    // 8-bit text (shown as Windows-1252) with the current alignment and colours. With an
    // opaque background the text's box is first filled with the background colour.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    virtual TextExtent GetTextExtent(const std::string& text) = 0;
    virtual void SetTextAlign(TextAlign align) = 0;
    virtual void SetTextColor(Rgb colour) = 0;
    virtual void SetBkColor(Rgb colour) = 0;
    virtual void SetBkOpaque(bool opaque) = 0;

    // Selection returns what was selected before, so callers can restore it.
    virtual Pen SelectPen(const Pen& pen) = 0;
    virtual Brush SelectBrush(const Brush& brush) = 0;

    // With exclusive-or on, pen and brush colours are combined with the pixels beneath
    // by exclusive or (drawing white inverts); off restores ordinary painting.
    virtual void SetXorMode(bool on) = 0;
};

} // namespace vexa
