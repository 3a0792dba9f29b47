// Calibration transfer: the document's calibration image into a controller table and back,
// over EEPROM byte commands or the RAM buffer and flash.
#include "core/programpaths.h"
#include "core/vlxdoc.h"
#include "link/vlxcontroller.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace vexa {

namespace {

constexpr unsigned kTransferMessageFlags = kMbIconStop | kMbTaskModal;
constexpr int kEepromTableBytes = 256;
constexpr int kBlockBytes = 256;
// Reads of a part that two passes read differently, before the read gives up.
constexpr int kAgreementReads = 6;

std::string Hex(int value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%.*X", digits, static_cast<unsigned>(value));
    return text;
}

// The monitor's explanation, or a reason of its own when the monitor gave only its prefix
// (an operation refused on a link that is down sends nothing and says no more).
std::string WithReason(const std::string& text) {
    if (text.empty() || text.ends_with(": "))
        return text + "No answer came from the controller.\n";
    return text.ends_with("\n") ? text : text + "\n";
}

// "<start> <table + 1><end>" as the progress texts are written.
std::string TableText(bool write, bool complete, int table) {
    const std::string number = std::to_string(table + 1);
    if (!complete)
        return (write ? "Writing controller NVM table " : "Reading controller NVM table ") + number;
    return write ? "Write to controller NVM table " + number + " complete."
                 : "Read of controller NVM table " + number + " complete.";
}

} // namespace

// The flash table as the layout places it.
struct CVLXController::FlashPlan {
    int size = 0;
    int nvmType = 0;
    int blockSize = 0;
    int bufferSize = 0;
    int bufferStart = 0;
    int maxBlocks = 0;  // blocks one buffer load holds
    int firstBlock = 0; // the table's first flash block
};

std::string TransferLayoutProblem(const DeclarationsBlock& declarations, int table) {
    const std::int64_t size = declarations.TotalBlockSize();
    const int nvmType = declarations.NVMType();
    const std::string tail =
        "  Nothing was sent to the controller.\n\nPlease contact us for assistance.";
    auto hex = [](std::int64_t value) {
        char text[24];
        std::snprintf(text, sizeof text, "0x%llX", static_cast<long long>(value));
        return std::string(text);
    };
    if (size < 0)
        return "The definition file declares a calibration size ($TotalBlockSize) of " +
               std::to_string(size) + " bytes, which cannot be transferred." + tail;
    // 0 is EEPROM, 1 and 2 flash with 3- and 4-digit RAM addresses; any other number would
    // send the table marker and the buffer addresses with the wrong number of digits.
    if (nvmType < 0 || nvmType > 2)
        return "The definition file declares the controller memory type ($NVMType) " +
               std::to_string(nvmType) +
               ", which this program does not know how to transfer (0 for EEPROM, 1 or 2 for "
               "flash)." +
               tail;
    if (nvmType == 0) {
        if (size > kEepromTableBytes)
            return "The definition file declares a calibration of " + std::to_string(size) +
                   " bytes ($TotalBlockSize) in EEPROM ($NVMType 0), but an EEPROM table holds "
                   "at most 256 bytes." +
                   tail;
        return {};
    }
    const std::int64_t blockSize = declarations.FlashBlockSize();
    const std::int64_t bufferSize = declarations.CalBufferSize();
    if (blockSize <= 0)
        return "The definition file declares a flash block size ($FlashBlockSize) of " +
               std::to_string(blockSize) + " bytes, which cannot be transferred." + tail;
    if (bufferSize <= 0 || bufferSize % kBlockBytes != 0)
        return "The definition file declares a controller transfer buffer ($CalBufferSize) of " +
               std::to_string(bufferSize) +
               " bytes, but the buffer must be filled in whole blocks of 256 bytes." + tail;
    if (bufferSize % blockSize != 0 || bufferSize / blockSize > 256)
        return "The definition file declares a controller transfer buffer ($CalBufferSize) of " +
               std::to_string(bufferSize) +
               " bytes, which does not hold a whole number of up to "
               "256 flash blocks of " +
               std::to_string(blockSize) + " bytes ($FlashBlockSize)." + tail;
    // Buffer addresses travel as 3 hex digits, or 4 with $NVMType 2.
    const std::int64_t bufferStart = declarations.CalBufferStart();
    const std::int64_t lastRam = nvmType == 2 ? 0xFFFF : 0xFFF;
    if (bufferStart < 0 || bufferStart + bufferSize - 1 > lastRam)
        return "The definition file places the controller transfer buffer at RAM address " +
               hex(bufferStart) + " ($CalBufferStart) with " + std::to_string(bufferSize) +
               " bytes ($CalBufferSize), but with $NVMType " + std::to_string(nvmType) +
               " the controller's RAM is addressed only from 0x0 to " + hex(lastRam) + "." + tail;
    if (size == 0)
        return {};
    // Flash is programmed in whole blocks; the blocks of one table must begin where the
    // table begins and must not reach into the other table.
    const std::int64_t start = declarations.CalNVMStart();
    const std::int64_t page = declarations.CalNVMPageSize();
    const std::int64_t tableStart = start + std::int64_t{table} * page;
    const std::int64_t span = (size + blockSize - 1) / blockSize * blockSize;
    if (start < 0 || page < 0 || tableStart % blockSize != 0)
        return "The definition file places controller table " + std::to_string(table + 1) +
               " at flash address " + hex(tableStart) + " ($CalNVMStart " + hex(start) +
               ", $CalNVMPageSize " + hex(page) + "), which is not the start of a flash block of " +
               std::to_string(blockSize) + " bytes ($FlashBlockSize)." + tail;
    if (span > page)
        return "The definition file declares a calibration of " + std::to_string(size) +
               " bytes ($TotalBlockSize), programmed as " + std::to_string(span) +
               " bytes of whole flash blocks, but the two controller tables lie only " +
               std::to_string(page) +
               " bytes apart ($CalNVMPageSize), so one table would overwrite the other." + tail;
    if ((tableStart + span) / blockSize - 1 > 0xFFF)
        return "The definition file places controller table " + std::to_string(table + 1) +
               " at flash address " + hex(tableStart) +
               ", beyond the flash blocks a command can reach (block numbers up to 0xFFF)." + tail;
    return {};
}

