// Calibration transfer against the virtual controller: EEPROM and flash, both directions,
// both tables, the progress texts, the retries and every failure message.
#include "controllerfixture.h"

#include <gtest/gtest.h>

#include <regex>

namespace vexa {
namespace {

using testing::ControllerFixture;
using testing::EepromController;
using testing::FlashController;
using testing::FlashDeclarations;
using testing::LayoutDefinition;

std::vector<std::uint8_t> Bytes(int size, std::uint8_t value) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(size), value);
}

std::vector<std::uint8_t> Pattern(int size, int seed) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>((i * 37 + seed * 11 + 1) % 251 + 2);
    return bytes;
}

class Transfer : public ::testing::Test, protected ControllerFixture {
protected:
    void StartEeprom(const SimOptions& options = EepromController()) {
        Start(options, 0, {{"eeprom.def", LayoutDefinition("EepromBox", 64, 0)}});
        ChooseType("eeprom.def");
    }
    // A definition of $NVMType nvmType with the worked example's flash layout, used with the
    // controller `options`.
    void StartFlash(int nvmType, int size = 600, const SimOptions& options = FlashController()) {
        Start(options, nvmType,
              {{"flash.def", LayoutDefinition("FlashBox", size, nvmType, FlashDeclarations())}});
        ChooseType("flash.def");
    }
};

TEST_F(Transfer, EepromWriteAndReadBothTables) {
    StartEeprom();
    for (int table : {0, 1}) {
        SelectTable(table);
        SetVariables(Pattern(64, table));
        const std::vector<std::uint8_t> image = DocImage();
        std::vector<std::pair<int, int>> progress;
        controller->SetProgressCallback(
            [&](int done, int total) { progress.emplace_back(done, total); });
        host.statusTexts.clear();
        ASSERT_EQ(controller->TransferCalibration(1), 1) << table;
        EXPECT_EQ(EepromTable(table, 64), image);
        // EEHIADR tells the firmware which table was written last.
        EXPECT_EQ(sim->Controller().Ram(0x45), table == 0 ? 1 : 0);
        EXPECT_FALSE(sim->Controller().EepromWriteEnabled());
        const std::string n = std::to_string(table + 1);
        const std::vector<std::string> expectedStart = {"Writing controller NVM table " + n,
                                                        "Writing controller NVM table " + n + "."};
        EXPECT_EQ(std::vector<std::string>(host.statusTexts.end() - 8, host.statusTexts.end() - 6),
                  expectedStart);
        EXPECT_EQ(host.statusTexts.back(), "Write to controller NVM table " + n + " complete.");
        EXPECT_EQ(progress.back(), std::make_pair(64, 64));
        EXPECT_TRUE(host.messages.empty());

        SetVariables(std::vector<std::uint8_t>(64, 0x11));
        doc->SetModifiedFlag(false);
        ASSERT_EQ(controller->TransferCalibration(0), 1);
        EXPECT_EQ(DocImage(), image);
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(host.statusTexts.back(), "Read of controller NVM table " + n + " complete.");
    }
}

TEST_F(Transfer, EepromCellsReadingErasedAreAskedThreeTimes) {
    StartEeprom();
    sim->Controller().Eeprom(0).assign(256, 0x42);
    sim->Controller().Eeprom(0)[5] = 0xFF;
    sim->Controller().Eeprom(0)[6] = 0x00;
    ASSERT_EQ(controller->TransferCalibration(0), 1);
    auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = written.find(what); at != std::string::npos;
             at = written.find(what, at + 1))
            ++n;
        return n;
    };
    // Three times in each of the table's two reads.
    EXPECT_EQ(count("e05"), 6u);
    EXPECT_EQ(count("e06"), 6u);
    EXPECT_EQ(count("e07"), 2u);
    const std::vector<std::uint8_t> image = DocImage();
    EXPECT_EQ(image[5], 0xFF);
    EXPECT_EQ(image[6], 0x00);
}

