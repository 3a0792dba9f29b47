// The log window's plot redrawn while the user drags it: a one-hour log (72 000 rows, 12
// channels, all shown, gear changes marked) on a 1600 x 600 plot, as the whole hour and as
// one minute. Each iteration is one drag step (a mouse move on the real widget) and the
// paint it asks for; frame_share is the share of a 60 Hz frame (16.7 ms) it takes.
#include "datalog/datalogfile.h"
#include "datalog/logplot.h"
#include "datalog/logplotwidget.h"
#include "hourlog.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

namespace {

using namespace vexa;

constexpr double kFrameSeconds = 1.0 / 60.0;

void BM_DragAndRedraw(benchmark::State& state) {
    DataLog log;
    std::string error;
    if (!ReadDataLogFile(bench::HourLog(), log, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    CLogPlot plot(log);
    plot.resize(1600, 600);
    for (std::size_t c = 0; c < log.channels.size(); ++c)
        plot.SetChannelShown(c, true);
    plot.SetGearChannel(FindGearChannel(log));
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    plot.render(&image);
    const QPointF middle(800, 300);
    if (state.range(0) != 0) {
        // One minute in view: wheel notches over the middle.
        for (int notch = 0; notch < 18; ++notch) {
            QWheelEvent wheel(middle, middle, QPoint(), QPoint(0, 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&plot, &wheel);
        }
    }
    QMouseEvent press(QEvent::MouseButtonPress, middle, middle, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&plot, &press);
    double seconds = 0.0;
    double x = middle.x();
    double step = 6.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        x += step;
        if (x > 1400 || x < 200)
            step = -step;
        const QPointF at(x, middle.y());
        QMouseEvent move(QEvent::MouseMove, at, at, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&plot, &move);
        plot.render(&image);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        seconds += took.count();
    }
    state.counters["frame_share"] =
        benchmark::Counter(seconds / kFrameSeconds, benchmark::Counter::kAvgIterations);
    state.counters["span_s"] = plot.Axis().Span();
}
BENCHMARK(BM_DragAndRedraw)->Arg(0)->Arg(1)->ArgNames({"zoomed"})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(bench::HourLog());
    return 0;
}
