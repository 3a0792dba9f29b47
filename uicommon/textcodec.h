#pragma once
// Calibration and definition texts are 8-bit bytes in the Windows-1252 code page, and their
// colours 0x00BBGGRR integers; widgets show Unicode and QColor. These are the one place the
// two meet.
#include <QColor>
#include <QString>

#include <cstdint>
#include <string>

namespace vexa {

// Each byte as its Windows-1252 character; the five bytes that code page leaves
// undefined become the control characters of the same number.
QString FromWindows1252(const std::string& bytes);
// Each character as its Windows-1252 byte; characters the code page lacks become '?'.
std::string ToWindows1252(const QString& text);

// 0x00BBGGRR (red in the low byte), as definition files give colours.
QColor FromColorRef(std::uint32_t colour);

} // namespace vexa
