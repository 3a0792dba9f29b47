#pragma once
// Calibration and definition texts are 8-bit bytes in the Windows-1252 code page; widgets
// show them as Unicode. These two functions are the one place the two meet.
#include <QString>

#include <string>

namespace vexa {

// Each byte as its Windows-1252 character; the five bytes that code page leaves
// undefined become the control characters of the same number.
QString FromWindows1252(const std::string& bytes);
// Each character as its Windows-1252 byte; characters the code page lacks become '?'.
std::string ToWindows1252(const QString& text);

} // namespace vexa
