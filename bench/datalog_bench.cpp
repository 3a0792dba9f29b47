// Data logs: opening a one-hour log (72 000 rows of 12 channels at 20 rows a second), the
// plot's lines for one frame while the user drags, and what recording adds to a poll tick.
// Counters: second_share (the share of one second an open takes), frame_share (the share of
// a 60 Hz frame the lines of one redraw take), and for the poll tick the time per tick with
// and without a recording, side by side in one run. Run with --benchmark_repetitions=5
// --benchmark_report_aggregates_only=true for medians.
#include "core/vlxdoc.h"
#include "datalog/datalogfile.h"
#include "datalog/datalogwriter.h"
#include "datalog/logplot.h"
#include "hourlog.h"
#include "link/vlxcontroller.h"
#include "sim/simtransport.h"
#include "support/memorysettings.h"
#include "support/simlink.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>

namespace {

using namespace vexa;
using vexa::bench::HourLog;
using vexa::bench::TempPath;

constexpr double kFrameSeconds = 1.0 / 60.0;

void BM_OpenHourLog(benchmark::State& state) {
    const std::string& path = HourLog();
    double seconds = 0.0;
    for (auto _ : state) {
        DataLog log;
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        if (!ReadDataLogFile(path, log, error))
            state.SkipWithError(error.c_str());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        seconds += took.count();
        benchmark::DoNotOptimize(log);
    }
    state.counters["second_share"] =
        benchmark::Counter(seconds, benchmark::Counter::kAvgIterations);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_OpenHourLog)->Unit(benchmark::kMillisecond)->Iterations(5);

// The lines of every channel for one redraw of a 1600-pixel plot, as a drag step asks: the
// whole hour (the most rows a redraw can take) and a one-minute span.
void BM_PlotLinesPerFrame(benchmark::State& state) {
    DataLog log;
    std::string error;
    ReadDataLogFile(HourLog(), log, error);
    LogTimeAxis axis;
    axis.Reset(log.StartTime(), log.EndTime(), 1600);
    if (state.range(0) != 0)
        axis.Zoom(60.0, 800.0);
    std::vector<ValueScale> scales;
    for (const DataLogChannel& channel : log.channels)
        scales.emplace_back(channel, 0.0, 600.0);
    ChannelLines lines;
    double pan = 1.0;
    std::size_t points = 0;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        axis.Pan(pan);
        pan = -pan;
        points = 0;
        for (std::size_t c = 0; c < log.channels.size(); ++c) {
            BuildChannelLines(log, log.channels[c], axis, scales[c], lines);
            points += lines.points.size();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        seconds += took.count();
    }
    state.counters["frame_share"] =
        benchmark::Counter(seconds / kFrameSeconds, benchmark::Counter::kAvgIterations);
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_PlotLinesPerFrame)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"zoomed"})
    ->Unit(benchmark::kMicrosecond);

// The virtual controller in this process, without line pacing, so a tick costs only the
// host's work: the exchanges, the formulas, the dashboard's texts, and the log's row.
struct PollingSetup {
    PollingSetup() {
        settings.WriteInt("HardwareProfile", "DeviceType", 2);
        settings.WriteInt("HardwareProfile", "FirmwareVersion", 3);
        const std::string programDir =
            std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, programDir, nullptr});
        sim = std::make_unique<SimTransport>(clock);
        controller = testing::LinkToSim(*doc, settings, factory, *sim, timers, clock);
        controller->CheckController(0, 0);
        doc->Header[kDefinitionFileName] = "4l60e.def";
        doc->LoadDefinitionFile(doc->DefinitionFilePath());
        doc->ReadApplicationID();
        doc->ClearDeclarations(2);
        doc->ReadDeclarations(1);
    }
    ~PollingSetup() { doc.reset(); }
    void Tick() {
        const int period = controller->Monitor().timer_period();
        clock.Advance(period);
        timers.Advance(period);
    }

    class Display : public PollDisplay {
    public:
        void OnPollData(int, const std::string& text, const float*) override { last = text; }
        std::string last;
    };

    testing::MemorySettings settings;
    ManualClock clock;
    ManualTimerService timers;
    SerialDeviceFactory factory;
    std::unique_ptr<SimTransport> sim;
    std::unique_ptr<CVLXDoc> doc;
    CVLXController* controller = nullptr;
    Display display;
};

void BM_PollTick(benchmark::State& state) {
    PollingSetup setup;
    setup.controller->start_polling(&setup.display);
    const std::string path = TempPath("poll.csv");
    CDataLogWriter writer(setup.clock);
    std::string error;
    if (state.range(0) != 0) {
        writer.Open(path, DescribeDataLog(*setup.doc, ""), error);
        setup.controller->start_recording(&writer);
    }
    for (int i = 0; i < 20; ++i)
        setup.Tick();
    for (auto _ : state)
        setup.Tick();
    if (state.range(0) != 0) {
        if (writer.Rows() == 0)
            state.SkipWithError("no rows were written");
        state.counters["rows"] = static_cast<double>(writer.Rows());
        setup.controller->stop_recording();
        writer.Close(error);
        std::filesystem::remove(path);
    }
    state.counters["period_ms"] = setup.controller->Monitor().timer_period();
}
BENCHMARK(BM_PollTick)->Arg(0)->Arg(1)->ArgNames({"recording"})->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(HourLog());
    return 0;
}
