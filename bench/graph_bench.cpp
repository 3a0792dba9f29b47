// Paint cost of the graph as the view pays it on every pointer move: 50 visible traces,
// crosshair and callout on a 1920 x 1080 image. Each result carries frame_share, the
// fraction of a 60 Hz frame (16.7 ms) one paint takes. Run with
// --benchmark_repetitions=10 --benchmark_report_aggregates_only=true for medians.
#include "graph/graphengine.h"
#include "graph/qpaintersurface.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kFrameSeconds = 1.0 / 60.0;

void Fill(vexa::CGraphEngine& graph) {
    graph.SetPlotRect(20, 20, kWidth - 50, kHeight - 40);
    for (int t = 0; t < 50; ++t) {
        for (int p = 0; p < 10; ++p)
            graph.SetValue(t, p,
                           static_cast<float>(20 + t * 4) +
                               30.0f * std::sin(static_cast<float>(p + t) * 0.7f));
        graph.UpdateTraceRange(t);
        graph.SetTraceVisible(t, 1);
        graph.SetTraceText(t, "Curve", "Point %s: %.1f (stored %5$d)");
    }
    graph.SetTraceText(7, "Curve", "Point %s: %.1f");
    graph.SetCrosshair(4.3f, 120.0f);
}

void Paint(vexa::CGraphEngine& graph, QImage& image) {
    image.fill(vexa::QPainterSurface::ToQColor(graph.GetBackgroundColor()));
    QPainter painter(&image);
    vexa::QPainterSurface surface(painter);
    graph.Draw(surface);
    graph.DrawCrosshair(surface);
    graph.DrawCallout(surface);
}

void Report(benchmark::State& state, double seconds) {
    state.counters["frame_share"] =
        benchmark::Counter(seconds / kFrameSeconds, benchmark::Counter::kAvgIterations);
}

void BM_FullPaint(benchmark::State& state) {
    vexa::CGraphEngine graph(50, 10);
    Fill(graph);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    Paint(graph, image);
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        graph.SetCallout(7, 5);
        Paint(graph, image);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        total += took.count();
    }
    Report(state, total);
}
BENCHMARK(BM_FullPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DragStep(benchmark::State& state) {
    vexa::CGraphEngine graph(50, 10);
    Fill(graph);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    Paint(graph, image);
    const int x = graph.PointX(5.0f);
    const int y = graph.ValueY(graph.GetValue(7, 5));
    int trace = -1;
    int column = -1;
    if (!graph.HitTest(x, y, trace, column) || !graph.OnMouseDown(0, x, y)) {
        state.SkipWithError("no point under the pointer");
        return;
    }
    double total = 0;
    int step = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        graph.OnMouseMove(1, x, y - (step++ % 40));
        Paint(graph, image);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        total += took.count();
    }
    Report(state, total);
}
BENCHMARK(BM_DragStep)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
