// Calibration transfer: the document's calibration image into a controller table and back,
// over EEPROM byte commands or the RAM buffer and flash.
#include "core/programpaths.h"
#include "core/vlxdoc.h"
#include "link/vlxcontroller.h"

#include <algorithm>
#include <cstdio>

namespace vexa {

namespace {

constexpr unsigned kTransferMessageFlags = kMbIconStop | kMbTaskModal;
constexpr int kEepromTableBytes = 256;
constexpr int kBlockBytes = 256;

// "<start> <table + 1><end>" as the progress texts are written.
std::string TableText(bool write, bool complete, int table) {
    const std::string number = std::to_string(table + 1);
    if (!complete)
        return (write ? "Writing controller NVM table " : "Reading controller NVM table ") + number;
    return write ? "Write to controller NVM table " + number + " complete."
                 : "Read of controller NVM table " + number + " complete.";
}

} // namespace

std::string TransferLayoutProblem(const DeclarationsBlock& declarations) {
    const int size = declarations.TotalBlockSize();
    const int nvmType = declarations.NVMType();
    const std::string tail =
        "  Nothing was sent to the controller.\n\nPlease contact us for assistance.";
    if (size < 0)
        return "The definition file declares a calibration size ($TotalBlockSize) of " +
               std::to_string(size) + " bytes, which cannot be transferred." + tail;
    if (nvmType == 0) {
        if (size > kEepromTableBytes)
            return "The definition file declares a calibration of " + std::to_string(size) +
                   " bytes ($TotalBlockSize) in EEPROM ($NVMType 0), but an EEPROM table holds "
                   "at most 256 bytes." +
                   tail;
        return {};
    }
    const int blockSize = declarations.FlashBlockSize();
    const int bufferSize = declarations.CalBufferSize();
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
    CTCS_Monitor::Exchange exchange(*monitor_);
    const bool write = direction == 1;
    const char* caption = write ? "Calibration Write Error:" : "Calibration Read Error:";
    // A layout that cannot be moved is refused before a byte is sent, and again after the
    // check, which may have loaded other definitions.
    if (std::string problem = TransferLayoutProblem(doc_.Declarations); !problem.empty()) {
        doc_.ShowMessage(problem, caption, kTransferMessageFlags);
        return 0;
    }
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
    if (std::string problem = TransferLayoutProblem(doc_.Declarations); !problem.empty()) {
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
        if (!transfer() && !transfer()) {
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

int CVLXController::TransferTableEeprom(std::vector<std::uint8_t>& image, int size, int table,
                                        std::string& error, int direction) {
    CTCS_Monitor::Exchange exchange(*monitor_);
    const bool write = direction == 1;
    size = std::clamp(size, 0, static_cast<int>(image.size()));
    if (write && !monitor_->enable_EEPROM_write())
        return 0;
    std::string status = TableText(write, false, table);
    ReportProgress(0, size);
    if (!monitor_->write_RAM('f', 0x44, table, error)) {
        doc_.ShowMessage(error, "EEPROM Page Select Error:", kTransferMessageFlags);
        return 0;
    }
    for (int i = 0; i < size; ++i) {
        if (i % 10 == 0) {
            doc_.SetStatusText(status);
            status += ".";
            ReportProgress(i, size);
        }
        std::uint8_t& byte = image[static_cast<std::size_t>(i)];
        if (write) {
            if (!monitor_->write_NVM('e', i, byte, error)) {
                clock_.SleepMs(kEepromRetryDelayMs);
                const std::string first = error;
                if (!monitor_->write_NVM('e', i, byte, error)) {
                    // A retry refused on a link that just went down says nothing new.
                    if (!monitor_->is_connected())
                        error = first;
                    return 0;
                }
            }
        } else {
            // Erased and cleared cells read as 0x00 or 0xFF: ask again before taking them.
            std::uint16_t value = 0;
            for (int attempt = 0; attempt < 3; ++attempt) {
                if (!monitor_->read_NVM('e', i, value, error)) {
                    doc_.ShowMessage(error, "EEPROM Byte Read Error:", kTransferMessageFlags);
                    return 0;
                }
                if (value != 0x00 && value != 0xFF)
                    break;
            }
            byte = static_cast<std::uint8_t>(value);
        }
    }
    if (write) {
        monitor_->disable_EEPROM_write();
        std::string ignored;
        monitor_->write_RAM('f', 0x45, table == 0 ? 1 : 0, ignored);
    }
    ReportProgress(size, size);
    doc_.SetStatusText(TableText(write, true, table));
    return 1;
}

int CVLXController::TransferTableFlash(std::vector<std::uint8_t>& image, int size, int table,
                                       std::string& error, int direction) {
    CTCS_Monitor::Exchange exchange(*monitor_);
    const bool write = direction == 1;
    const DeclarationsBlock& d = doc_.Declarations;
    if (std::string problem = TransferLayoutProblem(d); !problem.empty()) {
        error = problem;
        return 0;
    }
    size = std::clamp(size, 0, static_cast<int>(image.size()));
    const int nvmType = d.NVMType();
    const int blockSize = d.FlashBlockSize();
    const int bufferSize = d.CalBufferSize();
    const int bufferStart = d.CalBufferStart();
    auto flashBlock = static_cast<std::uint16_t>(d.CalNVMStart() / blockSize +
                                                 (table * d.CalNVMPageSize()) / blockSize);
    const int maxBlocks = bufferSize / blockSize;
    std::string status = TableText(write, false, table);
    doc_.SetStatusText(status);
    ReportProgress(0, size);

    for (int offset = 0; offset < size; offset += kBlockBytes) {
        const int remaining = size - offset;
        const int bufferOffset = offset % bufferSize;
        const int address = bufferStart + bufferOffset;
        if (write) {
            int result = monitor_->write_block(image, offset, address, remaining, nvmType, status);
            if (result != 0) {
                monitor_->purge();
                result = monitor_->write_block(image, offset, address, remaining, nvmType, status);
            }
            if (result != 0) {
                monitor_->set_connected(0);
                error = result == 1 ? "Malformed packet data received from controller. Please "
                                      "double-check your connections and try again."
                                    : "Communication timeout while attempting to write to "
                                      "controller. Please insure that controller is powered-up "
                                      "and try again.";
                doc_.ShowMessage(error,
                                 "Controller Flash Memory Write Error:", kTransferMessageFlags);
                return 0;
            }
            if (bufferOffset + kBlockBytes == bufferSize || remaining <= kBlockBytes) {
                int blocks = (remaining + bufferOffset) / blockSize;
                if (blocks >= maxBlocks)
                    blocks = maxBlocks;
                else if (remaining % blockSize > 0)
                    blocks += 1;
                if (monitor_->write_flash(flashBlock, blocks, error) != 0) {
                    monitor_->purge();
                    if (monitor_->write_flash(flashBlock, blocks, error) != 0) {
                        monitor_->set_connected(0);
                        doc_.ShowMessage(
                            error, "Controller Flash Memory Write Error:", kTransferMessageFlags);
                        return 0;
                    }
                }
                flashBlock = static_cast<std::uint16_t>(flashBlock + maxBlocks);
            }
        } else {
            if (bufferOffset == 0) {
                int blocks = remaining / blockSize;
                if (blocks >= maxBlocks)
                    blocks = maxBlocks;
                else if (remaining % blockSize > 0)
                    blocks += 1;
                if (monitor_->read_flash(flashBlock, blocks, error) != 0) {
                    monitor_->purge();
                    if (monitor_->read_flash(flashBlock, blocks, error) != 0) {
                        monitor_->set_connected(0);
                        doc_.ShowMessage(
                            error, "Controller Flash Memory Read Error:", kTransferMessageFlags);
                        return 0;
                    }
                }
                flashBlock = static_cast<std::uint16_t>(flashBlock + maxBlocks);
            }
            if (monitor_->read_block(image, offset, address, remaining, status) != 0) {
                monitor_->purge();
                if (monitor_->read_block(image, offset, address, remaining, status) != 0) {
                    monitor_->set_connected(0);
                    error = "Communication error while attempting to read from controller. "
                            "Please insure that controller is powered-up and try again.";
                    doc_.ShowMessage(error,
                                     "Controller Flash Memory Read Error:", kTransferMessageFlags);
                    return 0;
                }
            }
        }
        ReportProgress(std::min(offset + kBlockBytes, size), size);
    }
    if (write) {
        std::string ignored;
        if (nvmType < 2)
            monitor_->write_RAM('f', 0x45, table == 0 ? 1 : 0, ignored);
        else
            monitor_->write_RAM('f', 0x1045, 0x40, ignored);
    }
    doc_.SetStatusText(TableText(write, true, table));
    ReportProgress(size, size);
    return 1;
}

} // namespace vexa
