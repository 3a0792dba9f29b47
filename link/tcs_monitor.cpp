#include "link/tcs_monitor.h"

#include "core/documenthost.h"
#include "link/comtimeouts.h"
#include "link/ramsymbols.h"

#include <algorithm>
#include <cstdio>

namespace vexa {

namespace {

constexpr const char* kPrefixReadWrtCmd = "Error in function CTCS_Monitor::read_wrt_cmd: ";
constexpr const char* kPrefixTestAndWrite = "Error in function CTCS_Monitor::test_and_write_NVM: ";
constexpr const char* kPrefixReadNvm = "Error in function CTCS_Monitor::read_NVM: ";
constexpr const char* kUndefinedNvmMode = "Undefined NVM Addressing Mode Set in Monitor Module";
constexpr const char* kUndefinedRamMode = "Undefined RAM Addressing Mode Set in Monitor Module";
constexpr const char* kSendFailed = "Comm. Send Failed.";
constexpr std::uint8_t kAbortByte = 'w';
constexpr std::uint8_t kEndMarker = 0x77;

std::string Hex2(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%.2X", static_cast<unsigned>(std::clamp(value, 0, 255)));
    return text;
}

std::string DataText(int value) {
    return value == CTCS_Monitor::kNoData ? "" : Hex2(value);
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The two reply characters as a byte; false when they are not hex digits.
bool ParseHexByte(const std::string& text, int& value) {
    if (text.size() < 2 || !IsHexDigit(text[0]) || !IsHexDigit(text[1]))
        return false;
    value = std::stoi(text.substr(0, 2), nullptr, 16);
    return true;
}

std::string AsText(const std::uint8_t* bytes, int count) {
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
}

bool IsEepromLetter(char letter) {
    return letter == 'e' || letter == 'i' || letter == 'l';
}

} // namespace

bool FormatMonitorAddress(int mode, int address, std::string& text) {
    char buffer[8];
    switch (mode) {
    case 0:
        std::snprintf(buffer, sizeof buffer, "%.2X",
                      static_cast<unsigned>(std::clamp(address, 0, 0xFF)));
        break;
    case 1:
        std::snprintf(buffer, sizeof buffer, "%.3X",
                      static_cast<unsigned>(std::clamp(address, 0, 0xFFF)));
        break;
    case 2:
        std::snprintf(buffer, sizeof buffer, "%.4X",
                      static_cast<unsigned>(std::clamp(address, 0, 0xFFFF)));
        break;
    default:
        return false;
    }
    text = buffer;
    return true;
}

void AppendEscaped(std::vector<std::uint8_t>& frame, std::uint8_t value) {
    switch (value) {
    case 0x00:
        frame.insert(frame.end(), {0xFE, 0x01});
        break;
    case 0xFE:
        frame.insert(frame.end(), {0xFE, 0x02});
        break;
    case 0x77:
        frame.insert(frame.end(), {0xFE, 0x03});
        break;
    default:
        frame.push_back(value);
    }
}

CTCS_Monitor::CTCS_Monitor(std::unique_ptr<ByteTransport> transport, TimerService& timers,
                           int timerId)
    : transport_(std::move(transport)), timers_(timers), timerId_(timerId) {
    std::string ignored;
    transport_->Open(ignored);
    // Start as connected so that the drop to disconnected starts the reconnection timer.
    connected_ = 1;
    set_connected(0);
}

CTCS_Monitor::~CTCS_Monitor() {
    timers_.Stop(timerId_);
    transport_->Close();
}

// ---- Primitives -------------------------------------------------------------------------

int CTCS_Monitor::send_char(char ch, std::string& error) {
    const auto byte = static_cast<std::uint8_t>(ch);
    if (transport_->Write(&byte, 1) != 1) {
        error += kSendFailed;
        return 0;
    }
    std::uint8_t received = 0;
    const int count = transport_->Read(&received, 1);
    if (count == 1 && received == byte)
        return 1;
    std::string what;
    if (count == 1)
        what = std::string("'") + static_cast<char>(received) + "'";
    else if (count == 0)
        what = "NULL";
    else
        what = std::to_string(count);
    error += "Comm. Readback Error: RX = " + what + ", expected '" + std::string(1, ch) + "'.\n";
    return 0;
}

int CTCS_Monitor::send_cmd(char letter, const std::string& address, std::string& result,
                           std::string& error) {
    if (!send_char(letter, error))
        return 0;
    if (address.empty()) {
        error += kSendFailed;
        return 0;
    }
    if (!send_char(address[0], error))
        return 0;
    const std::string rest = address.substr(1);
    const int k = static_cast<int>(rest.size());
    if (k > 0 && transport_->Write(reinterpret_cast<const std::uint8_t*>(rest.data()), k) < k) {
        error += kSendFailed;
        return 0;
    }
    std::vector<std::uint8_t> received(static_cast<std::size_t>(k + 2), 0);
    const int count = transport_->Read(received.data(), k + 2);
    const int got = std::max(count, 0);
    if (got < k ||
        !std::equal(rest.begin(), rest.end(), received.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; })) {
        if (count > 0)
            error += "Comm. Readback Error: RX = " + AsText(received.data(), got) + ", expected '" +
                     rest + "'.\n";
        else if (count == 0)
            error += "Comm. Readback Error: RX = NULL, expected '" + rest + "'.\n";
        else
            error += "Comm. Readback Error: RXVAL = " + std::to_string(count) + ", expected '" +
                     rest + "'.\n";
        return 0;
    }
    const std::string answer = AsText(received.data() + k, got - k);
    if (answer.size() != 2) {
        error += "Comm. Result Error: RX = " + answer + ", expected 2 bytes.\n";
        return 0;
    }
    result = answer;
    return 1;
}

int CTCS_Monitor::send_data(int wait, const std::string& data, std::string& error) {
    if (data.empty())
        return 1;
    for (std::size_t i = 0; i < std::min<std::size_t>(data.size(), 2); ++i) {
        if (!send_char(data[i], error))
            return 0;
    }
    if (wait == 1) {
        std::uint8_t done = 0;
        const int count = transport_->Read(&done, 1);
        if (count != 1 || done != 'c') {
            // Said in the words of the other readback errors, so a failed write is never
            // left without a reason.
            const std::string what =
                count == 1 ? std::string("'") + static_cast<char>(done) + "'" : "NULL";
            error += "Comm. Write Confirmation Error: RX = " + what + ", expected 'c'.\n";
            return 0;
        }
    }
    return 1;
}

// ---- Byte commands ----------------------------------------------------------------------

int CTCS_Monitor::read_wrt_cmd_step(char letter, const std::string& address, std::string& data,
                                    std::string& error, Step& failed) {
    Exchange exchange(*this);
    failed = Step::None;
    error = kPrefixReadWrtCmd;
    std::string result;
    if (!send_cmd(letter, address, result, error)) {
        failed = Step::Command;
        set_connected(0);
        return 0;
    }
    if (!data.empty() && !send_data(IsEepromLetter(letter) ? 1 : 0, data, error)) {
        failed = Step::Data;
        data = result;
        set_connected(0);
        return 0;
    }
    data = result;
    error = result + "\n";
    return 1;
}

int CTCS_Monitor::read_wrt_cmd(char letter, const std::string& address, std::string& data,
                               std::string& error) {
    Step failed = Step::None;
    return read_wrt_cmd_step(letter, address, data, error, failed);
}

int CTCS_Monitor::test_and_write_NVM(char letter, const std::string& address, std::string& data,
                                     std::string& error) {
    Exchange exchange(*this);
    error = kPrefixTestAndWrite;
    if (!connected_)
        return 0;
    std::string current;
    if (!send_cmd(letter, address, current, error)) {
        set_connected(0);
        return 0;
    }
    if (current == data) {
        // A changed digit can make one read match: a second read must agree before the
        // write is skipped.
        std::string again;
        if (!send_cmd(letter, address, again, error)) {
            set_connected(0);
            return 0;
        }
        if (again == data) {
            error.clear();
            return 1;
        }
        current = again;
    }
    if (data.empty()) {
        data = current;
        error = current;
        return 1;
    }
    const int wait = IsEepromLetter(letter) ? 1 : 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!send_data(wait, data, error) || !send_cmd(letter, address, current, error)) {
            set_connected(0);
            return 0;
        }
        if (current == data) {
            error.clear();
            return 1;
        }
    }
    data = current;
    error = current;
    return 0;
}

