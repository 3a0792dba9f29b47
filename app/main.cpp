// vexa: the windowed tuner.
#include "app/commandline.h"
#include "app/vlx.h"
#include "core/programversion.h"
#include "core/vlxdoc.h"
#include "settings_ui/shellutils.h"
#include "uicommon/messagebox.h"

#include <QApplication>
#include <QIcon>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
    // The program's own options are checked before the toolkit starts, so --help,
    // --version and a mistyped option are answered without a display.
    std::vector<std::string> args(argv + 1, argv + argc);
    vexa::RemoveToolkitOptions(args);
    vexa::CommandLine line;
    std::string error;
    if (!vexa::ParseCommandLine(args, line, error)) {
        std::fprintf(stderr, "vexa: %s\n%s\n", error.c_str(), vexa::kCommandLineUsage);
        return 2;
    }
    if (line.help) {
        std::printf("%s\n\n%s", vexa::kCommandLineUsage, vexa::kCommandLineHelp);
        return 0;
    }
    vexa::AppOptions options;
    if (!vexa::OptionsFromCommandLine(args, argv[0], options, error)) {
        std::fprintf(stderr, "vexa: %s\n%s\n", error.c_str(), vexa::kCommandLineUsage);
        return 2;
    }
    if (line.version) {
        std::printf(
            "vexa (VEXA Transmission Control) %s\n",
            vexa::ProgramVersion(vexa::ReadPackageVersion(options.paths.programDir)).c_str());
        return 0;
    }

    QApplication application(argc, argv);
    // Qt sets the user's locale; definition files and calibrations write numbers with '.'.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("VEXA Transmission Control"));
    QApplication::setOrganizationName(QStringLiteral("Kestova"));
    QApplication::setWindowIcon(vexa::ProgramIcon());
    // Ties the windows to the installed desktop entry (its icon, its name in the dock).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.kestova.vexa"));

    vexa::CVLXApp app(std::move(options));
    if (!app.InitInstance())
        return app.ExitCode();
    return QApplication::exec();
}
