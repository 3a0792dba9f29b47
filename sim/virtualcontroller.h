#pragma once
// The controller's firmware as the host sees it on the wire: a character monitor that
// echoes every byte it receives and answers the commands
//   e i l   EEPROM byte: address, reply of the 2 hex digits held, optional 2 data digits,
//           then `c` once the byte is programmed (EEPROM programming time);
//   f       RAM byte: address, reply, optional 2 data digits (no `c`);
//   n       RAM byte read; the second step of EEPROM write enable / disable;
//   w v     the version digits (address "00");
//   u d     framed writes and reads of up to 256 RAM bytes, escaped, check-summed;
//   b r     program flash blocks from the RAM transfer buffer / copy them into it.
// Addresses and data are uppercase hex digits. A byte other than a digit where a digit is
// expected abandons the command in progress and is taken as the start of a new one, so the
// host's abort byte 0x77 is echoed as the `w` command it also is. Inside a `u` frame, where
// data travels escaped and no raw 0x77 belongs, a raw 0x77 is echoed and abandons the frame.
// Bytes that start no command are ignored (no echo).
//
// Memory. RAM is the 64 KiB address space the monitor reaches. EEPROM holds two tables; the
// table `e`/`i` reach is bit 0 of RAM 0x44 (MEHIADR). EEPROM writes take effect only after
// the write-enable sequence (RAM 0x44 = 0x09, then `n` at address 0x80) and until the
// disable sequence (0x44 = 0x08, then `n` at 0x00); a write while disabled is acknowledged
// with `c` but leaves the byte as it was. `l` (3 digits) reaches both tables as one linear
// memory, table 1 first. Flash starts erased (0xFF); `b` erases and programs whole blocks.
//
// Rejections. A `u` frame with a bad escape, end marker or checksum is echoed in full and
// answered with '?' instead of `c` (RAM is untouched). A `b` that cannot be verified answers
// its last echo with '?' followed by the failing flash byte address as 4 to 6 hex digits; a
// `b` or `r` outside the flash or the buffer answers '?' the same way (`r` without address).
//
// Live values. Before each RAM read the drive cycle (DriveCycle) is written to RAM at the
// symbol addresses, in these units:
//   TPS 0x2C      throttle, 0..255 for 0..100 %
//   GEAR 0x2F     gear engaged 1..4; OLDGEAR 0x30 the gear before the last shift;
//                 CGEAR 0x39 the commanded gear
//   VSS_NEW_H/L 0x31/0x32, VSS_OLD_H/L 0x33/0x34  speed sensor period in 2 us ticks
//                 (2500 pulses per km; 0xFFFF standing); OLD is the previous sample
//   CAPT_NEW_H/L 0x24/0x25, CAPT_OLD_H/L 0x26/0x27  engine ignition period in 2 us ticks
//                 (two pulses per revolution)
//   VSSFRQ 0x52   vehicle speed in km/h
//   CH7 0xA4      turbine speed / 32 rpm
//   CCLUTCH 0x36  1 while the torque converter clutch is applied
//   VSTOP 0x38    1 while the vehicle stands
//   MLPS 0x7B     line pressure command 0..255
//   ECT 0x7C      coolant temperature, deg C + 40; TOT 0xA0 oil temperature, deg C + 40
//   VREF 0xA1     reference voltage x 50 (250 = 5.00 V); VBATX 0xA2 battery voltage x 10
//   SOLPATN1 0x78 shift solenoid pattern of the gear (bit 0 solenoid A, bit 1 solenoid B)
//   CCTIMER 0x21  counts 10 ms ticks; DREFRESH 0x51 counts 100 ms ticks; ERRFLAG 0x35 0
// Everything else in RAM keeps what the host wrote.
//
// Time. The model has no clock of its own: each byte comes with the time (microseconds since
// power-on of the front end's time base) at which it was completely received, and each reply
// byte leaves with the earliest time it may be sent.
#include "sim/simoptions.h"

#include <cstdint>
#include <vector>

