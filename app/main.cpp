// vexa: the windowed tuner.
#include "app/commandline.h"
#include "app/vlx.h"
#include "settings_ui/shellutils.h"
#include "uicommon/messagebox.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt sets the user's locale; definition files and calibrations write numbers with '.'.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("VEXA Transmission Control"));
    QApplication::setOrganizationName(QStringLiteral("Kestova"));
    QApplication::setWindowIcon(vexa::ProgramIcon());

    // QApplication has taken its own options (-platform, ...) out of argv.
    const QStringList arguments = QApplication::arguments();
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        args.push_back(QFile::encodeName(arguments[i]).toStdString());

    vexa::AppOptions options;
    std::string error;
    if (!vexa::OptionsFromCommandLine(args, argv[0], options, error)) {
        std::fprintf(stderr, "vexa: %s\n%s\n", error.c_str(), vexa::kCommandLineUsage);
        return 2;
    }
    vexa::CVLXApp app(std::move(options));
    if (!app.InitInstance())
        return 1;
    return QApplication::exec();
}
