#include "sim/virtualcontroller.h"

#include "sim/drivecycle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vexa {

namespace {

constexpr std::uint8_t kAbort = 0x77;
constexpr std::uint8_t kEscape = 0xFE;
constexpr std::uint8_t kDone = 'c';

// RAM symbol addresses the firmware keeps its live values at.
constexpr int kCctimer = 0x21;
constexpr int kCaptNewH = 0x24, kCaptOldH = 0x26;
constexpr int kTps = 0x2C;
constexpr int kGear = 0x2F, kOldGear = 0x30;
constexpr int kVssNewH = 0x31, kVssOldH = 0x33;
constexpr int kErrFlag = 0x35;
constexpr int kCclutch = 0x36;
constexpr int kVstop = 0x38;
constexpr int kCgear = 0x39;
constexpr int kMehiadr = 0x44;
constexpr int kDrefresh = 0x51;
constexpr int kVssFrq = 0x52;
constexpr int kSolPattern1 = 0x78;
constexpr int kMlps = 0x7B;
constexpr int kEct = 0x7C;
constexpr int kTot = 0xA0;
constexpr int kVref = 0xA1;
constexpr int kVbatx = 0xA2;
constexpr int kCh7 = 0xA4;

int HexValue(std::uint8_t byte) {
    if (byte >= '0' && byte <= '9')
        return byte - '0';
    if (byte >= 'A' && byte <= 'F')
        return byte - 'A' + 10;
    return -1;
}

std::uint8_t ToByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// Period of a pulse train in 2 us ticks, 0xFFFF when it stands still or is slower.
std::uint16_t PeriodTicks(double hertz) {
    if (hertz <= 500000.0 / 0xFFFF)
        return 0xFFFF;
    return static_cast<std::uint16_t>(std::lround(500000.0 / hertz));
}

} // namespace

VirtualController::VirtualController(const SimOptions& options)
    : options_(options), ram_(kRamSize, 0),
      flash_(static_cast<std::size_t>(std::max(options.layout.flashSize, 0)), 0xFF),
      refusalsLeft_(options.faults.refuseFlashWrites) {
    options_.layout.eepromTableSize = std::clamp(options_.layout.eepromTableSize, 1, 0x800);
    options_.layout.flashBlockSize = std::max(options_.layout.flashBlockSize, 1);
    for (auto& table : eeprom_)
        table.assign(static_cast<std::size_t>(options_.layout.eepromTableSize), 0xFF);
}

void VirtualController::PowerOn(std::int64_t atUs) {
    originUs_ = atUs;
    state_ = State::Idle;
    writeEnabled_ = false;
    block_.clear();
}

std::uint8_t VirtualController::Ram(int address) const {
    return ram_[static_cast<std::size_t>(address & 0xFFFF)];
}

void VirtualController::SetRam(int address, std::uint8_t value) {
    ram_[static_cast<std::size_t>(address & 0xFFFF)] = value;
}

void VirtualController::Reply(std::uint8_t value, std::int64_t readyUs,
                              std::vector<TimedByte>& out) {
    out.push_back({value, readyUs});
}

void VirtualController::ReplyHex(unsigned value, int digits, std::int64_t readyUs,
                                 std::vector<TimedByte>& out) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        Reply(static_cast<std::uint8_t>(kDigits[(value >> shift) & 0xF]), readyUs, out);
}

void VirtualController::ReplyEscaped(std::uint8_t value, std::int64_t readyUs,
                                     std::vector<TimedByte>& out) {
    switch (value) {
    case 0x00:
        Reply(kEscape, readyUs, out);
        Reply(0x01, readyUs, out);
        break;
    case kEscape:
        Reply(kEscape, readyUs, out);
        Reply(0x02, readyUs, out);
        break;
    case kAbort:
        Reply(kEscape, readyUs, out);
        Reply(0x03, readyUs, out);
        break;
    default:
        Reply(value, readyUs, out);
    }
}

int VirtualController::AddressDigits(std::uint8_t letter) const {
    switch (letter) {
    case 'l':
        return 3;
    case 'f':
    case 'n':
        return std::clamp(options_.layout.nvmType, 0, 2) + 2;
    default:
        return 2;
    }
}