int LoadReadbackDefinition(CVLXDoc& doc, std::span<const std::uint8_t> image,
                           const TransmissionChooser& chooser) {
    CTransReadbackDecoder decoder(chooser);
    std::string definition;
    if (!decoder.DetectTransmissionType(doc.DefinitionDir, definition, image))
        return 0;
    doc.Header[kDefinitionFileName] = definition;
    doc.LoadDefinitionFile(JoinStoredPath(doc.DefinitionDir, definition));
    doc.ReadApplicationID();
    doc.ReadDeclarations(0);
    return 1;
}

void CVLXController::ReportProgress(int done, int total) {
    if (progress_)
        progress_(done, total);
}

int CVLXController::SelectedTable() const {
    return doc_.Display.I32(DisplayBlock::kSelectedNVMTable);
}

int CVLXController::TransferCalibration(int direction) {
    // A read replaces the calibration: one step of the history, whatever it changes.
    std::optional<ChangeScope> readStep;
    if (direction != 1)
        readStep.emplace(doc_, "Read Calibration from Controller");
    CTCS_Monitor::Exchange exchange(*monitor_);
    const bool write = direction == 1;
    const char* caption = write ? "Calibration Write Error:" : "Calibration Read Error:";
    // The table number comes from the file: any other value would address controller
    // memory outside both calibration tables.
    const int table = SelectedTable();
    if (table != 0 && table != 1) {
        doc_.ShowMessage("The calibration selects controller table " +
                             std::to_string(static_cast<long long>(table) + 1) +
                             ", but a controller holds only tables 1 and 2.  Nothing was sent "
                             "to the controller.\n\nPlease select table 1 or 2 and try again.",
                         caption, kTransferMessageFlags);
        return 0;
    }
    // A layout that cannot be moved is refused before a byte is sent, and again after the
    // check, which may have loaded other definitions.
    if (std::string problem = TransferLayoutProblem(doc_.Declarations, table); !problem.empty()) {
        doc_.ShowMessage(problem, caption, kTransferMessageFlags);
        return 0;
    }
    if (!CheckController(0, 1)) {
        doc_.ShowMessage(write ? "Could not write data to memory of controller.  No controller "
                                 "found.\n\nPlease insure that controller is connected and "
                                 "powered-up."
                               : "Could not read data from memory of controller.  No controller "
                                 "found.\n\nPlease insure that controller is connected and "
                                 "powered-up.",
                         caption, kTransferMessageFlags);
        return 0;
    }
    if (std::string problem = TransferLayoutProblem(doc_.Declarations, table); !problem.empty()) {
        doc_.ShowMessage(problem, caption, kTransferMessageFlags);
        return 0;
    }

    const int size = doc_.Declarations.TotalBlockSize();
    const int nvmType = doc_.Declarations.NVMType();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(size), nvmType > 1 ? 0xFF : 0x00);
    std::string error;
    auto transfer = [&] {
        return nvmType == 0 ? TransferTableEeprom(image, size, table, error, direction)
                            : TransferTableFlash(image, size, table, error, direction);
    };

    if (write) {
        // An image that could not be built completely must not reach the controller.
        if (!doc_.BuildMemoryImage(image)) {
            doc_.ShowMessage("The calibration could not be converted into the controller's "
                             "memory layout, so nothing was written.  Please verify the "
                             "definition file or contact us for assistance.",
                             caption, kTransferMessageFlags);
            return 0;
        }
        // What the table holds is kept before anything is sent.
        if (!MakeRestorePoint(table))
            return 0;
        // The whole table once more, on a quiet line with the link checked again: nothing of
        // the first attempt may be read as an answer of the second.
        if (!transfer() && (RecoverLink(), !transfer())) {
            doc_.ShowMessage(error,
                             nvmType == 0 ? "EEPROM Byte Write Error:" : "Flash Write Error:",
                             kTransferMessageFlags);
            return 0;
        }
        if (!lastRestorePoint_.empty())
            doc_.SetStatusText(TableText(true, true, table) +
                               " Restore point: " + StoredFileName(lastRestorePoint_));
        return 1;
    }

    if (!transfer())
        return 0;
    if (LoadReadbackDefinition(doc_, image, chooser_)) {
        doc_.RefreshViews(1);
        RefreshSettingsSheet(0);
    }
    // The layout is checked before anything is applied, so a refusal changes no variable.
    if (!doc_.ApplyMemoryImage(image)) {
        doc_.ShowMessage("The data read from the controller does not fit the memory layout of "
                         "the definition file, so the calibration was not changed.  Please "
                         "verify the definition file or contact us for assistance.",
                         caption, kTransferMessageFlags);
        return 0;
    }
    doc_.SetModifiedFlag(true);
    return 1;
}

