#pragma once
// A new 4L60E calibration on the shipped definitions, with the graph configured by the
// "Graph Controls" bar and the demo's virtual controller (table 1 a 4L60E, table 2 a 4R70W
// calibration) as its link, on virtual time; for the change-log tests and benchmark.
#include "data/datafixture.h"
#include "graph/recordingsurface.h"
#include "sim/simpresets.h"
#include "support/simlink.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace vexa::testing {

// The document starts unmodified with an empty history; the plot is laid out as the main
// view lays it out, so pointer events land on points.
struct HistoryDoc : DataDoc {
    HistoryDoc() : DataDoc({2, 3}) {
        const SimPreset& preset = *FindSimPreset("tcs2");
        SimOptions options;
        ApplySimPreset(preset, options);
        sim = std::make_unique<SimTransport>(clock, options);
        LoadSimPresetMemory(preset, sim->Controller());
        controller = LinkToSim(*doc, settings, factory, *sim, timers, clock);
        NewOfType("4l60e.def");
        doc->SetModifiedFlag(false);
        doc->ClearHistory();

        engine.MeasureLabels(surface);
        engine.SetPlotRect(20, 20, 563, 617);
        engine.Draw(surface);
    }
    ~HistoryDoc() { doc.reset(); }

    std::vector<float> GraphValues() const {
        std::vector<float> values;
        for (int t = 0; t < kNumCurves; ++t)
            for (int p = 0; p < kPointsPerCurve; ++p)
                values.push_back(engine.GetValue(t, p));
        return values;
    }
    void Select(int trace, std::initializer_list<int> points) {
        engine.ClearSelection();
        for (int p : points)
            engine.SetPointSelected(trace, p, 1);
        engine.RecomputeSelection(-1);
    }
    int X(int point) const { return engine.PointX(static_cast<float>(point)); }
    int Y(int trace, int point) const { return engine.ValueY(engine.GetValue(trace, point)); }

    ManualClock clock;
    ManualTimerService timers;
    SerialDeviceFactory factory;
    std::unique_ptr<SimTransport> sim;
    CVLXController* controller = nullptr;
    RecordingSurface surface;
    TempDir dir;
};

} // namespace vexa::testing
