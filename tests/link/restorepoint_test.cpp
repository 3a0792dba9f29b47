// Restore points: a write first keeps what the controller table held, as a calibration file
// read as File>Read reads it; when that fails the user decides, and No sends nothing.
#include "controllerfixture.h"
#include "core/calibrationcompare.h"
#include "core/programpaths.h"
#include "core/restorepoints.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vexa {
namespace {

using testing::ControllerFixture;
using testing::FlashDeclarations;
using testing::LayoutDefinition;

std::vector<std::uint8_t> Pattern(int size, int seed) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>((i * 29 + seed * 7) % 250 + 3);
    return bytes;
}

class RestorePointTest : public ::testing::Test, protected ControllerFixture {
protected:
    void StartEeprom(SimOptions options = {}, const std::string& extra = {}) {
        Start(options, 0,
              {{"eeprom.def", LayoutDefinition("EepromBox", 64, 0)},
               {"other.def", LayoutDefinition("OtherBox", 64, 0)}});
        if (!extra.empty())
            dir.Write("PID2/3/TransReadback.sig", extra);
        Connect("eeprom.def");
    }
    void StartFlash() {
        SimOptions options;
        options.layout.nvmType = 1;
        Start(options, 1,
              {{"flash.def", LayoutDefinition("FlashBox", 600, 1, FlashDeclarations())}});
        Connect("flash.def");
    }
    // Connected, as the write command is offered only then; the first check marks the
    // calibration modified, so the test starts from an unmodified one and no restore points.
    void Connect(const std::string& definition) {
        ChooseType(definition);
        controller->SetRestorePointFolder(folder());
        ASSERT_EQ(controller->CheckController(0, 1), 1);
        doc->SetModifiedFlag(false);
        std::filesystem::remove_all(folder());
        host.messages.clear();
    }
    std::string folder() const { return dir.File("data/restore-points"); }
    // recorder: the host the document reports to, when not the fixture's.
    void Decide(const std::string& cause, int answer, const std::string& reason,
                testing::RecordingHost* recorder = nullptr);

    // The restore point as File>Open reads it, and the image a write of it would send.
    std::vector<std::uint8_t> ImageOf(const std::string& path, std::string* type = nullptr) {
        ComparedCalibration saved(settings, dir.path());
        std::string error;
        EXPECT_TRUE(saved.Open(path, error)) << error;
        CVLXDoc& d = saved.Doc();
        if (type)
            *type = d.Header[kTransmissionType];
        std::vector<std::uint8_t> image(static_cast<std::size_t>(d.Declarations.TotalBlockSize()),
                                        d.Declarations.NVMType() > 1 ? 0xFF : 0x00);
        EXPECT_EQ(d.BuildMemoryImage(image), 1);
        return image;
    }
};

TEST_F(RestorePointTest, AWriteKeepsWhatTheTableHeldBefore) {
    struct Case {
        bool flash;
        int table;
    };
    for (const Case c : {Case{false, 0}, Case{false, 1}, Case{true, 1}}) {
        SCOPED_TRACE(c.flash ? "flash" : "EEPROM");
        if (c.flash)
            StartFlash();
        else
            StartEeprom();
        const int size = doc->Declarations.TotalBlockSize();
        const std::vector<std::uint8_t> held = Pattern(size, c.table + 1);
        if (c.flash)
            std::copy(held.begin(), held.end(),
                      sim->Controller().Flash().begin() + 4096 + 1024 * c.table);
        else
            std::copy(held.begin(), held.end(), sim->Controller().Eeprom(c.table).begin());
        SelectTable(c.table);
        SetVariables(Pattern(size, 9));
        const std::vector<std::uint8_t> image = DocImage();
        doc->SetModifiedFlag(false);
        host.statusTexts.clear();

        ASSERT_EQ(controller->TransferCalibration(1), 1);
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(c.flash ? FlashAt(4096 + 1024 * c.table, size) : EepromTable(c.table, size),
                  image);

        const std::vector<RestorePoint> points = ListRestorePoints(folder());
        ASSERT_EQ(points.size(), 1u);
        EXPECT_EQ(points[0].path, controller->LastRestorePoint());
        EXPECT_EQ(points[0].what, "Test table " + std::to_string(c.table + 1));
        EXPECT_EQ(ImageOf(points[0].path), held);
        // The open calibration is not touched by the backup read.
        EXPECT_EQ(DocImage(), image);
        EXPECT_FALSE(doc->IsModified());
        EXPECT_NE(std::find(host.statusTexts.begin(), host.statusTexts.end(),
                            "Restore point saved: " + points[0].path),
                  host.statusTexts.end());
        EXPECT_EQ(host.statusTexts.back(),
                  "Write to controller NVM table " + std::to_string(c.table + 1) +
                      " complete. Restore point: " + StoredFileName(points[0].path));
    }
}