// One byte the controller sends arrives changed, somewhere in the middle of the table, at
// each position of a byte's exchange in turn: the byte is tried again on a recovered link,
// the table is written and the EEPROM is write-protected afterwards.
TEST_F(Transfer, EepromWriteRecoversFromOneChangedByte) {
    StartEeprom();
    SetVariables(Pattern(64, 2));
    const long before = sim->Line().ControllerBytesSent();
    ASSERT_EQ(controller->TransferCalibration(1), 1);
    const long middle = (before + sim->Line().ControllerBytesSent()) / 2;
    // A byte that is not held yet takes 12 controller bytes: echoes, its old value, the
    // 'c', the read-back.
    for (long flip = middle; flip < middle + 12; ++flip) {
        SimOptions options = EepromController();
        options.faults.flipAt = flip;
        StartEeprom(options);
        SetVariables(Pattern(64, 2));
        host.messages.clear();
        EXPECT_EQ(controller->TransferCalibration(1), 1) << flip;
        EXPECT_EQ(EepromTable(0, 64), DocImage()) << flip;
        EXPECT_FALSE(sim->Controller().EepromWriteEnabled()) << flip;
        EXPECT_TRUE(host.messages.empty()) << flip;
    }
}

// A write that fails names the step and why, and says what became of the write protection,
// which is switched back on whenever the controller can still be reached.
TEST_F(Transfer, FailedEepromWriteExplainsAndLeavesTheControllerProtected) {
    struct Case {
        const char* what;
        SimFaults faults;
        std::vector<std::string> texts; // in the final message, in this order
        bool protectedAfter;
    };
    SimFaults badCell;
    badCell.badEepromAddress = 0x10;
    SimFaults deafFromTheStart; // silent from the enable sequence on, for good
    deafFromTheStart.silentAfter = 10;
    SimFaults unplugged; // mid-table, for good
    unplugged.unplugAfter = 400;
    const std::vector<Case> cases = {
        {"a byte that cannot be written",
         badCell,
         {"EEPROM byte 0x10 of controller NVM table 1 could not be written.\n"
          "It still reads 0xFF after 0x",
          "Write protection of the controller's EEPROM was switched back on."},
         true},
        {"no answer to the enable sequence",
         deafFromTheStart,
         {"Writing to the controller's EEPROM could not be switched on.\n"
          "Error in function CTCS_Monitor::read_wrt_cmd: Comm. Readback Error: RX = NULL",
          "could not be switched back on:\n", "switch the controller off and on"},
         false},
        {"unplugged mid-table",
         unplugged,
         // The table's second attempt finds the port gone.
         {"Writing to the controller's EEPROM could not be switched on.\n"
          "Error in function CTCS_Monitor::read_wrt_cmd: Comm. Send Failed.",
          "could not be switched back on:\n"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimOptions options = EepromController();
        options.faults = c.faults;
        StartEeprom(options);
        SetVariables(Pattern(64, 3));
        host.messages.clear();
        EXPECT_EQ(controller->TransferCalibration(1), 0);
        ASSERT_FALSE(host.messages.empty());
        EXPECT_EQ(host.messages.back().caption, "EEPROM Byte Write Error:");
        const std::string& text = host.messages.back().text;
        std::size_t at = 0;
        for (const std::string& part : c.texts) {
            const std::size_t found = text.find(part, at);
            EXPECT_NE(found, std::string::npos) << part << "\nin:\n" << text;
            at = found == std::string::npos ? at : found + part.size();
        }
        if (c.protectedAfter) {
            EXPECT_FALSE(sim->Controller().EepromWriteEnabled());
        }
    }
}

// A reply digit that arrives changed reads as another value without any error; read
// twice, the table comes back exactly, wherever in a byte's exchange the change strikes.
TEST_F(Transfer, EepromReadIsVerifiedByReadingTwice) {
    const std::vector<std::uint8_t> table = Pattern(64, 8);
    auto startWith = [&](long flipAt) {
        SimOptions options = EepromController();
        options.faults.flipAt = flipAt;
        StartEeprom(options);
        std::copy(table.begin(), table.end(), sim->Controller().Eeprom(0).begin());
        ASSERT_EQ(controller->CheckController(0, 0), 1);
    };
    startWith(-1);
    const long before = sim->Line().ControllerBytesSent();
    std::vector<std::uint8_t> image(64);
    std::string error;
    ASSERT_EQ(controller->ReadTablePass(image, 64, 0, error), 1);
    // A byte's read takes 5 controller bytes: three echoes and two digits.
    const long middle = (before + sim->Line().ControllerBytesSent()) / 2;
    int fooled = 0;
    for (long flip = middle; flip < middle + 5; ++flip) {
        startWith(flip);
        ASSERT_EQ(controller->ReadTablePass(image, 64, 0, error), 1) << error;
        fooled += image != table ? 1 : 0;
        startWith(flip);
        SetVariables(Bytes(64, 0x11));
        host.messages.clear();
        ASSERT_EQ(controller->TransferCalibration(0), 1) << flip;
        EXPECT_EQ(DocImage(), table) << flip;
    }
    EXPECT_GT(fooled, 0); // the line's fault really does pass a single read unseen
}

// Two changed data bytes whose changes cancel in the frame's checksum pass one read
// unseen; the second read disagrees, and the frame read again settles it.
TEST_F(Transfer, FlashReadIsVerifiedByReadingTwice) {
    std::vector<std::uint8_t> table(600);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint8_t>(0x40 + i % 2); // +1 and -1 cancel in the sum
    auto startWith = [&](long flipAt) {
        SimOptions options = FlashController();
        options.faults.flipAt = flipAt;
        options.faults.flipCount = 2;
        StartFlash(1, 600, options);
        auto& flashMemory = sim->Controller().Flash();
        std::copy(table.begin(), table.end(), flashMemory.begin() + 4096);
        ASSERT_EQ(controller->CheckController(0, 0), 1);
    };
    startWith(-1);
    // The first frame's data follow the `r` echo, its 'c' and the `d` header's echo.
    const long firstData = sim->Line().ControllerBytesSent() + 6 + 1 + 6;
    startWith(firstData + 100);
    std::vector<std::uint8_t> image(600);
    std::string error;
    ASSERT_EQ(controller->ReadTablePass(image, 600, 0, error), 1) << error;
    EXPECT_NE(image, table); // one read is fooled
    EXPECT_EQ(image[100], 0x41);

    startWith(firstData + 100);
    host.messages.clear();
    ASSERT_EQ(controller->TransferCalibration(0), 1);
    EXPECT_EQ(DocImage(), table);
    EXPECT_TRUE(host.messages.empty());
}

// A part whose reads never agree ends the read with a message; the document keeps its
// calibration.
TEST_F(Transfer, ReadThatNeverAgreesIsReported) {
    struct Case {
        int nvmType;
        std::string caption;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, "EEPROM Byte Read Error:",
         "EEPROM byte 0x05 of controller NVM table 1 read differently each of the 8 times it "
         "was read, so the calibration was not changed."},
        {1, "Controller Flash Memory Read Error:",
         "Bytes 0x100 to 0x1FF of controller NVM table 1 read differently each of the 8 times "
         "they were read, so the calibration was not changed."},
    };
    for (const Case& c : cases) {
        SimOptions options = c.nvmType == 0 ? EepromController() : FlashController();
        options.faults.weakEepromAddress = 5;
        options.faults.weakFlashAddress = 4096 + 0x105;
        if (c.nvmType == 0)
            StartEeprom(options);
        else
            StartFlash(1, 600, options);
        SetVariables(Pattern(doc->Declarations.TotalBlockSize(), 1));
        const std::vector<std::uint8_t> before = DocImage();
        host.messages.clear();
        EXPECT_EQ(controller->TransferCalibration(0), 0);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].caption, c.caption);
        EXPECT_EQ(host.messages[0].text.rfind(c.text, 0), 0u) << host.messages[0].text;
        EXPECT_EQ(DocImage(), before);
    }
}

