#pragma once
// CVLXController: the calibration document's link to the controller. It owns the monitor
// (CTCS_Monitor over the transport it is given, normally a CSerialPort) and is both what the
// document asks of the controller (ControllerLink) and what the monitor asks of its document
// (MonitorOwner). The document operations that talk to the controller live here:
//   identification   CheckController, ShowConnectionStatus, RefreshSettingsSheet;
//   transfer         TransferCalibration, TransferTableEeprom, TransferTableFlash;
//   diagnostics      DumpControllerState;
//   live data        start_polling / stop_polling (CDataPoller, driven by the monitor's timer).
// The windowed program and vexa-cli create one per document and hand it to the document
// with CVLXDoc::SetControllerLink, which then owns it. It reports through the document
// (ShowMessage, SetStatusText, the document's host) and never outlives it.
//
// Everything runs on one thread. While a transfer, a check or a dump is in progress the
// monitor's timer ticks do nothing, even when a message box of that operation runs an
// event loop.
#include "core/clock.h"
#include "core/controllerlink.h"
#include "core/timerservice.h"
#include "link/bytetransport.h"
#include "link/monitorowner.h"
#include "link/polling.h"
#include "link/tcs_monitor.h"
#include "link/transreadbackdecoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vexa {

class CVLXDoc;
struct DeclarationsBlock;

// Progress of a table transfer, for a progress bar: bytes moved so far and the total.
// Called at the start (0), as the status text grows, and at the end (total).
using TransferProgress = std::function<void(int done, int total)>;

// Called after every change of the connection state (1 connected, 0 disconnected), after
// the status text has been set; the windowed program enables its controller commands
// and switches the dashboard's texts with it.
using ConnectionListener = std::function<void(int state)>;

// The program's texts for the connection state in the status bar.
std::string ConnectedStatusText(const std::string& prodName, int deviceType, int hardwareVersion,
                                int firmwareVersion, int firmwareVersionMinor);
inline constexpr const char* kDisconnectedStatusText = "Controller Disconnected";

// Why the declared memory layout cannot be moved safely into or out of controller table
// `table` (0 or 1), or empty when it can: a negative $TotalBlockSize, an $NVMType other than
// 0, 1 or 2, an EEPROM image ($NVMType 0) larger than the 256 bytes a table holds; for flash
// a $FlashBlockSize of 0 or less, a $CalBufferSize that is not a non-zero multiple of 256
// holding whole flash blocks (at most 256 of them), a buffer beyond the RAM addresses the
// $NVMType's digits reach, a table that does not start at a flash block, whole blocks of
// the image that would reach into the other table ($CalNVMPageSize), or blocks beyond
// number 0xFFF.
std::string TransferLayoutProblem(const DeclarationsBlock& declarations, int table);

// Loads into doc the definition whose signature image matches, as a read does before the
// image is applied (the definition, its application id and declarations). Returns 1 when a
// definition was recognised, 0 when none was (doc unchanged).
int LoadReadbackDefinition(CVLXDoc& doc, std::span<const std::uint8_t> image,
                           const TransmissionChooser& chooser);

// The path name the read command gives the document before a read:
// "<folder of currentPath, with its separator>ControllerReadback_Table#<table + 1>"; the
// folder is empty when currentPath has none. Both "\" and "/" count as separators.
std::string ReadbackPathName(const std::string& currentPath, int table);

class CVLXController : public ControllerLink, public MonitorOwner {
public:
    // The "HardwareProfile" keys written after every identity change.
    static constexpr const char* kProfileSection = "HardwareProfile";
    // The pause before an EEPROM byte write is tried again.
    static constexpr int kEepromRetryDelayMs = 23;

    // Creates the monitor over transport (opened at once; an open failure only leaves the
    // monitor disconnected, and its 1000 ms timer retries). doc, timers and clock must
    // outlive the controller; clock times the EEPROM retry pause.
    CVLXController(CVLXDoc& doc, std::unique_ptr<ByteTransport> transport, TimerService& timers,
                   Clock& clock = SteadyClock::Instance());
    ~CVLXController() override;
    CVLXController(const CVLXController&) = delete;
    CVLXController& operator=(const CVLXController&) = delete;

    CTCS_Monitor& Monitor() { return *monitor_; }
    CDataPoller& Poller() { return *poller_; }
    CVLXDoc& Document() { return doc_; }

    // ---- ControllerLink ---------------------------------------------------------------
    void SetAddressingModes(int nvmType) override;
    int ReadSymbol(const std::string& name) override;
    // Identifies the controller. On a changed identity the definitions of the new
    // controller folder are loaded (declarations with declarationFlag), the identity is
    // written to "HardwareProfile", and with showMessages 1 the revision-change notice is
    // shown once a controller had been recorded. Returns 1 and connects the monitor when a
    // controller answered, else 0 (LastError says why).
    int CheckController(int declarationFlag, int showMessages) override;

    // ---- MonitorOwner -----------------------------------------------------------------
    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;
    void SetStatusText(const std::string& text) override;
    // Status bar: ConnectedStatusText for 1, kDisconnectedStatusText for 0; then the
    // connection listener.
    void ShowConnectionStatus(int state) override;
    // The poll timer's check: CheckController(0, 1).
    int CheckController() override;
    int PollTick() override;

    // Brings an open System Settings window up to date (through the document's host);
    // cycle 1 also steps through its pages.
    void RefreshSettingsSheet(int cycle);

    // What went wrong in the last failed CheckController (the open or the version query).
    const std::string& LastError() const { return lastError_; }