void CVLXController::SettleLine() {
    monitor_->purge_line(1);
    if (!monitor_->transport().IsOpen()) {
        std::string ignored;
        monitor_->reopen_port(ignored, 9600);
    }
}

int CVLXController::RecoverLink() {
    CTCS_Monitor::Exchange exchange(*monitor_);
    SettleLine();
    if (monitor_->is_connected())
        return 1;
    const IdentityBlock& id = doc_.Identity;
    std::uint16_t deviceType = id.DeviceType();
    std::uint16_t hardwareVersion = id.HardwareVersion();
    std::uint16_t firmwareVersion = id.FirmwareVersion();
    std::uint16_t firmwareMinor = id.FirmwareVersionMinor();
    const int flags =
        monitor_->read_version(&deviceType, &hardwareVersion, &firmwareVersion, &firmwareMinor);
    // Only the controller the transfer began with is one to carry on with.
    if (flags == 0 || (flags & 0xFC) != 0)
        return 0;
    monitor_->set_connected(1);
    return 1;
}

int CVLXController::SwitchOnWriteProtection(bool afterFailure, std::string& why) {
    CTCS_Monitor::Exchange exchange(*monitor_);
    if (afterFailure)
        SettleLine();
    if (monitor_->disable_EEPROM_write(why, 0))
        return 1;
    if (afterFailure)
        return 0;
    SettleLine();
    return monitor_->disable_EEPROM_write(why, 0);
}