TEST_F(Transfer, FlashWorkedExampleCommandCharacters) {
    StartFlash(1);
    SelectTable(1);
    SetVariables(Pattern(600, 3));
    written.clear();
    ASSERT_EQ(controller->TransferCalibration(1), 1);
    // After the controller check, the frames and flash commands in this order, and the
    // table marker last.
    std::size_t at = 0;
    for (const char* command : {"u200FF", "u300FF", "b05007", "u20057", "b05801"}) {
        const std::size_t found = written.find(command, at);
        ASSERT_NE(found, std::string::npos) << command;
        at = found + 6;
    }
    EXPECT_EQ(written.substr(at), "f04500");
    EXPECT_EQ(FlashAt(5120, 600), DocImage());
}

TEST_F(Transfer, FlashRoundTripsOnBothTablesAndTypes) {
    for (int nvmType : {1, 2}) {
        StartFlash(nvmType, 600, FlashController(nvmType == 2));
        for (int table : {0, 1}) {
            SelectTable(table);
            SetVariables(Pattern(600, table + nvmType));
            const std::vector<std::uint8_t> image = DocImage();
            ASSERT_EQ(controller->TransferCalibration(1), 1);
            EXPECT_EQ(FlashAt(4096 + 1024 * table, 600), image) << nvmType << table;
            if (nvmType < 2)
                EXPECT_EQ(sim->Controller().Ram(0x45), table == 0 ? 1 : 0);
            else
                EXPECT_EQ(sim->Controller().Ram(0x1045), 0x40);

            SetVariables(std::vector<std::uint8_t>(600, 0x33));
            ASSERT_EQ(controller->TransferCalibration(0), 1);
            EXPECT_EQ(DocImage(), image);
        }
        EXPECT_TRUE(host.messages.empty());
    }
}

