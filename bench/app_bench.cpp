// Start-up time (to the first painted main window) and resident memory at idle of the
// windowed program, each against a minimal Qt Widgets program built into this bench, so
// the numbers read as a ratio whatever the machine; and the time make run takes until the
// dashboard shows the virtual controller's live values. Run by hand:
//   build/bin/app_bench [--benchmark_repetitions=5]
// Each measurement starts this executable again as a child (--child=minimal|vexa|live); the
// child prints "painted" once its window has been painted (the live child: once every
// dashboard box shows a value), waits 500 ms idle, prints its VmRSS in kB and exits.
#include "app/vlx.h"
#include "core/transmissioncatalogue.h"
#include "frame/dashboard.h"
#include "frame/mainfrm.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Reports that the child is ready, then its idle memory, then quits.
void ReportReady() {
    std::printf("painted\n");
    std::fflush(stdout);
    QTimer::singleShot(500, [] {
        std::printf("%ld\n", ResidentKb());
        std::fflush(stdout);
        QApplication::quit();
    });
}

// Reports the first paint of window, then the idle memory, then quits.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* window) { window->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            // After this paint has been delivered.
            QTimer::singleShot(0, [] { ReportReady(); });
        }
        return false;
    }

private:
    bool painted_ = false;
};

// What make run opens: a 4L60E calibration made for the demo's controller.
std::string MakeDemoCalibration(const std::string& programDir, const QTemporaryDir& dir) {
    class Profile : public vexa::SettingsStore {
    public:
        int GetInt(std::string_view, std::string_view key, int fallback) const override {
            if (key == "DeviceType")
                return 2;
            if (key == "FirmwareVersion")
                return 3;
            if (key == "FirmwareVersionMinor")
                return 4;
            return key == "HardwareVersion" ? 1 : fallback;
        }
        std::string GetString(std::string_view, std::string_view,
                              std::string_view fallback) const override {
            return std::string(fallback);
        }
        bool WriteInt(std::string_view, std::string_view, int) override { return true; }
        bool WriteString(std::string_view, std::string_view, std::string_view) override {
            return true;
        }
    } profile;
    vexa::NullDocumentHost host;
    vexa::CVLXDoc doc(vexa::CVLXDocServices{&profile, programDir, nullptr});
    doc.SetHost(&host);
    doc.OnNewDocument();
    for (const vexa::SelectionEntry& entry : vexa::ReadTransmissionCatalogue(doc)) {
        if (entry.fileName == "4l60e.def")
            vexa::ApplyTransmissionType(doc, entry);
    }
    const std::string path = dir.filePath(QStringLiteral("demo.gvr")).toStdString();
    doc.OnSaveDocument(path);
    doc.SetHost(nullptr);
    return path;
}

int RunChild(const std::string& which, int argc, char** argv) {
    QApplication application(argc, argv);
    if (which == "minimal") {
        QMainWindow window;
        window.setCentralWidget(new QLabel(QStringLiteral("Hello")));
        window.resize(900, 700);
        PaintWatch watch(&window);
        window.show();
        return QApplication::exec();
    }
    QTemporaryDir settings;
    vexa::AppOptions options;
    options.paths.programDir = QCoreApplication::applicationDirPath().toStdString();
    if (which == "live")
        options.fileName = MakeDemoCalibration(options.paths.programDir, settings);
    options.paths.settingsFile = settings.filePath(QStringLiteral("vexa.INI")).toStdString();
    options.paths.ramDumpFile = settings.filePath(QStringLiteral("RAMDump.txt")).toStdString();
    options.demo = true;
    options.singleInstance = false;
    options.desktopShortcut = false;
    options.startupDialogs = false;
    vexa::CVLXApp app(std::move(options));
    if (!app.InitInstance())
        return 1;
    app.Frame()->resize(900, 700);
    if (which != "live") {
        PaintWatch watch(app.Frame());
        return QApplication::exec();
    }
    app.Frame()->show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&app, &poll] {
        vexa::CDashboard* dashboard = app.Frame()->Dashboard();
        if (dashboard->BoxCount() == 0)
            return;
        for (std::size_t i = 0; i < dashboard->BoxCount(); ++i) {
            if (dashboard->ValueLabel(i)->text() == QLatin1String(vexa::kDashboardNoValue))
                return;
        }
        poll.stop();
        ReportReady();
    });
    poll.start(5);
    return QApplication::exec();
}

struct ChildResult {
    double startMs = 0;
    long residentKb = 0;
};

ChildResult RunOnce(const char* which) {
    int out[2];
    if (pipe(out) != 0)
        return {};
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        const std::string arg = std::string("--child=") + which;
        execl("/proc/self/exe", "app_bench", arg.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    FILE* lines = fdopen(out[0], "r");
    char line[64] = {};
    ChildResult result;
    if (lines && std::fgets(line, sizeof line, lines) && std::strncmp(line, "painted", 7) == 0) {
        result.startMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (std::fgets(line, sizeof line, lines))
            result.residentKb = std::atol(line);
    }
    if (lines)
        std::fclose(lines);
    int status = 0;
    waitpid(child, &status, 0);
    return result;
}

double g_startMs[3];
double g_residentKb[3];

void Measure(benchmark::State& state, int index, const char* which) {
    double total = 0;
    double memory = 0;
    int runs = 0;
    for (auto _ : state) {
        const ChildResult result = RunOnce(which);
        if (result.startMs <= 0) {
            state.SkipWithError("the child did not paint");
            return;
        }
        state.SetIterationTime(result.startMs / 1000.0);
        total += result.startMs;
        memory += static_cast<double>(result.residentKb);
        ++runs;
    }
    g_startMs[index] = total / runs;
    g_residentKb[index] = memory / runs;
    state.counters["rss_kB"] = g_residentKb[index];
}

void BM_MinimalQtStart(benchmark::State& state) {
    Measure(state, 0, "minimal");
}
void BM_VexaStart(benchmark::State& state) {
    Measure(state, 1, "vexa");
}
void BM_VexaLiveValues(benchmark::State& state) {
    Measure(state, 2, "live");
}
BENCHMARK(BM_MinimalQtStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_VexaStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_VexaLiveValues)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--child=", 8) == 0)
            return RunChild(argv[i] + 8, argc, argv);
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_startMs[0] > 0 && g_startMs[1] > 0)
        std::printf("start-up to first paint: %.1f ms vs %.1f ms minimal, ratio %.2f\n"
                    "resident memory at idle: %.0f kB vs %.0f kB minimal, ratio %.2f\n",
                    g_startMs[1], g_startMs[0], g_startMs[1] / g_startMs[0], g_residentKb[1],
                    g_residentKb[0], g_residentKb[1] / g_residentKb[0]);
    if (g_startMs[1] > 0 && g_startMs[2] > 0)
        std::printf("make run to live values on every dashboard box: %.1f ms, %.2f times the "
                    "start-up to first paint\n",
                    g_startMs[2], g_startMs[2] / g_startMs[1]);
    return 0;
}