int CVLXController::WriteEepromByte(int address, std::uint8_t value, int table,
                                    std::string& error) {
    std::string first;
    if (monitor_->write_NVM('e', address, value, first))
        return 1;
    clock_.SleepMs(kEepromRetryDelayMs);
    // A failed exchange took the link down; the retry needs it back, on a quiet line.
    std::string again;
    if ((monitor_->is_connected() || RecoverLink()) &&
        monitor_->write_NVM('e', address, value, again))
        return 1;
    std::string reason;
    if (monitor_->is_connected() && again.size() == 2)
        reason = "It still reads 0x" + again + " after 0x" + Hex(value, 2) +
                 " was written to it six times.\n";
    else
        reason = WithReason(again.empty() || again.ends_with(": ") ? first : again);
    error = "EEPROM byte 0x" + Hex(address, 2) + " of controller NVM table " +
            std::to_string(table + 1) + " could not be written.\n" + reason;
    return 0;
}

int CVLXController::WriteEepromTable(const std::vector<std::uint8_t>& image, int size, int table,
                                     std::string& error) {
    std::string why;
    if (!monitor_->enable_EEPROM_write(why)) {
        error = "Writing to the controller's EEPROM could not be switched on.\n" + WithReason(why);
        return 0;
    }
    std::string status = TableText(true, false, table);
    ReportProgress(0, size);
    if (!monitor_->write_RAM('f', 0x44, table, why)) {
        doc_.ShowMessage(why, "EEPROM Page Select Error:", kTransferMessageFlags);
        error = "The controller's EEPROM page of table " + std::to_string(table + 1) +
                " could not be selected.\n" + WithReason(why);
        return 0;
    }
    for (int i = 0; i < size; ++i) {
        if (i % 10 == 0) {
            doc_.SetStatusText(status);
            status += ".";
            ReportProgress(i, size);
        }
        if (!WriteEepromByte(i, image[static_cast<std::size_t>(i)], table, error))
            return 0;
    }
    return 1;
}

int CVLXController::ReadEepromCell(int address, std::uint8_t& value, std::string& error) {
    // A failed exchange is tried once more on a recovered link, as a byte write is.
    auto readOnce = [&](std::uint16_t& read) {
        if (monitor_->read_NVM('e', address, read, error))
            return true;
        const std::string first = error;
        if (RecoverLink() && monitor_->read_NVM('e', address, read, error))
            return true;
        if (error.ends_with(": "))
            error = first;
        doc_.ShowMessage(error, "EEPROM Byte Read Error:", kTransferMessageFlags);
        return false;
    };
    // Erased and cleared cells read as 0x00 or 0xFF: ask again before taking them.
    std::uint16_t read = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!readOnce(read))
            return 0;
        if (read != 0x00 && read != 0xFF)
            break;
    }
    value = static_cast<std::uint8_t>(read);
    return 1;
}

int CVLXController::ReadEepromPass(std::vector<std::uint8_t>& image, int size, int pass,
                                   std::string& status, std::string& error) {
    for (int i = 0; i < size; ++i) {
        if (i % 10 == 0) {
            doc_.SetStatusText(status);
            status += ".";
            ReportProgress(pass * size + i, 2 * size);
        }
        if (!ReadEepromCell(i, image[static_cast<std::size_t>(i)], error))
            return 0;
    }
    return 1;
}

