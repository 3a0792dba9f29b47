#include "core/programversion.h"

#include <cstdio>

namespace vexa {

std::string ProgramVersion(int packageVersion) {
    char number[32];
    std::snprintf(number, sizeof number, "%d.%02d", kProgramVersionMajor, kProgramVersionMinor);
    std::string text = number;
    // A letter of 0 (no Package.ver) ends the text, as a terminating character would.
    if (packageVersion > 0 && packageVersion < 256)
        text += static_cast<char>(packageVersion);
    return text;
}

} // namespace vexa
