// vexa-cli render: a picture of a calibration's curves, drawn exactly as the main view
// draws them, for a forum post, a customer or a test.
#include "cli/session.h"
#include "graph/graphpainter.h"

#include <QGuiApplication>
#include <QImage>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace vexa::cli {

namespace {

bool ParseSize(const std::string& text, int& width, int& height) {
    char x = 0;
    std::istringstream in(text);
    return (in >> width >> x >> height) && x == 'x' && in.eof() && width >= 100 && height >= 100 &&
           width <= 8192 && height <= 8192;
}

bool ParseTraces(const std::string& text, std::vector<int>& traces) {
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        char* end = nullptr;
        const long trace = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || trace < 0 || trace >= kNumCurves)
            return false;
        traces.push_back(static_cast<int>(trace));
    }
    return !traces.empty();
}

} // namespace

int CmdRender(CommandContext& context) {
    const char* usage = "usage: vexa-cli render FILE.gvr -o OUT.png [--size 1280x720] "
                        "[--traces 0,1,...]\n";
    std::string file, output, size = "1280x720", traceList;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& arg = context.args[i];
        const bool hasValue = i + 1 < context.args.size();
        if (arg == "-o" && hasValue)
            output = context.args[++i];
        else if (arg == "--size" && hasValue)
            size = context.args[++i];
        else if (arg == "--traces" && hasValue)
            traceList = context.args[++i];
        else if (file.empty() && arg.rfind("-", 0) != 0)
            file = arg;
        else {
            context.err << usage;
            return 2;
        }
    }
    int width = 0, height = 0;
    std::vector<int> traces;
    if (file.empty() || output.empty() || !ParseSize(size, width, height) ||
        (!traceList.empty() && !ParseTraces(traceList, traces))) {
        context.err << usage;
        return 2;
    }

    // Text needs a GUI application; without a display it draws off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vexa-cli";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance())
        app = std::make_unique<QGuiApplication>(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    CliSession session(context);
    if (!session.Open(file))
        return 1;
    CGraphEngine& graph = session.Graph();
    if (!traces.empty()) {
        for (int trace = 0; trace < kNumCurves; ++trace)
            graph.SetTraceVisible(trace, 0);
        for (int trace : traces)
            graph.SetTraceVisible(trace, 1);
    }
    QImage image(width, height, QImage::Format_RGB32);
    LayoutGraphForImage(graph, image);
    PaintGraph(graph, image);
    if (!image.save(QString::fromStdString(output), "PNG")) {
        context.err << "vexa-cli render: cannot write " << output << "\n";
        return 1;
    }
    return 0;
}

} // namespace vexa::cli
