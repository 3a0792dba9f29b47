#pragma once
// The program's version, as the About box and the files the program writes name it.
#include <string>

namespace vexa {

constexpr int kProgramVersionMajor = 3;
constexpr int kProgramVersionMinor = 30;

// "3.30" followed by the package letter (the first byte of Package.ver) when there is one:
// "3.30c". A letter of 0 (no Package.ver) adds nothing.
std::string ProgramVersionText(int packageVersion);

} // namespace vexa