std::uint8_t VirtualController::ReadNvm(std::uint8_t letter, int address) {
    const int size = options_.layout.eepromTableSize;
    std::uint8_t value = 0xFF;
    if (letter == 'l') {
        const int table = address / size;
        if (table < 2)
            value = eeprom_[table][static_cast<std::size_t>(address % size)];
        address %= size;
    } else if (address < size) {
        value = eeprom_[SelectedTable()][static_cast<std::size_t>(address)];
    }
    if (address == options_.faults.weakEepromAddress)
        value = static_cast<std::uint8_t>(value ^ (++weakReads_ & 0xFF));
    return value;
}

void VirtualController::WriteNvm(std::uint8_t letter, int address, std::uint8_t value) {
    if (!writeEnabled_)
        return;
    const int size = options_.layout.eepromTableSize;
    int table = SelectedTable();
    if (letter == 'l') {
        table = address / size;
        address %= size;
    }
    if (table < 2 && address < size && address != options_.faults.badEepromAddress)
        eeprom_[table][static_cast<std::size_t>(address)] = value;
}

void VirtualController::AddBlockAddressToChecksum(int address) {
    checksum_ = static_cast<std::uint16_t>(checksum_ + ((address >> 8) & 0xFF) + (address & 0xFF));
}

void VirtualController::StartCommand(std::uint8_t letter, std::int64_t atUs,
                                     std::vector<TimedByte>& out) {
    state_ = State::Idle;
    switch (letter) {
    case 'w':
        if (!options_.answersFirmwareQuery)
            return;
        [[fallthrough]];
    case 'e':
    case 'i':
    case 'l':
    case 'f':
    case 'n':
    case 'v':
        state_ = State::Address;
        digitsWanted_ = AddressDigits(letter);
        break;
    case 'u':
    case 'd':
        state_ = State::BlockHeader;
        digitsWanted_ = BlockAddressDigits() + 2;
        break;
    case 'b':
    case 'r':
        state_ = State::FlashCommand;
        digitsWanted_ = 5;
        break;
    default:
        return; // not a command: no echo
    }
    letter_ = letter;
    digitsGot_ = 0;
    address_ = 0;
    value_ = 0;
    Reply(letter, atUs, out);
}

void VirtualController::Receive(std::uint8_t byte, std::int64_t atUs, std::vector<TimedByte>& out) {
    if (state_ == State::BlockData || state_ == State::BlockTrailer) {
        Reply(byte, atUs, out);
        if (byte == kAbort) {
            state_ = State::Idle;
            return;
        }
        std::uint8_t value = byte;
        if (escapePending_) {
            escapePending_ = false;
            switch (byte) {
            case 0x01:
                value = 0x00;
                break;
            case 0x02:
                value = kEscape;
                break;
            case 0x03:
                value = kAbort;
                break;
            default:
                blockBad_ = true;
            }
        } else if (byte == kEscape) {
            escapePending_ = true;
            return;
        }
        if (state_ == State::BlockData) {
            block_.push_back(value);
            checksum_ = static_cast<std::uint16_t>(checksum_ + value);
            if (block_.size() == value_ + 1) {
                state_ = State::BlockTrailer;
                trailerIndex_ = 0;
            }
            return;
        }
        if (trailerIndex_ == 0) {
            blockBad_ = blockBad_ || value != kAbort;
            checksum_ = static_cast<std::uint16_t>(checksum_ + kAbort);
        } else if (trailerIndex_ == 1) {
            receivedChecksum_ = value;
        } else {
            receivedChecksum_ = static_cast<std::uint16_t>(receivedChecksum_ | (value << 8));
            state_ = State::Idle;
            if (blockBad_ || receivedChecksum_ != checksum_) {
                Reply(kReject, atUs, out);
                return;
            }
            for (std::size_t i = 0; i < block_.size(); ++i)
                SetRam(static_cast<int>(address_ + i), block_[i]);
            Reply(kDone, atUs, out);
            return;
        }
        ++trailerIndex_;
        return;
    }

    const int digit = HexValue(byte);
    if (state_ == State::Idle || digit < 0) {
        StartCommand(byte, atUs, out);
        return;
    }
    const auto nibble = static_cast<unsigned>(digit);
    Reply(byte, atUs, out);
    switch (state_) {
    case State::Address:
        address_ = address_ * 16 + nibble;
        if (++digitsGot_ == digitsWanted_)
            AnswerAddress(atUs, out);
        break;
    case State::DataFirst:
        value_ = nibble;
        state_ = State::DataSecond;
        break;
    case State::DataSecond:
        value_ = value_ * 16 + nibble;
        WriteData(atUs, out);
        break;
    case State::BlockHeader:
        if (digitsGot_ < BlockAddressDigits())
            address_ = address_ * 16 + nibble;
        else
            value_ = value_ * 16 + nibble;
        if (++digitsGot_ < digitsWanted_)
            break;
        checksum_ = letter_;
        AddBlockAddressToChecksum(static_cast<int>(address_));
        checksum_ = static_cast<std::uint16_t>(checksum_ + value_);
        if (letter_ == 'd') {
            AnswerRead(atUs, out);
        } else {
            block_.clear();
            escapePending_ = false;
            blockBad_ = false;
            state_ = State::BlockData;
        }
        break;
    case State::FlashCommand:
        if (digitsGot_ < 3)
            address_ = address_ * 16 + nibble;
        else
            value_ = value_ * 16 + nibble;
        if (++digitsGot_ == digitsWanted_)
            RunFlashCommand(atUs, out);
        break;
    default:
        break;
    }
}