int CTCS_Monitor::nvm_mode_for(char letter) const {
    switch (letter) {
    case 'f':
    case 'n':
        return ramMode_;
    case 'e':
    case 'i':
        return eiMode_;
    case 'l':
        return lMode_;
    default:
        return 0;
    }
}

int CTCS_Monitor::write_NVM(char letter, int address, int value, std::string& error) {
    std::string addressText;
    if (!FormatMonitorAddress(nvm_mode_for(letter), address, addressText)) {
        error = kUndefinedNvmMode;
        return 0;
    }
    std::string data = DataText(value);
    return test_and_write_NVM(letter, addressText, data, error);
}

int CTCS_Monitor::read_NVM(char letter, int address, std::uint16_t& value, std::string& error) {
    Exchange exchange(*this);
    error = kPrefixReadNvm;
    if (!connected_)
        return 0;
    std::string addressText;
    if (!FormatMonitorAddress(nvm_mode_for(letter), address, addressText)) {
        error = kUndefinedNvmMode;
        return 0;
    }
    std::string result;
    if (!send_cmd(letter, addressText, result, error)) {
        set_connected(0);
        return 0;
    }
    int parsed = 0;
    if (!ParseHexByte(result, parsed)) {
        // Two characters that are no byte are a garbled reply, not a value.
        error += "Comm. Result Error: RX = " + result + ", expected 2 hex digits.\n";
        set_connected(0);
        return 0;
    }
    error.clear();
    value = static_cast<std::uint16_t>(parsed);
    return 1;
}