// The controller answers by its own addressing, whatever the definition says: a definition
// that misstates it fails with a message and leaves flash as it was.
TEST_F(Transfer, DefinitionThatMisstatesTheControllersAddressingIsCaught) {
    for (int nvmType : {1, 2}) {
        StartFlash(nvmType, 600, FlashController(nvmType == 1));
        SetVariables(Pattern(600, 7));
        host.messages.clear();
        EXPECT_EQ(controller->TransferCalibration(1), 0) << nvmType;
        ASSERT_FALSE(host.messages.empty());
        EXPECT_EQ(host.messages.back().caption, "Flash Write Error:");
        EXPECT_EQ(FlashAt(4096, 2048), Bytes(2048, 0xFF)) << nvmType;
    }
}

TEST_F(Transfer, FlashImageFillingWholeBuffersProgramsOnlyFullBuffers) {
    StartFlash(1, 1024);
    SetVariables(Pattern(1024, 9));
    written.clear();
    ASSERT_EQ(controller->TransferCalibration(1), 1);
    std::vector<std::string> commands;
    const std::regex flashCommand("b0[0-9A-F]{4}");
    for (auto it = std::sregex_iterator(written.begin(), written.end(), flashCommand);
         it != std::sregex_iterator(); ++it)
        commands.push_back(it->str());
    EXPECT_EQ(commands, (std::vector<std::string>{"b04007", "b04807"}));
    EXPECT_EQ(FlashAt(4096, 1024), DocImage());
}

TEST_F(Transfer, EmptyImageSendsOnlyTheFrame) {
    StartFlash(1, 0);
    written.clear();
    ASSERT_EQ(controller->TransferCalibration(1), 1);
    EXPECT_EQ(written.substr(written.size() - 6), "f04501");
    EXPECT_EQ(written.find('u'), std::string::npos);
    EXPECT_EQ(written.find('b'), std::string::npos);
}