// The table is read as File>Read reads it: its signature names its transmission type, and
// among similar types the one of the open calibration is kept.
TEST_F(RestorePointTest, TheTableIsRecognisedAsFileReadRecognisesIt) {
    struct Case {
        const char* signature;
        const char* openType;
        const char* expected;
    };
    const Case cases[] = {
        {"@0:0x42 = other.def\n", "eeprom.def", "OtherBox"},
        {"@0:0x42 = *similar\n*other.def*Alpha\n*eeprom.def*Beta\n", "eeprom.def", "EepromBox"},
        {"@0:0x42 = *similar\n*eeprom.def*Alpha\n*other.def*Beta\n", "other.def", "OtherBox"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signature);
        StartEeprom({}, c.signature);
        ChooseType(c.openType);
        std::vector<std::uint8_t> held = Pattern(64, 3);
        held[0] = 0x42;
        std::copy(held.begin(), held.end(), sim->Controller().Eeprom(0).begin());
        const std::string openType = doc->Header[kTransmissionType];
        ASSERT_EQ(controller->TransferCalibration(1), 1);
        std::string type;
        EXPECT_EQ(ImageOf(controller->LastRestorePoint(), &type), held);
        EXPECT_EQ(type, c.expected);
        EXPECT_EQ(doc->Header[kTransmissionType], openType);
    }
}

// Asks whether to write without a restore point, answers, and checks what reached table 1.
void RestorePointTest::Decide(const std::string& cause, int answer, const std::string& reason,
                              testing::RecordingHost* recorder) {
    testing::RecordingHost& shown = recorder ? *recorder : host;
    SCOPED_TRACE(cause + (answer == kIdYes ? ", Yes" : ", No"));
    const std::vector<std::uint8_t> held = Pattern(64, 4);
    std::copy(held.begin(), held.end(), sim->Controller().Eeprom(0).begin());
    SetVariables(Pattern(64, 8));
    shown.messages.clear();
    shown.answers = {answer};

    EXPECT_EQ(controller->TransferCalibration(1), answer == kIdYes ? 1 : 0);
    ASSERT_FALSE(shown.messages.empty());
    const testing::RecordedMessage& question = shown.messages[0];
    EXPECT_EQ(question.caption, "Restore Point Error:");
    EXPECT_EQ(question.flags, kMbYesNo | kMbIconExclamation | kMbDefButton2 | kMbTaskModal);
    EXPECT_NE(question.text.find(reason), std::string::npos) << question.text;
    EXPECT_NE(question.text.find("Write the calibration without a restore point?"),
              std::string::npos);
    EXPECT_EQ(shown.messages.size(), 1u) << shown.messages.back().text;
    EXPECT_EQ(EepromTable(0, 64), answer == kIdYes ? DocImage() : held);
    EXPECT_FALSE(sim->Controller().EepromWriteEnabled());
    EXPECT_EQ(controller->LastRestorePoint(), "");
    EXPECT_TRUE(ListRestorePoints(folder()).empty());
}

TEST_F(RestorePointTest, AFailedBackupReadAsksAndNoSendsNothing) {
    SimOptions options;
    options.faults.silentAfter = 100; // in the middle of the backup read
    StartEeprom(options);
    written.clear();
    Decide("read fails", kIdNo, "EEPROM Byte Read Error:");
    // Nothing but the backup read went out: writes are never switched on.
    EXPECT_NE(written.find("f4400"), std::string::npos);
    EXPECT_EQ(written.find("f4409"), std::string::npos) << written;
}

// A person takes a while to answer; meanwhile the controller comes back.
struct SlowToAnswer : testing::RecordingHost {
    explicit SlowToAnswer(ManualClock& clock) : clock_(clock) {}
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        clock_.Advance(5000);
        return RecordingHost::MessageBox(text, caption, flags);
    }
    ManualClock& clock_;
};

TEST_F(RestorePointTest, AfterAFailedBackupReadYesWritesToTheSameController) {
    SimOptions options;
    options.faults.silentAfter = 100;
    options.faults.silentForMs = 3000; // longer than the read waits, shorter than the answer
    StartEeprom(options);
    SlowToAnswer slow(clock);
    doc->SetHost(&slow);
    Decide("read fails", kIdYes, "EEPROM Byte Read Error:", &slow);
}

TEST_F(RestorePointTest, AFolderThatCannotBeMadeAsksToo) {
    StartEeprom();
    dir.Write("data/restore-points", "a file where the folder should be");
    for (int answer : {kIdNo, kIdYes})
        Decide("folder unusable", answer, "Could not create the folder");
}

TEST_F(RestorePointTest, NoFolderNoBackupRead) {
    StartEeprom();
    controller->SetRestorePointFolder("");
    ASSERT_EQ(controller->TransferCalibration(1), 1);
    for (const std::string& text : host.statusTexts)
        EXPECT_EQ(text.find("Reading"), std::string::npos) << text;
    EXPECT_EQ(controller->LastRestorePoint(), "");
    EXPECT_EQ(host.statusTexts.back(), "Write to controller NVM table 1 complete.");
}

} // namespace
} // namespace vexa
