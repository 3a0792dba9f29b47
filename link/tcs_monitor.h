#pragma once
// CTCS_Monitor: the host side of the controller's character monitor. It turns reads and
// writes of controller EEPROM, RAM and flash into short ASCII exchanges, checks every
// echoed character, keeps the connection state and runs the one timer that drives
// reconnection and live-data polling.
//
// Error texts: every operation takes a caller-supplied text; the top-level operations
// start it with their own prefix and the primitives append what went wrong.
// Returns: 1 for success and 0 for failure unless an operation says otherwise.
#include "core/timerservice.h"
#include "link/bytetransport.h"
#include "link/monitorowner.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vexa {

class CTCS_Monitor {
public:
    // The value that, passed as the byte of a command, means "only read".
    static constexpr int kNoData = -1000;
    // Timer periods in milliseconds.
    static constexpr int kReconnectPeriodMs = 1000;
    static constexpr int kSuspendPeriodMs = 8000;
    static constexpr int kDefaultDashboardPeriodMs = 100;
    static constexpr int kDefaultDataLogPeriodMs = 50;
    // The id under which the monitor runs its timer in the TimerService.
    static constexpr int kDefaultTimerId = 0x5443;

    // Takes the transport (a CSerialPort, possibly traced) and opens it at once; an open
    // failure is not reported here (the timer retries). Starts the 1000 ms timer on
    // timers, which must outlive the monitor.
    CTCS_Monitor(std::unique_ptr<ByteTransport> transport, TimerService& timers,
                 int timerId = kDefaultTimerId);
    ~CTCS_Monitor();
    CTCS_Monitor(const CTCS_Monitor&) = delete;
    CTCS_Monitor& operator=(const CTCS_Monitor&) = delete;

    // The document that receives messages, status texts and the timer's checks; not owned,
    // may be null.
    void set_document(MonitorOwner* owner) { owner_ = owner; }
    MonitorOwner* document() const { return owner_; }

    // ---- Primitives -----------------------------------------------------------------
    // Sends one character and checks its echo.
    int send_char(char ch, std::string& error);
    // Sends the command letter and the address text and receives the echo and the two
    // characters of the answer into result.
    int send_cmd(char letter, const std::string& address, std::string& result, std::string& error);
    // Sends the two characters of data (nothing when data is empty); with wait 1 the
    // controller's completion byte 'c' must follow.
    int send_data(int wait, const std::string& data, std::string& error);

    // ---- Byte commands --------------------------------------------------------------
    // One command with optional data; data returns the value the location held before.
    // Does not look at the connection state; a failure disconnects.
    int read_wrt_cmd(char letter, const std::string& address, std::string& data,
                     std::string& error);
    // Reads the location and, when data holds a value it does not already hold, writes it
    // and reads it back, up to three times. Fails without traffic when disconnected.
    int test_and_write_NVM(char letter, const std::string& address, std::string& data,
                           std::string& error);
    // value 0..255 (clamped), or kNoData to read.
    int write_NVM(char letter, int address, int value, std::string& error);
    int read_NVM(char letter, int address, std::uint16_t& value, std::string& error);
    // value: in, the byte to write or kNoData; out, the byte's previous value (kept as
    // passed in when the command step failed).
    int read_RAM(char letter, int address, int& value, std::string& error);
    int write_RAM(char letter, int address, int value, std::string& error);
    // The EEPROM write-enable (RAM 0x44 = 0x09, then `n` at 0x80) and write-disable
    // (0x44 = 0x08, then `n` at 0x00) sequences. A failure is shown in a message box
    // ("EEPROM Write Enable Error:" / "EEPROM Write Disable Error:"; for the disable only
    // with show 1) and disconnects; error, when given, receives what went wrong.
    int enable_EEPROM_write();
    int enable_EEPROM_write(std::string& error);
    int disable_EEPROM_write();
    int disable_EEPROM_write(std::string& error, int show);

    // ---- Block and flash commands ---------------------------------------------------
    // Writes count (1..256) bytes of source from index first into controller RAM at
    // address, in one framed 'u' command. Returns 0 done, 1 malformed reply (or a range
    // outside source, with no traffic), 0xFF no reply. status grows by one "." per 20 bytes
    // and is shown in the status bar.
    int write_block(std::span<const std::uint8_t> source, int first, int address, int count,
                    int nvmType, std::string& status);
    // Reads count bytes of controller RAM at address into destination from index first
    // with a framed 'd' command. Returns 0 done, 0x1000 no byte or a wrong echo (or a
    // range outside destination, with no traffic), 0x2000 a bad escape or end byte,
    // 0xF000 a wrong end marker or checksum.
    int read_block(std::span<std::uint8_t> destination, int first, int address, int count,
                   std::string& status);
    // Programs count flash blocks from the RAM buffer, starting at block. Returns 0 done,
    // 1 not started, 0xFF verification failed (error names the address). After a failure
    // the abort byte has been sent and its echo read.
    int write_flash(int block, int count, std::string& error);
    // Copies count flash blocks into the RAM buffer. Returns 0 done, 1 failed.
    int read_flash(int block, int count, std::string& error);