TEST_F(Transfer, NoControllerFound) {
    for (int direction : {1, 0}) {
        StartEeprom();
        settings.WriteString(kCommSettingsSection, kComPortNameKey, "/dev/nothing-here");
        std::string error;
        controller->ReopenPort(error);
        host.messages.clear();
        written.clear();
        EXPECT_EQ(controller->TransferCalibration(direction), 0);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].caption,
                  direction ? "Calibration Write Error:" : "Calibration Read Error:");
        EXPECT_EQ(host.messages[0].text.substr(0, 28),
                  direction ? "Could not write data to memo" : "Could not read data from mem");
        EXPECT_EQ(host.messages[0].flags, kMbIconStop | kMbTaskModal);
        EXPECT_TRUE(written.empty());
    }
}

// Every layout either moves the image exactly (the programmed blocks cover the image and
// nothing of the other table) or is refused before a byte is sent. The controller of each
// case is the one such a layout would describe.
TEST_F(Transfer, EveryLayoutMovesExactlyOrIsRefusedBeforeAnythingIsSent) {
    struct Case {
        const char* what;
        int nvmType;
        int size;
        std::string declarations;
        SimLayout controller;
        int table;
        std::string refusal; // empty: the image must move exactly
    };
    auto flash = [](int blockSize, int bufferStart, int bufferSize) {
        SimLayout layout;
        layout.nvmType = 1;
        layout.flashBlockSize = blockSize;
        layout.bufferStart = bufferStart;
        layout.bufferSize = bufferSize;
        return layout;
    };
    auto declare = [](int start, int blockSize, int page, int bufferStart, int bufferSize) {
        return "$CalNVMStart " + std::to_string(start) + "\n$FlashBlockSize " +
               std::to_string(blockSize) + "\n$CalNVMPageSize " + std::to_string(page) +
               "\n$CalBufferStart " + std::to_string(bufferStart) + "\n$CalBufferSize " +
               std::to_string(bufferSize) + "\n";
    };
    const std::vector<Case> cases = {
        {"blocks larger than a frame", 1, 512, declare(4096, 512, 512, 0x200, 1024),
         flash(512, 0x200, 1024), 0, ""},
        {"blocks that do not divide 256, table 1", 1, 448, declare(4800, 96, 960, 0x200, 768),
         flash(96, 0x200, 768), 0, ""},
        {"blocks that do not divide 256, table 2", 1, 448, declare(4800, 96, 960, 0x200, 768),
         flash(96, 0x200, 768), 1, ""},
        {"buffer beyond 3-digit RAM addresses", 1, 600, declare(4096, 64, 1024, 0x1200, 512),
         flash(64, 0x1200, 512), 0, "addressed only from 0x0 to 0xFFF"},
        {"unknown memory type", 3, 600, declare(4096, 64, 1024, 0x200, 512), flash(64, 0x200, 512),
         0, "memory type ($NVMType) 3"},
        {"table 1 off a block start", 1, 600, declare(4100, 64, 1024, 0x200, 512),
         flash(64, 0x200, 512), 0, "not the start of a flash block of 64 bytes"},
        {"table 2 off a block start", 1, 600, declare(4096, 64, 1000, 0x200, 512),
         flash(64, 0x200, 512), 1, "not the start of a flash block of 64 bytes"},
        {"tables closer than the image", 1, 600, declare(4096, 64, 512, 0x200, 512),
         flash(64, 0x200, 512), 0, "one table would overwrite the other"},
        {"blocks beyond number 0xFFF", 1, 600, declare(0x3FF00, 64, 1024, 0x200, 512),
         flash(64, 0x200, 512), 0, "block numbers up to 0xFFF"},
        {"EEPROM image above 256 bytes", 0, 300, "", SimLayout{}, 0,
         "EEPROM table holds at most 256 bytes"},
        {"no block size", 1, 600, "$FlashBlockSize 0\n$CalBufferSize 512\n", flash(64, 0x200, 512),
         0, "flash block size ($FlashBlockSize) of 0"},
        {"no buffer", 1, 600, "$FlashBlockSize 64\n$CalBufferSize 0\n", flash(64, 0x200, 512), 0,
         "($CalBufferSize) of 0 bytes"},
        {"buffer not in frames", 1, 600, "$FlashBlockSize 64\n$CalBufferSize 384\n",
         flash(64, 0x200, 512), 0, "($CalBufferSize) of 384 bytes"},
        {"buffer not in blocks", 1, 600, "$FlashBlockSize 96\n$CalBufferSize 512\n",
         flash(64, 0x200, 512), 0, "whole number of up to 256 flash blocks"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimOptions options = EepromController();
        options.layout = c.controller;
        Start(options, std::clamp(c.nvmType, 0, 2),
              {{"odd.def", LayoutDefinition("Odd", c.size, c.nvmType, c.declarations)}});
        ChooseType("odd.def");
        SelectTable(c.table);
        SetVariables(Pattern(c.size, 6));
        if (c.refusal.empty()) {
            const int blockSize = c.controller.flashBlockSize;
            const int start = doc->Declarations.CalNVMStart();
            const int page = doc->Declarations.CalNVMPageSize();
            const int other = start + (1 - c.table) * page;
            // The other table holds a calibration; the buffer holds what a read left there.
            auto& flashMemory = sim->Controller().Flash();
            std::fill(flashMemory.begin() + other, flashMemory.begin() + other + page, 0x5A);
            for (int a = 0; a < c.controller.bufferSize; ++a)
                sim->Controller().SetRam(c.controller.bufferStart + a, 0xEE);
            ASSERT_EQ(controller->TransferCalibration(1), 1);
            EXPECT_TRUE(host.messages.empty());
            const int tableStart = start + c.table * page;
            EXPECT_EQ(FlashAt(tableStart, c.size), DocImage());
            EXPECT_EQ(FlashAt(other, page), Bytes(page, 0x5A));
            // Only the tail of the image's last block lies beyond it.
            const int span = (c.size + blockSize - 1) / blockSize * blockSize;
            EXPECT_EQ(FlashAt(tableStart + span, page - span), Bytes(page - span, 0xFF));
            SetVariables(Bytes(c.size, 0x11));
            ASSERT_EQ(controller->TransferCalibration(0), 1);
            EXPECT_EQ(DocImage(), FlashAt(tableStart, c.size));
            continue;
        }
        for (int direction : {1, 0}) {
            host.messages.clear();
            written.clear();
            EXPECT_EQ(controller->TransferCalibration(direction), 0);
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_NE(host.messages[0].text.find(c.refusal), std::string::npos)
                << host.messages[0].text;
            EXPECT_EQ(host.messages[0].caption,
                      direction ? "Calibration Write Error:" : "Calibration Read Error:");
            EXPECT_TRUE(written.empty());
        }
    }
}

// A table number from a damaged file must not steer a write into flash outside both tables.
TEST_F(Transfer, TableOtherThanOneOrTwoIsRefusedBeforeAnythingIsSent) {
    for (int table : {2, -1, 7}) {
        StartFlash(1);
        SelectTable(table);
        for (int direction : {1, 0}) {
            host.messages.clear();
            written.clear();
            EXPECT_EQ(controller->TransferCalibration(direction), 0) << table;
            ASSERT_EQ(host.messages.size(), 1u) << table;
            EXPECT_EQ(host.messages[0].text.rfind("The calibration selects controller table " +
                                                      std::to_string(table + 1) + ",",
                                                  0),
                      0u)
                << host.messages[0].text;
            EXPECT_EQ(host.messages[0].caption,
                      direction ? "Calibration Write Error:" : "Calibration Read Error:");
            EXPECT_TRUE(written.empty()) << table;
        }
    }
}

TEST_F(Transfer, FlashVerificationFailureIsRetriedThenReported) {
    SimOptions options = FlashController();
    options.faults.badFlashAddress = 4096 + 10;
    StartFlash(1, 600, options);
    SetVariables(Pattern(600, 1));
    EXPECT_EQ(controller->TransferCalibration(1), 0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{
                              "Controller Flash Memory Write Error:",
                              "Controller Flash Memory Write Error:", "Flash Write Error:"}));
    EXPECT_EQ(
        host.messages[0].text.rfind("Flash memory write verification failed at address 0x", 0), 0u)
        << host.messages[0].text;
    EXPECT_EQ(controller->Monitor().is_connected(), 0);
}

