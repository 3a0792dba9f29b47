#pragma once
// Named virtual controllers that present the controllers the shipped definition sets are
// made for: identity, memory layout and calibration tables that read back as a calibration
// of one of the shipped transmission types (so a read exercises the signature matching of
// the definition folder's TransReadback.sig).
//
//   tcs2   VEXA TCS-2, identity 2.1/3.4 (folder PID2/3), EEPROM: two 256-byte tables,
//          table 1 a 4L60E calibration, table 2 a 4R70W calibration.
//   tcs3   VEXA TCS-3, identity 3.1/1.2 (folder PID3/1), flash with 4-digit RAM addresses:
//          two 4 KiB tables at 0x8000 and 0x9000, moved through the RAM buffer at 0x1200
//          (1 KiB) in 128-byte flash blocks; table 1 a 4L80E calibration, table 2 an E4OD.
//
// The tables are the memory images the tuner builds for a new calibration of each type
// (tests/data checks that they still are, and vexa_presetgen rewrites them).
#include "sim/simoptions.h"
#include "sim/virtualcontroller.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// Bytes at consecutive addresses, as hexadecimal digits (two a byte).
struct SimMemoryRun {
    int address = 0;
    std::string_view hex;
};

struct SimPresetTable {
    std::string_view definition;    // the definition file the table was made with
    int address = 0;                // EEPROM: 0; flash: the table's first flash byte
    std::vector<SimMemoryRun> runs; // relative to address; the rest holds the fill byte
};

struct SimPreset {
    std::string_view name;
    std::string_view description;
    SimIdentity identity;
    SimLayout layout;
    int tableSize = 256;      // bytes of each calibration table ($TotalBlockSize)
    std::uint8_t fill = 0x00; // what a written table holds where the calibration has nothing
    std::array<SimPresetTable, 2> tables;
    std::vector<SimMemoryRun> ram; // the calibration values the firmware keeps in RAM
};

// Every preset, in the order above.
const std::vector<SimPreset>& SimPresets();
// The preset of that name (compared exactly), or nullptr.
const SimPreset* FindSimPreset(std::string_view name);
// The preset that announces exactly this identity, or nullptr. A virtual controller that
// claims a shipped controller's identity needs that controller's memory layout too: the
// definitions the identity selects address its RAM buffer and flash blocks.
const SimPreset* FindSimPresetByIdentity(const SimIdentity& identity);
// Identity and layout of the preset; line speed, timing, faults and seed stay.
void ApplySimPreset(const SimPreset& preset, SimOptions& options);
// Table 0 or 1 as the controller holds it: tableSize bytes of fill, then the runs.
std::vector<std::uint8_t> SimPresetTableBytes(const SimPreset& preset, int table);
// Puts both tables into the controller's EEPROM (nvmType 0) or flash, and the RAM values
// into RAM. The controller must have been built with the preset's layout.
void LoadSimPresetMemory(const SimPreset& preset, VirtualController& controller);

} // namespace vexa
