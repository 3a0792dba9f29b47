#pragma once
// What the document needs of the graph that shows its curves. The graph engine
// implements it; the document holds a non-owning pointer that stays empty until the
// main view (or the command line's headless view) hands one over.
#include <cstdint>
#include <string>

namespace vexa {

// A point of a curve with a value in display units.
struct CurvePointValue {
    int curve = 0;
    int point = 0;
    double value = 0.0;
    bool operator==(const CurvePointValue&) const = default;
};

class CurveGraph {
public:
    virtual ~CurveGraph() = default;
    virtual void SetTraceVisible(int trace, bool visible) = 0;
    virtual void SetValue(int trace, int point, double value) = 0;
    // Recomputes the trace's value range after its points changed.
    virtual void UpdateTraceRange(int trace) = 0;
    // Links trace to another trace (itself to unlink).
    virtual void SetLink(int trace, int linkedTrace) = 0;
    // Colour 0x00BBGGRR, legend name and callout format of a trace.
    virtual void SetTraceColor(int /*trace*/, std::uint32_t /*colour*/) {}
    virtual void SetTraceText(int /*trace*/, const std::string& /*name*/,
                              const std::string& /*calloutFormat*/) {}
    // Whether editing one point moves the points linked to it.
    virtual void SetLinkMode(int /*mode*/) {}
    // The trace's legend name, which names the steps that change its points.
    virtual std::string TraceName(int /*trace*/) const { return {}; }
};

// A graph that shows nothing. A document that no window shows (a calibration opened only to
// be compared, a copy of the controller's table) attaches it so that the definition's curve
// conversions are read as they are for a shown document.
class NullCurveGraph final : public CurveGraph {
public:
    void SetTraceVisible(int, bool) override {}
    void SetValue(int, int, double) override {}
    void UpdateTraceRange(int) override {}
    void SetLink(int, int) override {}
};

} // namespace vexa