// On the paced line the refusal's abort byte is echoed while the host moves on; neither
// the block retry nor the whole-table retry may take that echo for its answer.
TEST_F(Transfer, RefusedFlashWriteIsRetried) {
    struct Case {
        long refusals;
        int result;
        std::vector<std::string> captions;
    };
    const std::vector<Case> cases = {
        {1, 1, {}},
        {2, 1, {"Controller Flash Memory Write Error:"}}, // the table's second attempt
        {4,
         0,
         {"Controller Flash Memory Write Error:", "Controller Flash Memory Write Error:",
          "Flash Write Error:"}},
    };
    for (const Case& c : cases) {
        SimOptions options = FlashController();
        options.faults.refuseFlashWrites = c.refusals;
        StartFlash(1, 600, options);
        SelectTable(1);
        SetVariables(Pattern(600, 4));
        host.messages.clear();
        EXPECT_EQ(controller->TransferCalibration(1), c.result) << c.refusals;
        EXPECT_EQ(Captions(), c.captions) << c.refusals;
        if (c.result == 1) {
            EXPECT_EQ(FlashAt(5120, 600), DocImage()) << c.refusals;
        } else {
            EXPECT_EQ(host.messages.back().text,
                      "Flash memory write verification failed at address 0x1400");
        }
    }
}