    // ---- Identification and symbols -------------------------------------------------
    // Queries the firmware ('w') and product ('v') versions. Each pointer, when not null,
    // holds the old value and receives the new one. Returns 0 when no controller answered,
    // else 1 with the change bits: 0x04/0x08 firmware newer/older, 0x10/0x20 hardware
    // greater/smaller, 0x40/0x80 device type greater/smaller. error, when not null,
    // receives what went wrong when the result is 0 (empty otherwise).
    int read_version(std::uint16_t* deviceType, std::uint16_t* hardwareVersion,
                     std::uint16_t* firmwareVersion, std::uint16_t* firmwareMinor,
                     std::string* error = nullptr);
    // RAM address of a symbol name or "\number"; 0 when it is neither.
    int lookup_symbol(const std::string& text) const;
    // The RAM byte named by text, 0..255, or -1000 when the name is unknown (no traffic)
    // or the read failed (which disconnects).
    int read_symbol(const std::string& text);

    // ---- Link and state -------------------------------------------------------------
    // Discards what the transport holds now (bytes still on the line arrive later).
    int purge();
    // After a failed exchange: lets the bytes still on their way arrive (until no byte has
    // come for the COM interval of 50 ms, or kSettleLimitBytes have come), then purges, so
    // nothing of the failed exchange is read as the answer to the next. With abort 1 the
    // abort byte is sent first (its echo read), ending any command or frame the controller
    // may still be inside. Over USB only the buffered input is dropped (a report wait that
    // passes in silence would close the device). Returns 1.
    int purge_line(int abort = 0);
    // About two seconds of a 9600-baud line.
    static constexpr int kSettleLimitBytes = 2048;
    // RAM addressing mode from $NVMType (0, 1, 2; anything else gives 0); the 'l' mode
    // becomes 1 and the 'e'/'i' mode 0.
    void set_addressing_modes(int nvmType);
    // Sets the three modes unchecked; an undefined mode makes the operations that use it
    // fail without traffic.
    void set_addressing_mode_values(int lMode, int eiMode, int ramMode);
    int ram_addressing_mode() const { return ramMode_; }
    void set_connected(int state);
    int is_connected() const { return connected_; }
    // Before a system suspend: the next tick comes after 8000 ms, and the port is closed.
    void suspend();
    int is_usb_direct() const { return transport_->IsUsb() ? 1 : 0; }
    // Closes and reopens the transport (the link's baud rate is fixed at 9600; baud is
    // kept for callers). Returns the open's result, with its text in error.
    int reopen_port(std::string& error, int baud = 9600);
    ByteTransport& transport() { return *transport_; }

    // ---- Timer and polling ----------------------------------------------------------
    // One tick: reconnect and check the controller while disconnected, else poll one
    // data item (MonitorOwner::PollTick) or check the controller. A tick that comes while
    // an exchange is in progress (a message box opened during one runs the event loop)
    // does nothing.
    void on_poll_timer();
    // The data items the polling code loaded: logged items choose the data log period,
    // displayed ones the dashboard period, when the monitor becomes connected.
    void set_poll_item_counts(int logItems, int monitorItems);
    void set_update_periods(int dashboardPeriodMs, int dataLogPeriodMs);
    // Restarts the timer at periodMs.
    void restart_timer(int periodMs);
    // Restarts the timer at the period that fits the state: 1000 ms while disconnected,
    // else the data log period when an item is logged, else the dashboard period.
    void restart_poll_timer();
    int timer_period() const { return timerPeriod_; }

    // Held by any caller whose work spans several exchanges or shows message boxes in
    // between (calibration transfer, state dump): timer ticks do nothing while one lives.
    class Exchange {
    public:
        explicit Exchange(CTCS_Monitor& monitor) : monitor_(monitor) { ++monitor_.busy_; }
        ~Exchange() { --monitor_.busy_; }
        Exchange(const Exchange&) = delete;
        Exchange& operator=(const Exchange&) = delete;

    private:
        CTCS_Monitor& monitor_;
    };
    bool exchange_in_progress() const { return busy_ > 0; }

private:
    enum class Step { None, Command, Data };
    int read_wrt_cmd_step(char letter, const std::string& address, std::string& data,
                          std::string& error, Step& failed);
    int nvm_mode_for(char letter) const;
    int write_piece(const std::uint8_t* bytes, int n);
    int get_escaped();
    void add_status_dot(int index, std::string& status);
    void send_abort();

    std::unique_ptr<ByteTransport> transport_;
    TimerService& timers_;
    int timerId_;
    int timerPeriod_ = 0;
    MonitorOwner* owner_ = nullptr;
    int connected_ = 1;
    int lMode_ = 1;
    int eiMode_ = 0;
    int ramMode_ = 0;
    int logItemCount_ = 0;
    int monitorItemCount_ = 0;
    int dataLogPeriodMs_ = kDefaultDataLogPeriodMs;
    int dashboardPeriodMs_ = kDefaultDashboardPeriodMs;
    std::uint16_t blockChecksum_ = 0;
    int pendingEcho_ = 0;
    int busy_ = 0;
};

// Address text of a monitor command: mode 0, 1, 2 give 2, 3, 4 uppercase hex digits, the
// address clamped to 0..0xFF, 0xFFF, 0xFFFF. Returns false for any other mode.
bool FormatMonitorAddress(int mode, int address, std::string& text);

// Escapes of block frames: 0x00, 0xFE and 0x77 travel as 0xFE 0x01, 0xFE 0x02, 0xFE 0x03.
void AppendEscaped(std::vector<std::uint8_t>& frame, std::uint8_t value);

} // namespace vexa