int CTCS_Monitor::read_RAM(char letter, int address, int& value, std::string& error) {
    std::string addressText;
    if (!FormatMonitorAddress(ramMode_, address, addressText)) {
        error = kUndefinedRamMode;
        return 0;
    }
    std::string data = DataText(value);
    Step failed = Step::None;
    const int result = read_wrt_cmd_step(letter, addressText, data, error, failed);
    if (failed == Step::Command)
        return 0;
    int parsed = 0;
    if (!ParseHexByte(data, parsed)) {
        if (result) {
            error = std::string(kPrefixReadWrtCmd) + "Comm. Result Error: RX = " + data +
                    ", expected 2 hex digits.\n";
            set_connected(0);
        }
        return 0;
    }
    value = parsed;
    return result;
}

int CTCS_Monitor::write_RAM(char letter, int address, int value, std::string& error) {
    std::string addressText;
    if (!FormatMonitorAddress(ramMode_, address, addressText)) {
        error = kUndefinedRamMode;
        return 0;
    }
    std::string data = DataText(value);
    return read_wrt_cmd(letter, addressText, data, error);
}

int CTCS_Monitor::enable_EEPROM_write() {
    std::string error;
    return enable_EEPROM_write(error);
}

int CTCS_Monitor::enable_EEPROM_write(std::string& error) {
    Exchange exchange(*this);
    purge();
    if (write_RAM('f', 0x44, 0x09, error) && write_RAM('n', 0x80, kNoData, error))
        return 1;
    if (owner_ != nullptr)
        owner_->ShowMessage(error, "EEPROM Write Enable Error:", kMbIconStop | kMbTaskModal);
    set_connected(0);
    return 0;
}

int CTCS_Monitor::disable_EEPROM_write() {
    std::string error;
    return disable_EEPROM_write(error, 1);
}