int CVLXController::TransferTableEeprom(std::vector<std::uint8_t>& image, int size, int table,
                                        std::string& error, int direction) {
    CTCS_Monitor::Exchange exchange(*monitor_);
    size = std::clamp(size, 0, static_cast<int>(image.size()));
    if (direction != 1)
        return ReadEepromTable(image, size, table, error);
    error.clear();
    if (!WriteEepromTable(image, size, table, error)) {
        // Whatever failed, the controller must not be left open to writes.
        std::string why;
        if (SwitchOnWriteProtection(true, why))
            error += "\nWrite protection of the controller's EEPROM was switched back on.";
        else
            error += "\nWrite protection of the controller's EEPROM could not be switched back "
                     "on:\n" +
                     WithReason(why) +
                     "Please write the calibration again, or switch the controller off and on, "
                     "before driving.";
        error += "\n\nPlease double-check your connections and try again.";
        return 0;
    }
    std::string why;
    if (!SwitchOnWriteProtection(false, why))
        doc_.ShowMessage("The calibration was written, but write protection of the "
                         "controller's EEPROM could not be switched back on:\n" +
                             WithReason(why) +
                             "Please write the calibration again, or switch the controller off "
                             "and on, before driving.",
                         "EEPROM Write Disable Error:", kTransferMessageFlags);
    std::string ignored;
    monitor_->write_RAM('f', 0x45, table == 0 ? 1 : 0, ignored);
    ReportProgress(size, size);
    doc_.SetStatusText(TableText(true, true, table));
    return 1;
}

int CVLXController::ReadEepromTable(std::vector<std::uint8_t>& image, int size, int table,
                                    std::string& error) {
    std::string status = TableText(false, false, table);
    ReportProgress(0, 2 * size);
    if (!monitor_->write_RAM('f', 0x44, table, error)) {
        doc_.ShowMessage(error, "EEPROM Page Select Error:", kTransferMessageFlags);
        return 0;
    }
    // The line carries no checksum for a byte: the table is read twice, and a byte the two
    // reads disagree on is read again until one value has come twice.
    std::vector<std::uint8_t> first(static_cast<std::size_t>(size));
    std::vector<std::uint8_t> second(static_cast<std::size_t>(size));
    if (!ReadEepromPass(first, size, 0, status, error) ||
        !ReadEepromPass(second, size, 1, status, error))
        return 0;
    for (int i = 0; i < size; ++i) {
        const auto at = static_cast<std::size_t>(i);
        std::vector<std::uint8_t> seen = {first[at], second[at]};
        bool agreed = first[at] == second[at];
        for (int attempt = 0; !agreed && attempt < kAgreementReads; ++attempt) {
            std::uint8_t value = 0;
            if (!ReadEepromCell(i, value, error))
                return 0;
            agreed = std::find(seen.begin(), seen.end(), value) != seen.end();
            seen.push_back(value);
            first[at] = value;
        }
        if (!agreed) {
            error = "EEPROM byte 0x" + Hex(i, 2) + " of controller NVM table " +
                    std::to_string(table + 1) + " read differently each of the " +
                    std::to_string(seen.size()) +
                    " times it was read, so the calibration was not changed.  Please "
                    "double-check your connections and try again.";
            doc_.ShowMessage(error, "EEPROM Byte Read Error:", kTransferMessageFlags);
            return 0;
        }
    }
    std::copy(first.begin(), first.end(), image.begin());
    ReportProgress(2 * size, 2 * size);
    doc_.SetStatusText(TableText(false, true, table));
    return 1;
}

int CVLXController::ReadTablePass(std::vector<std::uint8_t>& image, int size, int table,
                                  std::string& error) {
    CTCS_Monitor::Exchange exchange(*monitor_);
    size = std::clamp(size, 0, static_cast<int>(image.size()));
    std::string status = TableText(false, false, table);
    if (doc_.Declarations.NVMType() != 0) {
        FlashPlan plan;
        if (!MakeFlashPlan(size, table, plan, error))
            return 0;
        return ReadFlashPass(image, plan, 0, status, error);
    }
    if (!monitor_->write_RAM('f', 0x44, table, error)) {
        doc_.ShowMessage(error, "EEPROM Page Select Error:", kTransferMessageFlags);
        return 0;
    }
    return ReadEepromPass(image, size, 0, status, error);
}

// ---- Flash ------------------------------------------------------------------------------

