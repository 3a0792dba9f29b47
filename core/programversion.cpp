#include "core/programversion.h"

#include <cstdio>

namespace vexa {

std::string ProgramVersionText(int packageVersion) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%02d", kProgramVersionMajor, kProgramVersionMinor);
    std::string result = text;
    if (packageVersion > 0 && packageVersion < 256)
        result += static_cast<char>(packageVersion);
    return result;
}

} // namespace vexa