int CTCS_Monitor::disable_EEPROM_write(std::string& error, int show) {
    Exchange exchange(*this);
    if (write_RAM('f', 0x44, 0x08, error) && write_RAM('n', 0x00, kNoData, error))
        return 1;
    if (show && owner_ != nullptr)
        owner_->ShowMessage(error, "EEPROM Write Disable Error:", kMbIconStop | kMbTaskModal);
    set_connected(0);
    return 0;
}

// ---- Block and flash commands -----------------------------------------------------------

namespace {

// Address bytes of a block header as digits and as checksum contributions: four digits in
// RAM addressing mode 2, else three.
void AppendBlockAddress(std::vector<std::uint8_t>& frame, std::uint16_t& checksum, int mode,
                        int address) {
    char digits[8];
    int clamped = 0;
    if (mode == 2) {
        clamped = std::clamp(address, 0, 0xFFFF);
        std::snprintf(digits, sizeof digits, "%.4X", static_cast<unsigned>(clamped));
    } else {
        clamped = std::clamp(address, 0, 0xFFF);
        std::snprintf(digits, sizeof digits, "%.3X", static_cast<unsigned>(clamped));
    }
    for (const char* d = digits; *d != '\0'; ++d)
        frame.push_back(static_cast<std::uint8_t>(*d));
    checksum = static_cast<std::uint16_t>(checksum + ((clamped >> 8) & (mode == 2 ? 0xFF : 0x0F)));
    checksum = static_cast<std::uint16_t>(checksum + (clamped & 0xFF));
}

void AppendHex2(std::vector<std::uint8_t>& frame, int value) {
    for (char c : Hex2(value))
        frame.push_back(static_cast<std::uint8_t>(c));
}

} // namespace

void CTCS_Monitor::add_status_dot(int index, std::string& status) {
    if (index % 20 != 0 || owner_ == nullptr)
        return;
    owner_->SetStatusText(status);
    status += ".";
}

void CTCS_Monitor::send_abort() {
    // The controller echoes the abort byte; read here, that echo cannot be taken for the
    // first byte of the next command's answer.
    if (transport_->Write(&kAbortByte, 1) == 1) {
        std::uint8_t echo = 0;
        transport_->Read(&echo, 1);
    }
}

int CTCS_Monitor::write_block(std::span<const std::uint8_t> source, int first, int address,
                              int count, int nvmType, std::string& status) {
    Exchange exchange(*this);
    blockChecksum_ = 0;
    pendingEcho_ = 0;
    const int n = std::clamp(count - 1, 0, 255);
    if (first < 0 || static_cast<std::size_t>(first) + static_cast<std::size_t>(n) >= source.size())
        return 1;

    std::vector<std::uint8_t> frame;
    frame.push_back('u');
    blockChecksum_ = 'u';
    AppendBlockAddress(frame, blockChecksum_, ramMode_, address);
    AppendHex2(frame, n);
    blockChecksum_ = static_cast<std::uint16_t>(blockChecksum_ + n);
    for (int i = first; i <= first + n; ++i) {
        add_status_dot(i, status);
        const std::uint8_t value = source[static_cast<std::size_t>(i)];
        AppendEscaped(frame, value);
        blockChecksum_ = static_cast<std::uint16_t>(blockChecksum_ + value);
    }
    AppendEscaped(frame, kEndMarker);
    blockChecksum_ = static_cast<std::uint16_t>(blockChecksum_ + kEndMarker);
    AppendEscaped(frame, static_cast<std::uint8_t>(blockChecksum_ & 0xFF));
    AppendEscaped(frame, static_cast<std::uint8_t>(blockChecksum_ >> 8));
    const int frameLength = static_cast<int>(frame.size());
    pendingEcho_ = frameLength;

    // Send in pieces while the echo comes back, so the controller's receive buffer and the
    // USB report size are never exceeded: the frame's echo, then 'c'.
    int pieceLimit = frameLength;
    if (transport_->IsUsb())
        pieceLimit = 62;
    else if (nvmType < 2)
        pieceLimit = 250;
    std::vector<std::uint8_t> received(static_cast<std::size_t>(frameLength) + 1, 0);
    int sent = 0;
    int got = 0;
    while (pendingEcho_ >= 0) {
        if (sent - got < 2 && sent < frameLength) {
            const int piece = std::min(frameLength - sent, pieceLimit);
            sent += std::max(write_piece(frame.data() + sent, piece), 0);
        }
        const int r = transport_->Read(received.data() + got, pendingEcho_ + 1);
        if (r <= 0)
            return 0xFF;
        got += r;
        pendingEcho_ -= r;
    }
    const bool echoed = std::equal(frame.begin(), frame.end(), received.begin());
    return echoed && received[static_cast<std::size_t>(frameLength)] == 'c' ? 0 : 1;
}