int CVLXController::MakeFlashPlan(int size, int table, FlashPlan& plan, std::string& error) {
    const DeclarationsBlock& d = doc_.Declarations;
    if (std::string problem = TransferLayoutProblem(d, table); !problem.empty()) {
        error = problem;
        return 0;
    }
    plan.size = size;
    plan.nvmType = d.NVMType();
    plan.blockSize = d.FlashBlockSize();
    plan.bufferSize = d.CalBufferSize();
    plan.bufferStart = d.CalBufferStart();
    plan.maxBlocks = plan.bufferSize / plan.blockSize;
    // The layout check keeps the table block-aligned and its blocks below 0x1000.
    plan.firstBlock = static_cast<int>(
        (std::int64_t{d.CalNVMStart()} + std::int64_t{table} * d.CalNVMPageSize()) /
        plan.blockSize);
    return 1;
}

int CVLXController::ReadFlashChunk(std::vector<std::uint8_t>& image, const FlashPlan& plan,
                                   int offset, bool loadBuffer, std::string& status,
                                   std::string& error) {
    const int remaining = plan.size - offset;
    const int bufferOffset = offset % plan.bufferSize;
    if (loadBuffer) {
        // The buffer load that holds this chunk, from its first block.
        const int loadOffset = offset - bufferOffset;
        const int block = plan.firstBlock + loadOffset / plan.bufferSize * plan.maxBlocks;
        const int loaded = std::min(plan.size - loadOffset, plan.bufferSize);
        const int blocks = (loaded + plan.blockSize - 1) / plan.blockSize;
        if (monitor_->read_flash(block, blocks, error) != 0) {
            monitor_->purge_line();
            if (monitor_->read_flash(block, blocks, error) != 0) {
                monitor_->set_connected(0);
                doc_.ShowMessage(error,
                                 "Controller Flash Memory Read Error:", kTransferMessageFlags);
                return 0;
            }
        }
    }
    const int address = plan.bufferStart + bufferOffset;
    if (monitor_->read_block(image, offset, address, remaining, status) != 0) {
        monitor_->purge_line(1);
        if (monitor_->read_block(image, offset, address, remaining, status) != 0) {
            monitor_->set_connected(0);
            error = "Communication error while attempting to read from controller. "
                    "Please insure that controller is powered-up and try again.";
            doc_.ShowMessage(error, "Controller Flash Memory Read Error:", kTransferMessageFlags);
            return 0;
        }
    }
    return 1;
}

int CVLXController::ReadFlashPass(std::vector<std::uint8_t>& image, const FlashPlan& plan, int pass,
                                  std::string& status, std::string& error) {
    doc_.SetStatusText(status);
    for (int offset = 0; offset < plan.size; offset += kBlockBytes) {
        if (!ReadFlashChunk(image, plan, offset, offset % plan.bufferSize == 0, status, error))
            return 0;
        ReportProgress(pass * plan.size + std::min(offset + kBlockBytes, plan.size), 2 * plan.size);
    }
    return 1;
}

