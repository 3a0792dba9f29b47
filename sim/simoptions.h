#pragma once
// How a virtual controller is built: who it says it is, how its calibration memory is laid
// out, how fast its line and its memories are, and which faults the line injects. Every
// random choice comes from `seed`, so a run with the same options and the same host traffic
// replays byte for byte.
#include <cstdint>
#include <string>

namespace vexa {

// The four numbers the controller announces: `v` answers DeviceType and HardwareVersion,
// `w` answers FirmwareVersion and FirmwareVersionMinor, each as the character '0' + value.
struct SimIdentity {
    int deviceType = 2;
    int hardwareVersion = 1;
    int firmwareVersion = 3;
    int firmwareVersionMinor = 4;
};

// Where the calibration lives. nvmType follows the definition files' $NVMType:
//   0  EEPROM: two tables of 256 bytes written with `e`; `f`/`n` take 2 address digits.
//   1  flash through the RAM buffer (`u`/`d`/`b`/`r`); `f`/`n` take 3 digits, `u`/`d` 3.
//   2  as 1 with 4-digit RAM addresses for `f`, `n`, `u` and `d`.
struct SimLayout {
    int nvmType = 0;
    int bufferStart = 0x200;   // RAM address of the transfer buffer ($CalBufferStart)
    int bufferSize = 512;      // bytes ($CalBufferSize)
    int flashBlockSize = 64;   // bytes per flash block ($FlashBlockSize)
    int flashSize = 0x10000;   // bytes of flash; blocks beyond it fail to program
    int eepromTableSize = 256; // bytes per EEPROM table
};

// Faults of the line and the controller. Probabilities are per byte crossing the line, in
// either direction.
struct SimFaults {
    double drop = 0.0;           // the byte is lost
    double change = 0.0;         // one bit of the byte is flipped
    double delay = 0.0;          // the byte (and so every byte behind it) arrives late ...
    int delayMs = 0;             // ... by this many milliseconds
    long silentAfter = -1;       // after this many controller bytes the controller hangs ...
    long silentForMs = -1;       // ... for this long, then restarts (-1: never restarts)
    long unplugAfter = -1;       // after this many controller bytes the device is unplugged ...
    long replugAfterMs = -1;     // ... and plugged in again after this long (-1: never)
    long badFlashAddress = -1;   // a flash byte that cannot be programmed (reads 0xFF)
    long badEepromAddress = -1;  // an EEPROM byte (in both tables) that keeps its old value
    long weakEepromAddress = -1; // an EEPROM byte (in both tables) that reads differently each time
    long weakFlashAddress = -1;  // a flash byte that `r` copies differently each time
    long refuseFlashWrites = 0;  // the first this many `b` commands are refused, flash untouched
    long flipAt = -1;            // the controller bytes from this number (counted from 0) on ...
    long flipCount = 1;          // ... this many of them, have bit 0 flipped

    bool Any() const;
};

struct SimOptions {
    SimIdentity identity;
    SimLayout layout;
    // Line speed in baud; each byte takes 10 bits / baud. 0 delivers bytes at once.
    int baud = 0;
    int eepromWriteMs = 4; // programming time of one EEPROM byte, before the `c`
    int flashBlockMs = 2;  // programming time of one flash block, before the `c`
    // false: a controller whose firmware predates the `w` firmware query (it ignores `w`).
    bool answersFirmwareQuery = true;
    SimFaults faults;
    std::uint64_t seed = 1;
};

// Fault spec text, as given on the command line: comma-separated items, each optional.
//   drop=P              probability P (0..1) that a byte is lost
//   change=P            probability P that a byte has one bit flipped
//   delay=P:MS          probability P that a byte arrives MS milliseconds late
//   silent-after=N[:MS] after the controller sent N bytes it stops answering, for MS ms
//                       (then it restarts as after power-on) or for good without :MS
//   unplug-after=N[:MS] after the controller sent N bytes the device disappears, and comes
//                       back after MS ms when :MS is given
//   bad-flash=ADDR      the flash byte at ADDR (decimal or 0x hex) fails verification
//   bad-eeprom=ADDR     the EEPROM byte at ADDR of either table cannot be written
//   weak-eeprom=ADDR    the EEPROM byte at ADDR of either table reads differently each time
//   weak-flash=ADDR     the flash byte at ADDR is copied into the buffer differently each time
//   refuse-flash=N      the first N `b` commands are answered as failed, programming nothing
//   flip-at=N[:C]       C bytes (1 without :C) the controller sends from its Nth (counted
//                       from 0) have bit 0 flipped
// Example: "drop=0.01,change=0.005,delay=0.01:30,silent-after=500,unplug-after=2000".
// An empty text means no faults. Returns false with a reason in error for a malformed
// text, leaving faults unchanged.
bool ParseFaultSpec(const std::string& text, SimFaults& faults, std::string& error);
// The spec text that ParseFaultSpec reads back into the same faults ("" for none).
std::string FormatFaultSpec(const SimFaults& faults);

// Identity text "D.H/F.m": DeviceType.HardwareVersion/FirmwareVersion.FirmwareVersionMinor,
// for example "2.1/3.4". Each number is 0..78 (its reply character '0' + value stays
// printable ASCII). Returns false with a reason in error, leaving identity unchanged.
bool ParseIdentity(const std::string& text, SimIdentity& identity, std::string& error);

// "eeprom" (nvmType 0), "flash" (1) or "flash2" (2, 4-digit RAM addresses).
bool ParseNvmType(const std::string& text, int& nvmType);

} // namespace vexa