int CTCS_Monitor::write_piece(const std::uint8_t* bytes, int n) {
    return transport_->Write(bytes, n);
}

int CTCS_Monitor::get_escaped() {
    std::uint8_t byte = 0;
    if (transport_->Read(&byte, 1) != 1)
        return 0x1000;
    if (byte != 0xFE)
        return byte;
    if (transport_->Read(&byte, 1) != 1)
        return 0x1000;
    switch (byte) {
    case 0x01:
        return 0x00;
    case 0x02:
        return 0xFE;
    case 0x03:
        return 0x77;
    default:
        return 0x2000;
    }
}

int CTCS_Monitor::read_block(std::span<std::uint8_t> destination, int first, int address, int count,
                             std::string& status) {
    Exchange exchange(*this);
    blockChecksum_ = 0;
    const int n = std::clamp(count - 1, 0, 255);
    if (first < 0 ||
        static_cast<std::size_t>(first) + static_cast<std::size_t>(n) >= destination.size())
        return 0x1000;

    std::vector<std::uint8_t> header;
    header.push_back('d');
    blockChecksum_ = 'd';
    AppendBlockAddress(header, blockChecksum_, ramMode_, address);
    AppendHex2(header, n);
    blockChecksum_ = static_cast<std::uint16_t>(blockChecksum_ + n);
    const int headerLength = static_cast<int>(header.size());
    std::vector<std::uint8_t> echo(header.size(), 0);
    transport_->Write(header.data(), headerLength);
    const int echoCount = transport_->Read(echo.data(), headerLength);

    for (int i = first; i <= first + n; ++i) {
        add_status_dot(i, status);
        const int value = get_escaped();
        if (value > 0xFF)
            return value;
        destination[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
        blockChecksum_ = static_cast<std::uint16_t>(blockChecksum_ + value);
    }
    if (echoCount != headerLength || echo != header) {
        std::uint8_t discard[4];
        transport_->Read(discard, 4);
        return 0x1000;
    }
    // The trailer: end marker, checksum low and high byte, then 'c'.
    blockChecksum_ = static_cast<std::uint16_t>(blockChecksum_ + kEndMarker);
    if (get_escaped() != kEndMarker || get_escaped() != (blockChecksum_ & 0xFF) ||
        get_escaped() != (blockChecksum_ >> 8))
        return 0xF000;
    if (get_escaped() != 'c')
        return 0x2000;
    return 0;
}

int CTCS_Monitor::write_flash(int block, int count, std::string& error) {
    Exchange exchange(*this);
    error.clear();
    char command[16];
    std::snprintf(command, sizeof command, "b%.3X%.2X",
                  static_cast<unsigned>(std::clamp(block, 0, 0xFFF)),
                  static_cast<unsigned>(std::clamp(count - 1, 0, 255)));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(command);
    std::uint8_t reply[8] = {};
    if (transport_->Write(bytes, 5) != 5 || transport_->Read(reply, 5) != 5 ||
        !std::equal(bytes, bytes + 5, reply)) {
        error = "Could not invoke flash memory write due to communication error.";
        send_abort();
        return 1;
    }
    // The last character starts programming; 'c' follows when every byte verified.
    std::uint8_t done[2] = {};
    if (transport_->Write(bytes + 5, 1) == 1 && transport_->Read(done, 2) == 2 &&
        done[0] == bytes[5] && done[1] == 'c')
        return 0;
    std::uint8_t where[6] = {};
    const int count6 = std::max(transport_->Read(where, 6), 0);
    error = "Flash memory write verification failed at address 0x" + AsText(where, count6);
    send_abort();
    return 0xFF;
}

int CTCS_Monitor::read_flash(int block, int count, std::string& error) {
    Exchange exchange(*this);
    error.clear();
    char command[16];
    std::snprintf(command, sizeof command, "r%.3X%.2X",
                  static_cast<unsigned>(std::clamp(block, 0, 0xFFF)),
                  static_cast<unsigned>(std::clamp(count - 1, 0, 255)));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(command);
    std::uint8_t reply[8] = {};
    if (transport_->Write(bytes, 6) == 6 && transport_->Read(reply, 7) == 7 &&
        std::equal(bytes, bytes + 6, reply) && reply[6] == 'c')
        return 0;
    error = "Could not read flash memory due to a communication error.";
    send_abort(); // its echo is the byte read and dropped
    return 1;
}

// ---- Identification and symbols ---------------------------------------------------------

int CTCS_Monitor::read_version(std::uint16_t* deviceType, std::uint16_t* hardwareVersion,
                               std::uint16_t* firmwareVersion, std::uint16_t* firmwareMinor,
                               std::string* errorOut) {
    Exchange exchange(*this);
    std::string error;
    auto fail = [&](const std::string& what) {
        if (errorOut != nullptr)
            *errorOut = what;
        set_connected(0);
        // What the failed query left on its way must not answer the next exchange.
        purge_line();
        return 0;
    };
    if (errorOut != nullptr)
        errorOut->clear();
    std::string firmware;
    purge();
    const bool firmwareAnswered = read_wrt_cmd('w', "00", firmware, error) != 0;
    if (firmwareAnswered) {
        if (firmware.size() < 2 || firmware[0] < '1' || firmware[1] < '0')
            return fail("Firmware version reply '" + firmware + "' is not a controller's.");
    } else {
        firmware = "10"; // a controller that does not know 'w' runs firmware 1.0
    }
    std::string product;
    // After an unanswered or garbled 'w', its echo may still be on its way.
    if (firmwareAnswered)
        purge();
    else
        purge_line();
    if (!read_wrt_cmd('v', "00", product, error))
        return fail(error);
    if (product.size() < 2 || product[0] < '1' || product[1] < '1')
        return fail("Product version reply '" + product + "' is not a controller's.");
    int flags = 1;
    int firmwareDirection = 0;
    auto digit = [](char c) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(c) - '0');
    };
    auto compare = [](std::uint16_t* old, std::uint16_t now, int greater, int smaller) {
        int bits = 0;
        if (now > *old)
            bits = greater;
        else if (now < *old)
            bits = smaller;
        *old = now;
        return bits;
    };
    if (deviceType != nullptr)
        flags |= compare(deviceType, digit(product[0]), 0x40, 0x80);
    if (hardwareVersion != nullptr)
        flags |= compare(hardwareVersion, digit(product[1]), 0x10, 0x20);
    if (firmwareMinor != nullptr)
        firmwareDirection = compare(firmwareMinor, digit(firmware[1]), 0x04, 0x08);
    if (firmwareVersion != nullptr) {
        const int major = compare(firmwareVersion, digit(firmware[0]), 0x04, 0x08);
        if (major != 0)
            firmwareDirection = major;
    }
    return flags | firmwareDirection;
}

