#pragma once
// The controller state dump: the first 256 bytes of controller RAM as a hex table in a
// text file (RAMDump.txt beside the program), for support.
#include "link/tcs_monitor.h"

#include <string>

namespace vexa {

// The dump file's name inside the program directory.
inline constexpr const char* kRamDumpFileName = "RAMDump.txt";

// Reads RAM 0x00..0xFF through monitor and writes the table to path: a header of column
// digits, a separator and 16 rows "0x%X |" of " %02x" values, lines joined by "\n" with
// none after the last. Progress goes to the monitor's document as status text. Returns 1
// when all 256 bytes were written; 0 when the file could not be written or a read failed
// (the file then keeps the rows read so far, and the monitor is disconnected).
int DumpControllerState(CTCS_Monitor& monitor, const std::string& path);

} // namespace vexa