namespace vexa {

struct TimedByte {
    std::uint8_t value = 0;
    std::int64_t readyUs = 0; // earliest time the byte can leave the controller
};

class VirtualController {
public:
    static constexpr int kRamSize = 0x10000;
    static constexpr std::uint8_t kReject = '?';

    explicit VirtualController(const SimOptions& options = {});

    // One byte from the host, received at atUs. The controller's answer is appended to out.
    void Receive(std::uint8_t byte, std::int64_t atUs, std::vector<TimedByte>& out);
    // Power-on at atUs: the command in progress is dropped, EEPROM writes are disabled, and
    // the drive cycle starts again. Memories keep their contents.
    void PowerOn(std::int64_t atUs);

    // Writes the live values of the drive cycle for time atUs into RAM.
    void RefreshLiveValues(std::int64_t atUs);

    std::uint8_t Ram(int address) const;
    void SetRam(int address, std::uint8_t value);
    // table 0 or 1; bytes of layout.eepromTableSize
    std::vector<std::uint8_t>& Eeprom(int table) { return eeprom_[table & 1]; }
    std::vector<std::uint8_t>& Flash() { return flash_; }
    bool EepromWriteEnabled() const { return writeEnabled_; }
    int SelectedTable() const { return ram_[0x44] & 1; }
    bool Idle() const { return state_ == State::Idle; }
    const SimOptions& Options() const { return options_; }

private:
    enum class State {
        Idle,
        Address,      // collecting the address digits of a simple command
        DataFirst,    // after the reply: optional first data digit
        DataSecond,   // second data digit
        BlockHeader,  // `u`/`d` address and length digits
        BlockData,    // `u` data bytes
        BlockTrailer, // `u` end marker and checksum
        FlashCommand, // `b`/`r` block and count digits
    };

    void StartCommand(std::uint8_t letter, std::int64_t atUs, std::vector<TimedByte>& out);
    void Reply(std::uint8_t value, std::int64_t readyUs, std::vector<TimedByte>& out);
    void ReplyHex(unsigned value, int digits, std::int64_t readyUs, std::vector<TimedByte>& out);
    void ReplyEscaped(std::uint8_t value, std::int64_t readyUs, std::vector<TimedByte>& out);
    void AnswerAddress(std::int64_t atUs, std::vector<TimedByte>& out);
    void WriteData(std::int64_t atUs, std::vector<TimedByte>& out);
    void AnswerRead(std::int64_t atUs, std::vector<TimedByte>& out);
    void FinishWrite(std::int64_t atUs, std::vector<TimedByte>& out);
    void RunFlashCommand(std::int64_t atUs, std::vector<TimedByte>& out);
    int AddressDigits(std::uint8_t letter) const;
    int BlockAddressDigits() const { return options_.layout.nvmType >= 2 ? 4 : 3; }
    std::uint8_t ReadNvm(std::uint8_t letter, int address);
    void WriteNvm(std::uint8_t letter, int address, std::uint8_t value);
    void AddBlockAddressToChecksum(int address);

    SimOptions options_;
    std::vector<std::uint8_t> ram_;
    std::vector<std::uint8_t> eeprom_[2];
    std::vector<std::uint8_t> flash_;
    bool writeEnabled_ = false;
    std::int64_t originUs_ = 0;

    State state_ = State::Idle;
    std::uint8_t letter_ = 0;
    int digitsWanted_ = 0;
    int digitsGot_ = 0;
    unsigned address_ = 0;
    unsigned value_ = 0; // data digits, block length, flash count
    std::vector<std::uint8_t> block_;
    bool escapePending_ = false;
    bool blockBad_ = false;
    int trailerIndex_ = 0;
    std::uint16_t checksum_ = 0;
    std::uint16_t receivedChecksum_ = 0;
    long refusalsLeft_ = 0;  // `b` commands still to refuse (SimFaults::refuseFlashWrites)
    unsigned weakReads_ = 0; // reads of a weak cell so far; each one changes what it gives
};

} // namespace vexa
