#include "app/printswitch.h"

#include "graph/vlxview.h"
#include "uicommon/messagebox.h"

#include <QFile>
#include <QPrinterInfo>

namespace vexa {
namespace {

constexpr const char* kPrintErrorCaption = "Print Error:";

bool EndsWithPdf(const std::string& name) {
    return name.size() > 4 && QString::fromLocal8Bit(name.c_str())
                                  .endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
}

} // namespace

std::unique_ptr<QPrinter> PrinterForSwitch(const std::string& printerName, std::string& error) {
    if (printerName.empty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            error = "No default printer is set up. Set one up, or name a printer with /pt.";
            return nullptr;
        }
        return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    const QPrinterInfo info =
        QPrinterInfo::printerInfo(QString::fromLocal8Bit(printerName.c_str()));
    if (!info.isNull())
        return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (EndsWithPdf(printerName)) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QFile::decodeName(printerName.c_str()));
        return printer;
    }
    error = "The printer \"" + printerName + "\" could not be found.";
    return nullptr;
}

bool PrintFromCommandLine(CVLXView& view, const std::string& printerName) {
    std::string error;
    const std::unique_ptr<QPrinter> printer = PrinterForSwitch(printerName, error);
    if (!printer) {
        ShowMessageBox(nullptr, error, kPrintErrorCaption, kMbIconStop);
        return false;
    }
    if (!view.PrintTo(*printer)) {
        const std::string name =
            printerName.empty() ? std::string("the default printer") : "\"" + printerName + "\"";
        ShowMessageBox(nullptr, "Printing on " + name + " could not be started.",
                       kPrintErrorCaption, kMbIconStop);
        return false;
    }
    return true;
}

} // namespace vexa
