#pragma once
// A calibration document with its controller link on the virtual controller, in process
// on virtual time: a temporary program directory with a controller folder PID2/3, the
// port "sim" chosen in the settings, and a CVLXController handed to the document. The
// virtual controller keeps its memory while the link is closed and reopened.
// VEXA_LINK_TRACE=FILE appends a trace of every byte of the link to FILE.
#include "core/timerservice.h"
#include "link/borrowedtransport.h"
#include "link/serialport.h"
#include "link/tracingtransport.h"
#include "link/vlxcontroller.h"
#include "sim/simtransport.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace vexa::testing {

// Records every byte the host writes, on its way to the transport it wraps.
class WriteRecorder : public ByteTransport {
public:
    WriteRecorder(std::unique_ptr<ByteTransport> inner, std::string& written)
        : inner_(std::move(inner)), written_(written) {}
    int Open(std::string& error) override { return inner_->Open(error); }
    void Close() override { inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    int Read(std::uint8_t* destination, int n) override { return inner_->Read(destination, n); }
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override {
        return inner_->ReadAvailable(destination, max, waitMs);
    }
    int Write(const std::uint8_t* source, int n) override {
        written_.append(reinterpret_cast<const char*>(source), static_cast<std::size_t>(n));
        return inner_->Write(source, n);
    }
    int Purge() override { return inner_->Purge(); }

private:
    std::unique_ptr<ByteTransport> inner_;
    std::string& written_;
};

// generic.init of the test controller folder: no transmission type yet.
inline std::string GenericInit(int nvmType) {
    return "[ApplicationID]\nLogicalName Generic\nTransmissionType None\nProdName VEXA Test\n"
           "[Declarations]\n$TotalBlockSize 0\n$DynamicBlockSize 0\n$NumDynamicTableCells 0\n"
           "$NumDynamicTableEntries 0\n$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
           "$DynamicInterpolation 2\n$StaticBlockSize 0\n$StaticBlockStart 0\n$NVMType " +
           std::to_string(nvmType) + "\n";
}

// A definition whose static block of `size` bytes is covered by I16 variables V0, V1, ...
// at every even offset, so the image and the variables determine each other.
inline std::string LayoutDefinition(const std::string& type, int size, int nvmType,
                                    const std::string& extraDeclarations = "",
                                    const std::string& extraSections = "") {
    std::string text = "[ApplicationID]\nLogicalName " + type + "\nTransmissionType " + type +
                       "\nProdName VEXA Test\n[Declarations]\n$TotalBlockSize " +
                       std::to_string(size) +
                       "\n$DynamicBlockSize 0\n$NumDynamicTableCells 0\n"
                       "$NumDynamicTableEntries 0\n$DynamicBlockStart 0\n$DynamicBlockLayout 0\n"
                       "$DynamicInterpolation 2\n$StaticBlockSize " +
                       std::to_string(size) + "\n$StaticBlockStart 0\n$NVMType " +
                       std::to_string(nvmType) + "\n" + extraDeclarations;
    for (int offset = 0; offset + 1 < size; offset += 2)
        text +=
            "V" + std::to_string(offset / 2) + " I16 1:" + std::to_string(offset) + ":x Def:0\n";
    return text + extraSections;
}

// The flash layout of the worked example: table 1 at 4096, table 2 at 5120, 64-byte blocks,
// a 512-byte buffer at 0x200.
inline std::string FlashDeclarations() {
    return "$CalNVMStart 4096\n$FlashBlockSize 64\n$CalNVMPageSize 1024\n"
           "$CalBufferStart 0x200\n$CalBufferSize 512\n";
}

// The controllers the transfer tests talk to, described on their own: what a definition
// declares is the host's reading, and a host that misreads it meets a controller that does
// not play along. Each sits on a line paced at 9600 baud and takes its EEPROM and flash
// programming times, in virtual time.
inline SimOptions PacedLine(SimOptions options) {
    options.baud = 9600;
    return options;
}

// Two 256-byte EEPROM tables; RAM addresses of 2 digits.
inline SimOptions EepromController() {
    return PacedLine(SimOptions{});
}

// Flash behind a 512-byte RAM buffer at 0x200, 64-byte blocks (FlashDeclarations' layout);
// RAM addresses of 3 digits, or of 4 with fourDigitAddresses.
inline SimOptions FlashController(bool fourDigitAddresses = false) {
    SimOptions options;
    options.layout.nvmType = fourDigitAddresses ? 2 : 1;
    options.layout.bufferStart = 0x200;
    options.layout.bufferSize = 512;
    options.layout.flashBlockSize = 64;
    return PacedLine(options);
}

struct ControllerFixture : DocFixture {
    ManualClock clock;
    ManualTimerService timers;
    SerialDeviceFactory factory;
    std::unique_ptr<SimTransport> sim;
    CVLXController* controller = nullptr; // owned by the document
    std::string written;                  // every byte the host sent