int CTCS_Monitor::lookup_symbol(const std::string& text) const {
    return LookupRamSymbol(text);
}

int CTCS_Monitor::read_symbol(const std::string& text) {
    const int address = lookup_symbol(text);
    if (address == 0)
        return kNoData;
    int value = kNoData;
    std::string error;
    if (!read_RAM('f', address, value, error))
        return kNoData;
    return value;
}

// ---- Link and state ---------------------------------------------------------------------

int CTCS_Monitor::purge() {
    return transport_->Purge();
}

int CTCS_Monitor::purge_line(int abort) {
    Exchange exchange(*this);
    if (abort)
        send_abort();
    // Take whatever still arrives until the line has been quiet for the COM interval; a
    // controller that never stops talking is cut off after about two seconds of bytes.
    constexpr int kQuietMs = ComReadTimeouts{}.intervalMs;
    std::uint8_t scrap[64];
    int drained = 0;
    // Over USB a report wait that passes in silence closes the device, so there only the
    // buffered input goes.
    while (!transport_->IsUsb() && drained < kSettleLimitBytes) {
        const int got = transport_->ReadAvailable(scrap, static_cast<int>(sizeof scrap), kQuietMs);
        if (got <= 0)
            break;
        drained += got;
    }
    return transport_->Purge();
}