void VirtualController::AnswerAddress(std::int64_t atUs, std::vector<TimedByte>& out) {
    const int address = static_cast<int>(address_);
    state_ = State::DataFirst;
    switch (letter_) {
    case 'w':
        Reply(static_cast<std::uint8_t>('0' + options_.identity.firmwareVersion), atUs, out);
        Reply(static_cast<std::uint8_t>('0' + options_.identity.firmwareVersionMinor), atUs, out);
        state_ = State::Idle;
        return;
    case 'v':
        Reply(static_cast<std::uint8_t>('0' + options_.identity.deviceType), atUs, out);
        Reply(static_cast<std::uint8_t>('0' + options_.identity.hardwareVersion), atUs, out);
        state_ = State::Idle;
        return;
    case 'f':
    case 'n':
        RefreshLiveValues(atUs);
        ReplyHex(Ram(address), 2, atUs, out);
        if (letter_ == 'n') {
            // The second step of the write-enable and write-disable sequences.
            if (address == 0x80 && Ram(kMehiadr) == 0x09)
                writeEnabled_ = true;
            else if (address == 0x00 && Ram(kMehiadr) == 0x08)
                writeEnabled_ = false;
            state_ = State::Idle;
        }
        return;
    default:
        ReplyHex(ReadNvm(letter_, address), 2, atUs, out);
    }
}

void VirtualController::WriteData(std::int64_t atUs, std::vector<TimedByte>& out) {
    state_ = State::Idle;
    const auto value = static_cast<std::uint8_t>(value_);
    if (letter_ == 'f') {
        SetRam(static_cast<int>(address_), value);
        return;
    }
    WriteNvm(letter_, static_cast<int>(address_), value);
    Reply(kDone, atUs + std::int64_t{options_.eepromWriteMs} * 1000, out);
}

void VirtualController::AnswerRead(std::int64_t atUs, std::vector<TimedByte>& out) {
    state_ = State::Idle;
    RefreshLiveValues(atUs);
    for (unsigned i = 0; i <= value_; ++i) {
        const std::uint8_t value = Ram(static_cast<int>(address_ + i));
        checksum_ = static_cast<std::uint16_t>(checksum_ + value);
        ReplyEscaped(value, atUs, out);
    }
    checksum_ = static_cast<std::uint16_t>(checksum_ + kAbort);
    ReplyEscaped(kAbort, atUs, out);
    ReplyEscaped(static_cast<std::uint8_t>(checksum_ & 0xFF), atUs, out);
    ReplyEscaped(static_cast<std::uint8_t>(checksum_ >> 8), atUs, out);
    Reply(kDone, atUs, out);
}

