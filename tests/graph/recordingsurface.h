#pragma once
// A DrawingSurface that records every call as one line of text, with a fixed font:
// every character is 6 pixels wide and text is 10 pixels tall.
#include "graph/drawingsurface.h"

#include <cstdio>
#include <string>
#include <vector>

namespace vexa::testing {

class RecordingSurface : public DrawingSurface {
public:
    static constexpr int kCharWidth = 6;
    static constexpr int kTextHeight = 10;

    std::vector<std::string> calls;

    void FillRect(int l, int t, int r, int b, Rgb c) override {
        Add("FillRect " + Box(l, t, r, b) + " " + Hex(c));
    }
    void Rectangle(int l, int t, int r, int b) override { Add("Rectangle " + Box(l, t, r, b)); }
    void MoveTo(int x, int y) override { Add("MoveTo " + Pt(x, y)); }
    void LineTo(int x, int y) override { Add("LineTo " + Pt(x, y)); }
    void Ellipse(int l, int t, int r, int b) override { Add("Ellipse " + Box(l, t, r, b)); }
    void FullArc(int l, int t, int r, int b) override { Add("FullArc " + Box(l, t, r, b)); }
    void TextOut(int x, int y, const std::string& text) override {
        Add("TextOut " + Pt(x, y) + " \"" + text + "\"");
    }
    TextExtent GetTextExtent(const std::string& text) override {
        return {static_cast<int>(text.size()) * kCharWidth, kTextHeight};
    }
    void SetTextAlign(TextAlign a) override {
        Add(a == TextAlign::kCentreTop ? "Align centre-top" : "Align left-bottom");
    }
    void SetTextColor(Rgb c) override { Add("TextColor " + Hex(c)); }
    void SetBkColor(Rgb c) override { Add("BkColor " + Hex(c)); }
    void SetBkOpaque(bool opaque) override { Add(opaque ? "Bk opaque" : "Bk transparent"); }
    Pen SelectPen(const Pen& pen) override {
        static const char* const kStyles[] = {"solid", "geometric", "dotted", "dashed"};
        Add("Pen " + std::string(kStyles[static_cast<int>(pen.style)]) + " " +
            std::to_string(pen.width) + " " + Hex(pen.colour));
        Pen old = pen_;
        pen_ = pen;
        return old;
    }
    Brush SelectBrush(const Brush& brush) override {
        Add("Brush " + Hex(brush.colour));
        Brush old = brush_;
        brush_ = brush;
        return old;
    }
    void SetXorMode(bool on) override { Add(on ? "Xor on" : "Xor off"); }

    // Calls starting with prefix, in order.
    std::vector<std::string> Matching(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.compare(0, prefix.size(), prefix) == 0)
                out.push_back(c);
        return out;
    }

    const Pen& CurrentPen() const { return pen_; }
    const Brush& CurrentBrush() const { return brush_; }

private:
    void Add(std::string call) { calls.push_back(std::move(call)); }
    static std::string Pt(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    static std::string Box(int l, int t, int r, int b) { return Pt(l, t) + "-" + Pt(r, b); }
    static std::string Hex(Rgb c) {
        char text[16];
        std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(c));
        return text;
    }
    Pen pen_;
    Brush brush_;
};

} // namespace vexa::testing
