#pragma once
// The system's text for a Windows error code, as a user reads it ("Access is denied"),
// without the full stop and line break the system ends it with. Windows only; the header
// stays free of <windows.h> and its macros.
#ifdef _WIN32
#include <string>

namespace vexa {

std::string WindowsErrorText(unsigned long code);

} // namespace vexa
#endif
