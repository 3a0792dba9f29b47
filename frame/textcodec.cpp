#include "frame/textcodec.h"

#include "core/cp1252.h"

namespace vexa {

QString FromWindows1252(const std::string& bytes) {
    return QString::fromStdU16String(Cp1252ToUtf16(bytes));
}

std::string ToWindows1252(const QString& text) {
    return Utf16ToCp1252(text.toStdU16String());
}

} // namespace vexa