TEST_F(Transfer, SilentControllerMessagesAndUnchangedDocument) {
    struct Case {
        int nvmType;
        int direction;
        long silentAfter;
        std::vector<std::string> captions;
        std::string text;
    };
    const std::vector<Case> cases = {
        {1,
         1,
         300,
         {"Controller Flash Memory Write Error:", "Controller Flash Memory Write Error:",
          "Flash Write Error:"},
         "Communication timeout while attempting to write"},
        {1,
         0,
         300,
         {"Controller Flash Memory Read Error:"},
         "Communication error while attempting to read"},
        {0, 1, 300, {"EEPROM Byte Write Error:"}, "Error in function CTCS_Monitor::"},
        {0, 0, 300, {"EEPROM Byte Read Error:"}, "Error in function CTCS_Monitor::read_NVM: "},
    };
    for (const Case& c : cases) {
        SimOptions options = c.nvmType == 0 ? EepromController() : FlashController();
        options.faults.silentAfter = c.silentAfter;
        if (c.nvmType == 0)
            StartEeprom(options);
        else
            StartFlash(1, 600, options);
        const int size = doc->Declarations.TotalBlockSize();
        SetVariables(Pattern(size, 5));
        const std::vector<std::uint8_t> before = DocImage();
        host.messages.clear();
        EXPECT_EQ(controller->TransferCalibration(c.direction), 0);
        EXPECT_EQ(DocImage(), before);
        ASSERT_FALSE(host.messages.empty());
        // The EEPROM write's retries fail at once once the link is down; the table routine
        // leaves the message to the caller, which reports the last error.
        std::vector<std::string> captions = Captions();
        if (c.nvmType == 0 && c.direction == 1)
            captions.erase(captions.begin(), captions.end() - 1);
        EXPECT_EQ(captions, c.captions) << c.nvmType << c.direction;
        EXPECT_NE(host.messages.back().text.find(c.text), std::string::npos)
            << host.messages.back().text;
        EXPECT_EQ(controller->Monitor().is_connected(), 0);
    }
}

TEST(ReadbackPath, NamesTheFileInTheCurrentFolder) {
    EXPECT_EQ(ReadbackPathName("/home/u/cal/a.gvr", 0), "/home/u/cal/ControllerReadback_Table#1");
    EXPECT_EQ(ReadbackPathName("C:\\Cal\\a.gvr", 1), "C:\\Cal\\ControllerReadback_Table#2");
    EXPECT_EQ(ReadbackPathName("a.gvr", 1), "ControllerReadback_Table#2");
    EXPECT_EQ(ReadbackPathName("", 0), "ControllerReadback_Table#1");
}

} // namespace
} // namespace vexa