void VirtualController::RunFlashCommand(std::int64_t atUs, std::vector<TimedByte>& out) {
    state_ = State::Idle;
    const SimLayout& layout = options_.layout;
    const long blockSize = layout.flashBlockSize;
    const long first = static_cast<long>(address_) * blockSize;
    const long count = static_cast<long>(value_) + 1;
    const long bytes = count * blockSize;
    const long flashSize = static_cast<long>(flash_.size());
    const long bufferStart = layout.bufferStart;
    auto reject = [&](long failedAt, std::int64_t readyUs) {
        Reply(kReject, readyUs, out);
        if (letter_ == 'b') {
            char text[16];
            std::snprintf(text, sizeof text, "%.4lX", static_cast<unsigned long>(failedAt));
            for (const char* c = text; *c != '\0'; ++c)
                Reply(static_cast<std::uint8_t>(*c), readyUs, out);
        }
    };
    if (first + bytes > flashSize) {
        reject(std::max(first, flashSize), atUs);
        return;
    }
    if (bytes > layout.bufferSize || bufferStart < 0 || bufferStart + bytes > kRamSize) {
        reject(first + std::max(0L, layout.bufferSize / blockSize) * blockSize, atUs);
        return;
    }
    if (letter_ == 'r') {
        for (long i = 0; i < bytes; ++i) {
            std::uint8_t value = flash_[static_cast<std::size_t>(first + i)];
            if (first + i == options_.faults.weakFlashAddress)
                value = static_cast<std::uint8_t>(value ^ (++weakReads_ & 0xFF));
            SetRam(static_cast<int>(bufferStart + i), value);
        }
        Reply(kDone, atUs, out);
        return;
    }
    if (refusalsLeft_ > 0) {
        --refusalsLeft_;
        reject(first, atUs);
        return;
    }
    // Erase and program block by block, verifying each; stop at the first bad byte.
    const std::int64_t blockUs = std::int64_t{options_.flashBlockMs} * 1000;
    for (long block = 0; block < count; ++block) {
        for (long i = block * blockSize; i < (block + 1) * blockSize; ++i) {
            const long address = first + i;
            const std::uint8_t wanted = Ram(static_cast<int>(bufferStart + i));
            auto& cell = flash_[static_cast<std::size_t>(address)];
            cell = address == options_.faults.badFlashAddress ? 0xFF : wanted;
            if (cell != wanted) {
                reject(address, atUs + (block + 1) * blockUs);
                return;
            }
        }
    }
    Reply(kDone, atUs + count * blockUs, out);
}

void VirtualController::RefreshLiveValues(std::int64_t atUs) {
    const std::int64_t ms = (atUs - originUs_) / 1000;
    const DriveState now = DriveCycle::At(ms);
    const DriveState before = DriveCycle::At(ms - 100);
    auto set16 = [this](int address, std::uint16_t value) {
        SetRam(address, static_cast<std::uint8_t>(value >> 8));
        SetRam(address + 1, static_cast<std::uint8_t>(value & 0xFF));
    };
    auto vssHz = [](const DriveState& state) { return state.speedKmh * 2500 / 3600; };
    auto ignitionHz = [](const DriveState& state) { return state.engineRpm / 30; };
    static constexpr std::uint8_t kSolenoids[4] = {0x01, 0x03, 0x02, 0x00};

    SetRam(kTps, ToByte(now.throttle * 255));
    SetRam(kGear, static_cast<std::uint8_t>(now.gear));
    SetRam(kOldGear, static_cast<std::uint8_t>(now.oldGear));
    SetRam(kCgear, static_cast<std::uint8_t>(now.gear));
    set16(kVssNewH, PeriodTicks(vssHz(now)));
    set16(kVssOldH, PeriodTicks(vssHz(before)));
    set16(kCaptNewH, PeriodTicks(ignitionHz(now)));
    set16(kCaptOldH, PeriodTicks(ignitionHz(before)));
    SetRam(kVssFrq, ToByte(now.speedKmh));
    SetRam(kCh7, ToByte(now.turbineRpm / 32));
    SetRam(kCclutch, now.clutchLocked ? 1 : 0);
    SetRam(kVstop, now.speedKmh < 0.5 ? 1 : 0);
    SetRam(kMlps, ToByte(now.linePressure * 255));
    SetRam(kEct, ToByte(now.coolantC + 40));
    SetRam(kTot, ToByte(now.oilC + 40));
    SetRam(kVref, 250);
    SetRam(kVbatx, ToByte(now.batteryV * 10));
    SetRam(kSolPattern1, kSolenoids[now.gear - 1]);
    SetRam(kCctimer, static_cast<std::uint8_t>((ms / 10) & 0xFF));
    SetRam(kDrefresh, static_cast<std::uint8_t>((ms / 100) & 0xFF));
    SetRam(kErrFlag, 0);
}

} // namespace vexa
