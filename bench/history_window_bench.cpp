// Undo and redo in the windowed program against one 60 Hz frame: the main window with its
// bars and an open System Settings window on the offscreen platform, the demo's virtual
// controller as its port. What is timed is the command as the Edit menu runs it, with the
// repaint, bar rebuild and settings pages it causes, until the event queue is empty.
//   build/bin/history_window_bench
// us_each: wall time of one undo or one redo; frames_per_op_x1000: the same in thousandths
// of a 60 Hz frame (16.7 ms).
#include "app/vlx.h"
#include "core/timerservice.h"
#include "core/transmissioncatalogue.h"
#include "frame/commandids.h"
#include "frame/mainfrm.h"
#include "graph/vlxview.h"
#include "support/appoptions.h"
#include "support/shippedprogram.h"
#include "uicommon/messagebox.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace vexa {
namespace {

using testing::TempDir;

constexpr double kFrameMicroseconds = 1e6 / 60.0;

struct Window {
    Window() {
        InstallUiScript(&script);
        // The transmission type after a read of table 2 needs no choosing; any other
        // question is answered with its first button.
        script.runDialog = [](QDialog&) { return int{QDialog::Accepted}; };
        testing::CopyBuiltData(dir);
        AppOptions options = testing::HeadlessAppOptions(dir, timers, ports);
        options.demo = true;
        options.simOptions.baud = 0;
        options.mail = std::make_unique<testing::NoMail>();
        app = std::make_unique<CVLXApp>(std::move(options));
        app->InitInstance();
        Frame().show();
        Settle();
        timers.Advance(1000); // the virtual controller connects
        Settle();
        // A 4L60E calibration, as the setup wizard's transmission page makes it.
        for (const SelectionEntry& entry : ReadTransmissionCatalogue(Doc())) {
            if (entry.fileName == "4l60e.def")
                ApplyTransmissionType(Doc(), entry);
        }
        Doc().SetModifiedFlag(false);
        Doc().ClearHistory();
        Frame().RunCommand(kIdSystemSettings);
        Settle();
    }
    ~Window() {
        app.reset();
        InstallUiScript(nullptr);
    }
    CMainFrame& Frame() { return *app->Frame(); }
    CVLXDoc& Doc() { return *app->Doc(); }
    static void Settle() { QApplication::processEvents(); }

    // One undo and one redo per iteration, each until the window has caught up.
    void UndoRedo(benchmark::State& state) {
        double microseconds = 0.0;
        for (auto _ : state) {
            for (const int command : {kIdEditUndo, kIdEditRedo}) {
                const auto start = std::chrono::steady_clock::now();
                Frame().RunCommand(command);
                Settle();
                microseconds += std::chrono::duration<double, std::micro>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
            }
        }
        const double each = microseconds / static_cast<double>(state.iterations() * 2);
        state.counters["us_each"] = each;
        state.counters["frames_per_op_x1000"] = 1000.0 * each / kFrameMicroseconds;
    }

    TempDir dir;
    UiScript script;
    ManualTimerService timers;
    testing::NoPorts ports;
    std::unique_ptr<CVLXApp> app;
};

void BM_WindowUndoRedoTenPointDrag(benchmark::State& state) {
    Window window;
    CGraphEngine& engine = window.Frame().View()->Engine();
    engine.SetLinkMode(0);
    for (int p = 0; p < kPointsPerCurve; ++p)
        engine.SetPointSelected(0, p, 1);
    engine.RecomputeSelection(-1);
    {
        ChangeScope step(window.Doc(), {}, ChangeNaming::kMovePoints);
        engine.OnKey(kGraphKeyUp, 3, 0);
    }
    if (window.Doc().UndoName().rfind("Move 10 Points", 0) != 0)
        state.SkipWithError(("unexpected step " + window.Doc().UndoName()).c_str());
    window.UndoRedo(state);
}
BENCHMARK(BM_WindowUndoRedoTenPointDrag)->Unit(benchmark::kMillisecond);

void BM_WindowUndoRedoCalibrationRead(benchmark::State& state) {
    Window window;
    window.Frame().RunCommand(kIdTable2);
    window.Doc().SetModifiedFlag(false);
    window.Frame().RunCommand(kIdReadCalibration);
    Window::Settle();
    if (window.Doc().UndoName() != "Read Calibration from Controller")
        state.SkipWithError(("the read was not recorded: " + window.Doc().UndoName()).c_str());
    window.UndoRedo(state);
}
BENCHMARK(BM_WindowUndoRedoCalibrationRead)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vexa

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