void CTCS_Monitor::set_addressing_modes(int nvmType) {
    lMode_ = 1;
    eiMode_ = 0;
    ramMode_ = nvmType >= 0 && nvmType <= 2 ? nvmType : 0;
}

void CTCS_Monitor::set_addressing_mode_values(int lMode, int eiMode, int ramMode) {
    lMode_ = lMode;
    eiMode_ = eiMode;
    ramMode_ = ramMode;
}

void CTCS_Monitor::set_connected(int state) {
    const int was = connected_;
    connected_ = state;
    if (was == 1 && state == 0) {
        restart_timer(kReconnectPeriodMs);
        if (owner_ != nullptr)
            owner_->ShowConnectionStatus(0);
    } else if (was == 0 && state == 1) {
        if (logItemCount_ > 0)
            restart_timer(dataLogPeriodMs_);
        else if (monitorItemCount_ > 0)
            restart_timer(dashboardPeriodMs_);
        if (owner_ != nullptr)
            owner_->ShowConnectionStatus(1);
    }
}

void CTCS_Monitor::suspend() {
    restart_timer(kSuspendPeriodMs);
    transport_->Close();
}

int CTCS_Monitor::reopen_port(std::string& error, int baud) {
    (void)baud;
    transport_->Close();
    return transport_->Open(error);
}

// ---- Timer and polling ------------------------------------------------------------------

void CTCS_Monitor::restart_timer(int periodMs) {
    timers_.Stop(timerId_);
    timerPeriod_ = periodMs;
    timers_.Start(timerId_, periodMs, [this] { on_poll_timer(); });
}

void CTCS_Monitor::restart_poll_timer() {
    if (!connected_)
        restart_timer(kReconnectPeriodMs);
    else
        restart_timer(logItemCount_ > 0 ? dataLogPeriodMs_ : dashboardPeriodMs_);
}

void CTCS_Monitor::set_poll_item_counts(int logItems, int monitorItems) {
    logItemCount_ = std::max(logItems, 0);
    monitorItemCount_ = std::max(monitorItems, 0);
}

void CTCS_Monitor::set_update_periods(int dashboardPeriodMs, int dataLogPeriodMs) {
    dashboardPeriodMs_ = dashboardPeriodMs;
    dataLogPeriodMs_ = dataLogPeriodMs;
}

void CTCS_Monitor::on_poll_timer() {
    // A tick dispatched by the loop of a message box opened during an exchange must not
    // start another exchange.
    if (busy_ > 0)
        return;
    Exchange exchange(*this);
    if (!connected_) {
        std::string ignored;
        purge();
        reopen_port(ignored, 9600);
        purge();
        if (owner_ == nullptr || !owner_->CheckController())
            return;
    }
    if (owner_ == nullptr)
        return;
    if (!owner_->PollTick())
        owner_->CheckController();
}

} // namespace vexa
