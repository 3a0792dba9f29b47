// Undo and redo against one 60 Hz frame, and what the history holds after 1000 steps, on
// a 4L60E calibration of the shipped definitions with its graph and tuning bar rebuilt
// as the main window rebuilds them (the Qt widgets themselves are not part of this).
//
// us_each: the processor time of one undo or one redo, beside frame_us, one 60 Hz frame;
// frames_per_op_x1000: the first in thousandths of the second.
// history_MB: the bytes the steps hold by their own count; heap_MB: what the heap grew by
// while the steps were recorded (so the count is checked against the allocator).
#include "history/historydoc.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>

#include <cstdint>
#include <limits>

namespace vexa {
namespace {

using testing::HistoryDoc;

// The processor time of this thread, in microseconds.
double ThreadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

constexpr double kFrameMicroseconds = 1e6 / 60.0;

// Reports one operation's processor time beside the frame it must fit in.
void ReportEach(benchmark::State& state, double microseconds, int operationsPerIteration) {
    const double each =
        microseconds / static_cast<double>(state.iterations() * operationsPerIteration);
    state.counters["us_each"] = each;
    state.counters["frame_us"] = kFrameMicroseconds;
    state.counters["frames_per_op_x1000"] = 1000.0 * each / kFrameMicroseconds;
}

// All ten points of curve 0 selected with Shift+click and dragged up through 20 moves.
void DragTenPoints(HistoryDoc& h, int pixels) {
    h.engine.SetLinkMode(0);
    h.engine.OnMouseDown(0, h.X(0), h.Y(0, 0));
    h.engine.OnMouseUp(0, h.X(0), h.Y(0, 0));
    const int y = h.Y(0, 9);
    h.engine.OnMouseDown(kGraphShift, h.X(9), y);
    ChangeScope step(*h.doc, {}, ChangeNaming::kMovePoints);
    for (int move = 1; move <= 20; ++move)
        h.engine.OnMouseMove(1, h.X(9), y - pixels * move / 20);
    h.engine.OnMouseUp(0, h.X(9), y - pixels);
}

void ReadTable(HistoryDoc& h, int table) {
    h.doc->Display.SetI32(DisplayBlock::kSelectedNVMTable, table);
    h.controller->TransferCalibration(0);
    h.doc->RefreshViews(1);
}

// Undoes and redoes the last step over and over; each of the two is one operation.
void UndoRedoEach(benchmark::State& state, HistoryDoc& h) {
    const double start = ThreadCpuMicroseconds();
    for (auto _ : state) {
        h.doc->Undo();
        h.doc->Redo();
    }
    ReportEach(state, ThreadCpuMicroseconds() - start, 2);
}

void BM_UndoRedoTenPointDrag(benchmark::State& state) {
    HistoryDoc h;
    DragTenPoints(h, 60);
    if (h.doc->UndoName() != "Move 10 Points of 1-2 Up")
        state.SkipWithError(("unexpected step " + h.doc->UndoName()).c_str());
    UndoRedoEach(state, h);
}
BENCHMARK(BM_UndoRedoTenPointDrag)->Unit(benchmark::kMillisecond);

void BM_UndoRedoCalibrationRead(benchmark::State& state) {
    HistoryDoc h;
    ReadTable(h, 1);
    if (h.doc->UndoName() != "Read Calibration from Controller")
        state.SkipWithError("the read was not recorded");
    UndoRedoEach(state, h);
}
BENCHMARK(BM_UndoRedoCalibrationRead)->Unit(benchmark::kMillisecond);

// What every gesture costs on top of its edit: the copy when the step opens and the
// comparison when it closes.
void BM_OneStepOfOnePoint(benchmark::State& state) {
    HistoryDoc h;
    std::int16_t step = 1;
    const double start = ThreadCpuMicroseconds();
    for (auto _ : state) {
        ChangeScope scope(*h.doc, "Up");
        h.doc->AdjustCurvePoint(0, 5, 0.0f, step);
        step = static_cast<std::int16_t>(-step);
    }
    ReportEach(state, ThreadCpuMicroseconds() - start, 1);
}
BENCHMARK(BM_OneStepOfOnePoint)->Unit(benchmark::kMillisecond);

// 1000 steps of one kind: 0 ten-point drags, 1 settings fields, 2 calibration reads that
// change the transmission type every time (the largest steps there are).
void BM_MemoryOf1000Steps(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    for (auto _ : state) {
        HistoryDoc h;
        h.doc->History().SetMemoryLimit(std::numeric_limits<std::size_t>::max());
        const std::size_t heapBefore = mallinfo2().uordblks;
        for (int i = 0; i < 1000; ++i) {
            switch (kind) {
            case 0:
                DragTenPoints(h, i % 2 == 0 ? 40 : -40);
                break;
            case 1: {
                ChangeScope step(*h.doc, "Axle ratio");
                h.doc->SetFloatVariable("AxleRatio", 3.0f + 0.001f * static_cast<float>(i));
                h.doc->NotifyChange(1, nullptr);
                break;
            }
            default:
                ReadTable(h, i % 2);
                break;
            }
        }
        const std::size_t heapAfter = mallinfo2().uordblks;
        state.counters["steps"] = static_cast<double>(h.doc->History().StepCount());
        state.counters["history_MB"] = static_cast<double>(h.doc->History().MemoryUse()) / 1e6;
        state.counters["heap_MB"] =
            (static_cast<double>(heapAfter) - static_cast<double>(heapBefore)) / 1e6;
    }
}
BENCHMARK(BM_MemoryOf1000Steps)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vexa

BENCHMARK_MAIN();