    void SetProgressCallback(TransferProgress progress) { progress_ = std::move(progress); }
    void SetConnectionListener(ConnectionListener listener) { listener_ = std::move(listener); }
    // Who picks among similar transmission types after a read; without one the first entry
    // in alphabetical order is taken.
    void SetTransmissionChooser(TransmissionChooser chooser) { chooser_ = std::move(chooser); }

    // ---- Calibration transfer ---------------------------------------------------------
    // direction 1 writes the document's calibration into the selected controller table,
    // 0 reads that table into the document (recognising its transmission type first).
    // Every failure is shown in a message box; returns 1 or 0. A write leaves the document
    // unchanged; a failed read leaves its variables unchanged.
    int TransferCalibration(int direction);
    // Moves size bytes of image to (direction 1) or from (0) EEPROM table `table` with the
    // 'e' command. Returns 1, or 0 with error (the caller shows it for a write). A failed
    // write names the step that failed and why, and whether write protection could be
    // switched back on, which is tried after every failed write. A read takes the table
    // twice and reads a byte the two disagree on again until one value has come twice.
    int TransferTableEeprom(std::vector<std::uint8_t>& image, int size, int table,
                            std::string& error, int direction);
    // The same through the controller's RAM buffer and flash ('u'/'d', 'b'/'r'); a read
    // takes the table twice and reads a frame the two disagree on again.
    int TransferTableFlash(std::vector<std::uint8_t>& image, int size, int table,
                           std::string& error, int direction);
    // One unverified read of the table, as a read makes it twice (benchmarks compare the
    // two). Returns 1, or 0 with the failure shown.
    int ReadTablePass(std::vector<std::uint8_t>& image, int size, int table, std::string& error);

    // ---- Restore points ---------------------------------------------------------------
    // Before every write the selected table is read (as File>Read reads it) into a copy of
    // the calibration, never the open one, and saved in folder (created when needed) under
    // RestorePointFileName. When that fails the user is asked whether to write without one;
    // No sends nothing. An empty folder (the default) makes none.
    void SetRestorePointFolder(std::string folder) { restorePointFolder_ = std::move(folder); }
    // The restore point the last write saved; empty when it saved none.
    const std::string& LastRestorePoint() const { return lastRestorePoint_; }
    // Reads table into a copy of the calibration and saves it in the restore point folder.
    // Returns 1 with the file in path, or 0 with the reason in why (what the read's message
    // boxes would have said: they are not shown).
    int SaveRestorePoint(int table, std::string& path, std::string& why);

    // ---- Diagnostics ------------------------------------------------------------------
    // The first 256 bytes of controller RAM into the file at path (RAMDump.txt). Returns 1
    // when all were written.
    int DumpControllerState(const std::string& path);

    // ---- Live data --------------------------------------------------------------------
    // Polls the [DataItems] of the document's definition into display. Returns the slot
    // (1), or 0 when the definition has no [DataItems].
    int start_polling(PollDisplay* display) { return poller_->start_polling(display); }
    int stop_polling(int slot) { return poller_->stop_polling(slot); }
    // A data log's view of the same polling (CDataPoller::start_recording).
    int start_recording(PollRecorder* recorder) { return poller_->start_recording(recorder); }
    void stop_recording() { poller_->stop_recording(); }

    // Closes and reopens the link; the open's text in error. Returns the open's result.
    int ReopenPort(std::string& error) { return monitor_->reopen_port(error, 9600); }

private:
    struct FlashPlan;

    void ReportProgress(int done, int total);
    int SelectedTable() const;
    // After a failed exchange: a quiet line (abort byte, in-flight bytes drained) and the
    // port reopened when it closed.
    void SettleLine();
    // SettleLine, and the monitor connected again when the same controller answers the
    // version query. Returns whether the link is up.
    int RecoverLink();
    // The EEPROM write-disable sequence; once more on a recovered line when it fails, or
    // (afterFailure) only once, on a line recovered first. why: what went wrong.
    int SwitchOnWriteProtection(bool afterFailure, std::string& why);
    int WriteEepromTable(const std::vector<std::uint8_t>& image, int size, int table,
                         std::string& error);
    int WriteEepromByte(int address, std::uint8_t value, int table, std::string& error);
    int ReadEepromTable(std::vector<std::uint8_t>& image, int size, int table, std::string& error);
    int ReadEepromPass(std::vector<std::uint8_t>& image, int size, int pass, std::string& status,
                       std::string& error);
    int ReadEepromCell(int address, std::uint8_t& value, std::string& error);
    int MakeFlashPlan(int size, int table, FlashPlan& plan, std::string& error);
    int ReadFlashTable(std::vector<std::uint8_t>& image, const FlashPlan& plan, int table,
                       std::string& error);
    int ReadFlashPass(std::vector<std::uint8_t>& image, const FlashPlan& plan, int pass,
                      std::string& status, std::string& error);
    int ReadFlashChunk(std::vector<std::uint8_t>& image, const FlashPlan& plan, int offset,
                       bool loadBuffer, std::string& status, std::string& error);
    // The restore point before a write of table: 1 to go on writing, 0 to send nothing.
    int MakeRestorePoint(int table);

    CVLXDoc& doc_;
    Clock& clock_;
    std::unique_ptr<CTCS_Monitor> monitor_;
    std::unique_ptr<CDataPoller> poller_;
    TransferProgress progress_;
    ConnectionListener listener_;
    TransmissionChooser chooser_;
    std::string lastError_;
    std::string restorePointFolder_;
    std::string lastRestorePoint_;
};

} // namespace vexa
