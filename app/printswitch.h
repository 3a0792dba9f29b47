#pragma once
// The print switches of the command line: /p prints the calibration's graph on the default
// printer, /pt on a named one, and the program quits without showing its window.
#include <QPrinter>

#include <memory>
#include <string>

namespace vexa {

class CVLXView;

// The printer a print switch names: the default printer for an empty name, else the
// printer of that name; a name that no printer has but that ends in ".pdf" is a PDF file
// to write. Null with a reason in error when there is no such printer.
std::unique_ptr<QPrinter> PrinterForSwitch(const std::string& printerName, std::string& error);

// Prints the view's graph on the printer the switch names. Failures are shown in a
// message box ("Print Error:"); false then.
bool PrintFromCommandLine(CVLXView& view, const std::string& printerName);

} // namespace vexa
