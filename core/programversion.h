#pragma once
// The program's version, as the About box, --version and the installation package show it.
#include <string>

namespace vexa {

inline constexpr int kProgramVersionMajor = 3;
inline constexpr int kProgramVersionMinor = 30;

// "3.30" followed by the package letter of Package.ver (none for 0, or for a value that
// is no single byte): "3.30c".
std::string ProgramVersion(int packageVersion);

} // namespace vexa
