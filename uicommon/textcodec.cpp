#include "uicommon/textcodec.h"

#include "core/cp1252.h"

namespace vexa {

QString FromWindows1252(const std::string& bytes) {
    return QString::fromStdU16String(Cp1252ToUtf16(bytes));
}

std::string ToWindows1252(const QString& text) {
    return Utf16ToCp1252(text.toStdU16String());
}

QColor FromColorRef(std::uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                  static_cast<int>((colour >> 16) & 0xFFu));
}

} // namespace vexa