    // The document and its link go first: they use everything above.
    ~ControllerFixture() { doc.reset(); }

    // Writes the controller folder (generic.init and the given files) and builds the
    // document and its link on a virtual controller with these options.
    void Start(const SimOptions& options, int genericNvmType,
               const std::vector<std::pair<std::string, std::string>>& files = {}) {
        dir.Write("PID2/3/generic.init", GenericInit(genericNvmType));
        for (const auto& [name, text] : files)
            dir.Write("PID2/3/" + name, text);
        MakeDoc();
        sim = std::make_unique<SimTransport>(clock, options);
        settings.WriteString(kCommSettingsSection, kComPortNameKey, kSimPortName);
        factory.Register(kSimPortName, [this](const std::string&, int) {
            std::unique_ptr<ByteTransport> port =
                std::make_unique<WriteRecorder>(std::make_unique<BorrowedTransport>(*sim), written);
            // VEXA_LINK_TRACE=FILE traces every byte, for a run that needs explaining.
            const char* trace = std::getenv("VEXA_LINK_TRACE");
            return WithTraceFile(std::move(port), trace != nullptr ? trace : "", clock);
        });
        auto link = std::make_unique<CVLXController>(
            *doc, std::make_unique<CSerialPort>(&settings, &factory, nullptr, clock), timers,
            clock);
        controller = link.get();
        doc->SetControllerLink(std::move(link));
    }

    // Chooses a transmission type as the settings pages do: its definition loaded with
    // every default applied.
    void ChooseType(const std::string& file) {
        doc->Header[kDefinitionFileName] = file;
        ASSERT_EQ(doc->LoadDefinitionFile(doc->DefinitionFilePath()), 1) << file;
        doc->ReadApplicationID();
        doc->ClearDeclarations(2);
        ASSERT_EQ(doc->ReadDeclarations(1), 1);
    }

    void SelectTable(int table) { doc->Display.SetI32(DisplayBlock::kSelectedNVMTable, table); }

    // The document's image as a write builds it.
    std::vector<std::uint8_t> DocImage() {
        const int size = doc->Declarations.TotalBlockSize();
        std::vector<std::uint8_t> image(static_cast<std::size_t>(size),
                                        doc->Declarations.NVMType() > 1 ? 0xFF : 0x00);
        doc->BuildMemoryImage(image);
        return image;
    }
    // Sets V0, V1, ... from bytes (little-endian pairs).
    void SetVariables(const std::vector<std::uint8_t>& bytes) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            doc->SetIntVariable("V" + std::to_string(i / 2),
                                static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    std::vector<std::uint8_t> EepromTable(int table, int size) {
        auto& t = sim->Controller().Eeprom(table);
        return {t.begin(), t.begin() + size};
    }
    std::vector<std::uint8_t> FlashAt(int address, int size) {
        auto& f = sim->Controller().Flash();
        return {f.begin() + address, f.begin() + address + size};
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const auto& m : host.messages)
            captions.push_back(m.caption);
        return captions;
    }
};

} // namespace vexa::testing