int CVLXController::ReadFlashTable(std::vector<std::uint8_t>& image, const FlashPlan& plan,
                                   int table, std::string& error) {
    std::string status = TableText(false, false, table);
    ReportProgress(0, 2 * plan.size);
    // A frame's checksum is a plain sum that two changed bytes can cancel: the table is
    // read twice, and a frame the two reads disagree on is read again until one content
    // has come twice.
    const auto size = static_cast<std::size_t>(plan.size);
    std::vector<std::uint8_t> first(size);
    std::vector<std::uint8_t> second(size);
    if (!ReadFlashPass(first, plan, 0, status, error) ||
        !ReadFlashPass(second, plan, 1, status, error))
        return 0;
    for (int offset = 0; offset < plan.size; offset += kBlockBytes) {
        const auto begin = static_cast<std::ptrdiff_t>(offset);
        const auto end = static_cast<std::ptrdiff_t>(std::min(offset + kBlockBytes, plan.size));
        using Chunk = std::vector<std::uint8_t>;
        std::vector<Chunk> seen = {Chunk(first.begin() + begin, first.begin() + end),
                                   Chunk(second.begin() + begin, second.begin() + end)};
        bool agreed = seen[0] == seen[1];
        std::vector<std::uint8_t> again(size);
        for (int attempt = 0; !agreed && attempt < kAgreementReads; ++attempt) {
            if (!ReadFlashChunk(again, plan, offset, true, status, error))
                return 0;
            Chunk chunk(again.begin() + begin, again.begin() + end);
            agreed = std::find(seen.begin(), seen.end(), chunk) != seen.end();
            std::copy(chunk.begin(), chunk.end(), first.begin() + begin);
            seen.push_back(std::move(chunk));
        }
        if (!agreed) {
            error = "Bytes 0x" + Hex(offset, 3) + " to 0x" + Hex(static_cast<int>(end) - 1, 3) +
                    " of controller NVM table " + std::to_string(table + 1) +
                    " read differently each of the " + std::to_string(seen.size()) +
                    " times they were read, so the calibration was not changed.  Please "
                    "double-check your connections and try again.";
            doc_.ShowMessage(error, "Controller Flash Memory Read Error:", kTransferMessageFlags);
            return 0;
        }
    }
    std::copy(first.begin(), first.end(), image.begin());
    doc_.SetStatusText(TableText(false, true, table));
    ReportProgress(2 * plan.size, 2 * plan.size);
    return 1;
}

int CVLXController::TransferTableFlash(std::vector<std::uint8_t>& image, int size, int table,
                                       std::string& error, int direction) {
    CTCS_Monitor::Exchange exchange(*monitor_);
    size = std::clamp(size, 0, static_cast<int>(image.size()));
    FlashPlan plan;
    if (!MakeFlashPlan(size, table, plan, error))
        return 0;
    if (direction != 1)
        return ReadFlashTable(image, plan, table, error);

    std::string status = TableText(true, false, table);
    doc_.SetStatusText(status);
    ReportProgress(0, size);
    int flashBlock = plan.firstBlock;
    for (int offset = 0; offset < size; offset += kBlockBytes) {
        const int remaining = size - offset;
        const int bufferOffset = offset % plan.bufferSize;
        const int address = plan.bufferStart + bufferOffset;
        int result = monitor_->write_block(image, offset, address, remaining, plan.nvmType, status);
        if (result != 0) {
            monitor_->purge_line(1);
            result = monitor_->write_block(image, offset, address, remaining, plan.nvmType, status);
        }
        if (result != 0) {
            monitor_->set_connected(0);
            error = result == 1 ? "Malformed packet data received from controller. Please "
                                  "double-check your connections and try again."
                                : "Communication timeout while attempting to write to "
                                  "controller. Please insure that controller is powered-up "
                                  "and try again.";
            doc_.ShowMessage(error, "Controller Flash Memory Write Error:", kTransferMessageFlags);
            return 0;
        }
        if (bufferOffset + kBlockBytes == plan.bufferSize || remaining <= kBlockBytes) {
            // The blocks that hold what the buffer was filled with, from its start: the
            // part of a block behind the image's last byte is all that goes beyond it.
            const int filled = bufferOffset + std::min(remaining, kBlockBytes);
            const int blocks = (filled + plan.blockSize - 1) / plan.blockSize;
            if (monitor_->write_flash(flashBlock, blocks, error) != 0) {
                monitor_->purge_line();
                if (monitor_->write_flash(flashBlock, blocks, error) != 0) {
                    monitor_->set_connected(0);
                    doc_.ShowMessage(error,
                                     "Controller Flash Memory Write Error:", kTransferMessageFlags);
                    return 0;
                }
            }
            flashBlock += plan.maxBlocks;
        }
        ReportProgress(std::min(offset + kBlockBytes, size), size);
    }
    std::string ignored;
    if (plan.nvmType < 2)
        monitor_->write_RAM('f', 0x45, table == 0 ? 1 : 0, ignored);
    else
        monitor_->write_RAM('f', 0x1045, 0x40, ignored);
    doc_.SetStatusText(TableText(true, true, table));
    ReportProgress(size, size);
    return 1;
}

} // namespace vexa
