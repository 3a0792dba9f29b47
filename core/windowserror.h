#pragma once
// The system's text for a Windows error code, as a user reads it ("Access is denied").
#ifdef _WIN32
#include <string>
#include <windows.h>

namespace vexa {

inline std::string WindowsErrorText(DWORD code) {
    char buffer[512];
    DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    // The text ends with a full stop and a line break; the callers' sentences go on.
    while (length > 0 &&
           (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == '.'))
        --length;
    if (length == 0)
        return "error " + std::to_string(code);
    return std::string(buffer, length);
}

} // namespace vexa
#endif
