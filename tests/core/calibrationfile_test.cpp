#include "core/programpaths.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vexa {
namespace {

using testing::DocFixture;
using testing::ReadFileBytes;

const char* const kDefinition = "[ApplicationID]\n"
                                "LogicalName L4\nTransmissionType 4L60E\nProdName VEXA TCS\n"
                                "ProdID 7\nSchema 2\n"
                                "[Declarations]\n"
                                "$TotalBlockSize 64\n$DynamicBlockSize 1\n$NumDynamicTableCells 1\n"
                                "$NumDynamicTableEntries 1\n$DynamicBlockStart 0\n"
                                "$DynamicBlockLayout 0\n$DynamicInterpolation 1\n"
                                "$StaticBlockSize 32\n$StaticBlockStart 32\n$NVMType 0\n"
                                "Speed I16 1:0:x Def:1500\nNote STR 2:0:Hi\n"
                                "StoreFormulae:\nI@Speed = I:Speed:\n";

// generic.init: declarations only, no transmission type.
const char* const kGeneric = "[ApplicationID]\nLogicalName Generic\nTransmissionType None\n"
                             "ProdName VEXA TCS\nProdID 7\nSchema 2\n";

class CalibrationFile : public ::testing::Test, protected DocFixture {
protected:
    void SetUp() override {
        dir.Write("PID2/3/generic.init", kGeneric);
        dir.Write("PID2/3/l4.def", kDefinition);
        std::string other = kDefinition;
        other.insert(other.find("StoreFormulae:"), "Extra I16 1:4:x Def:9\n");
        dir.Write("PID5/7/l4.def", other);
        MakeDoc();
    }
    CVLXDoc& Doc() { return *doc; }
    // A calibration with a definition loaded and every saved part holding something.
    void FillCalibration() {
        Doc().Header[kDefinitionFileName] = "l4.def";
        ASSERT_EQ(Doc().LoadDefinitionFile(Doc().DefinitionFilePath()), 1);
        ASSERT_EQ(Doc().ReadApplicationID(), 1);
        ASSERT_EQ(Doc().ReadDeclarations(1), 1);
        Doc().Header[kReserved7] = "kept";
        Doc().ControlStateText = ":P:C 1; ";
        Doc().ReservedText = std::string(300, 'r');
        Doc().ReservedBlock508.SetU8(7, 0x5A);
        Doc().ReservedBlock1024.SetU8(1023, 0xA5);
        Doc().Identity.SetU8(3, 0x11);
        Doc().Display.SetI32(DisplayBlock::kSelectedNVMTable, 1);
        Doc().ConvTable[4][2] = {2.5f, -9};
        Doc().Point(9, 9) = -77;
    }
    std::string SavePath() { return dir.File("cal.gvr"); }
};

TEST_F(CalibrationFile, SavedBytesStartWithTheFormatAndCountedHeaders) {
    FillCalibration();
    const std::string bytes = Doc().SaveToBytes();
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_EQ(bytes.substr(0, 6), "GVR02\n");
    EXPECT_EQ(bytes[6], 2); // LogicalName "L4"
    EXPECT_EQ(bytes.substr(7, 2), "L4");

    ByteWriter writer;
    writer.CountedString(std::string(300, 'x'));
    EXPECT_EQ(writer.Data().substr(0, 3), std::string("\xFF\x2C\x01", 3));
    ByteWriter huge;
    huge.CountedString(std::string(0x10000, 'y'));
    EXPECT_EQ(huge.Data().substr(0, 7), std::string("\xFF\xFF\xFF\x00\x00\x01\x00", 7));
}

TEST_F(CalibrationFile, SaveAndOpenRoundTripByteForByte) {
    FillCalibration();
    ASSERT_TRUE(Doc().OnSaveDocument(SavePath()));
    const std::string saved = ReadFileBytes(SavePath());

    DocFixture other;
    other.dir.Write("PID2/3/generic.init", kGeneric);
    other.dir.Write("PID2/3/l4.def", kDefinition);
    other.MakeDoc();
    ASSERT_TRUE(other.doc->OnOpenDocument(SavePath()));
    EXPECT_FALSE(other.doc->IsModified());
    EXPECT_EQ(other.doc->SaveToBytes(), saved);
    EXPECT_EQ(other.doc->Point(9, 9), -77);
    EXPECT_EQ(other.doc->Identity.U8(3), 0x11);
    EXPECT_EQ(other.doc->Identity.FirmwareVersionMinor(), 3);
    // The definition's formulas are not appended again to the file's copies of them, so
    // every open and save cycle keeps the same list.
    EXPECT_EQ(other.doc->Declarations.StoreFormulaCount(), 1u);
}

TEST_F(CalibrationFile, OpenReattachesToTheSettingsIdentity) {
    FillCalibration();
    Doc().Header[kDefinitionFileName] = "C:\\Old\\Path\\l4.def";
    ASSERT_TRUE(Doc().OnSaveDocument(SavePath()));
    for (const char* key :
         {"DeviceType", "FirmwareVersion", "FirmwareVersionMinor", "HardwareVersion"})
        settings.WriteInt("HardwareProfile", key, 5);
    settings.WriteInt("HardwareProfile", "FirmwareVersion", 7);
    ASSERT_TRUE(Doc().OnOpenDocument(SavePath()));
    EXPECT_EQ(Doc().DefinitionDir, JoinStoredPath(dir.path(), "PID5/7"));
    EXPECT_EQ(Doc().Header[kDefinitionFileName], "l4.def");
    EXPECT_TRUE(Doc().FindIntVariable("Extra"));
    EXPECT_EQ(Doc().Identity.IdentityCurrent(), 0);
}

TEST_F(CalibrationFile, MismatchesMarkTheCalibrationUnmatched) {
    FillCalibration();
    Doc().Identity.SetI16(IdentityBlock::kPackageVersion, 99);
    ASSERT_TRUE(Doc().OnSaveDocument(SavePath()));
    ASSERT_TRUE(Doc().OnOpenDocument(SavePath()));
    EXPECT_EQ(Doc().Identity.FirmwareVersionMinor(), 0xFFFF);
    EXPECT_EQ(Doc().Identity.PackageVersion(), Doc().PackageVersion);

    // A calibration without a transmission type keeps no definition text.
    Doc().OnNewDocument();
    Doc().DefinitionText = "\nsomething";
    const std::string bytes = Doc().SaveToBytes();
    std::string failure;
    ASSERT_EQ(Doc().LoadFromBytes(bytes, failure), 1);
    EXPECT_EQ(Doc().DefinitionText, "");
}

// Opening compares the file with the definition installed for it: a different identity in
// the definition, or a file from another revision, marks the calibration unmatched (so the
// next controller check reloads the definitions); the revision is then brought up to date.
TEST_F(CalibrationFile, OpeningMarksEveryDifferenceFromTheDefinitionUnmatched) {
    auto replaced = [](const char* from, const char* to) {
        std::string text = kDefinition;
        text.replace(text.find(from), std::string_view(from).size(), to);
        return text;
    };
    auto added = [&](const char* line) {
        return replaced("Schema 2\n", (std::string("Schema 2\n") + line + "\n").c_str());
    };
    struct Case {
        const char* name;
        std::string definition; // installed when the file is opened
        std::uint16_t revisionMajor;
        std::uint16_t revisionMinor;
        bool unmatched;
    };
    const Case cases[] = {
        {"nothing differs", kDefinition, 3, 30, false},
        {"ProdID", replaced("ProdID 7", "ProdID 8"), 3, 30, true},
        {"Schema", replaced("Schema 2", "Schema 3"), 3, 30, true},
        {"MinFWVer", added("MinFWVer 3.1"), 3, 30, true},
        {"MaxFWVer", added("MaxFWVer 3.9"), 3, 30, true},
        {"MinHWVer", added("MinHWVer 2"), 3, 30, true},
        {"RevisionMajor", kDefinition, 2, 30, true},
        {"RevisionMinor", kDefinition, 3, 29, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("PID2/3/l4.def", kDefinition);
        MakeDoc();
        FillCalibration();
        Doc().Identity.SetU16(IdentityBlock::kRevisionMajor, c.revisionMajor);
        Doc().Identity.SetU16(IdentityBlock::kRevisionMinor, c.revisionMinor);
        ASSERT_TRUE(Doc().OnSaveDocument(SavePath()));
        dir.Write("PID2/3/l4.def", c.definition);
        ASSERT_TRUE(Doc().OnOpenDocument(SavePath()));
        EXPECT_EQ(Doc().Identity.FirmwareVersionMinor(), c.unmatched ? 0xFFFF : 3);
        EXPECT_EQ(Doc().Identity.RevisionMajor(), 3);
        EXPECT_EQ(Doc().Identity.RevisionMinor(), 30);
    }
}

TEST_F(CalibrationFile, WithoutItsDefinitionFileACalibrationKeepsWhatItWasSavedWith) {
    FillCalibration();
    ASSERT_EQ(Doc().SetIntVariable("Speed", 1234), 1);
    ASSERT_TRUE(Doc().OnSaveDocument(SavePath()));
    const std::string saved = ReadFileBytes(SavePath());
    const std::string definition = Doc().DefinitionText;
    std::filesystem::remove(dir.File("PID2/3/l4.def"));

    MakeDoc();
    ASSERT_TRUE(Doc().OnOpenDocument(SavePath()));
    EXPECT_EQ(Doc().DefinitionText, definition);
    EXPECT_EQ(Doc().FindIntVariable("Speed").Get(), 1234);
    EXPECT_EQ(Doc().Identity.FirmwareVersionMinor(), 3);
    EXPECT_TRUE(Doc().SaveToBytes() == saved) << "the calibration changed on the way";
}

TEST_F(CalibrationFile, BadFilesLeaveTheCalibrationUnchanged) {
    FillCalibration();
    const std::string good = Doc().SaveToBytes();
    Doc().SetModifiedFlag(true);
    const std::string before = Doc().SaveToBytes();
    struct Case {
        const char* name;
        std::string bytes;
        const char* caption;
    } cases[] = {
        {"plain.gvr", "GVR01\n...", "Invalid Calibration File Format:"},
        {"empty.gvr", "", "Invalid Calibration File Format:"},
        {"cut-header.gvr", good.substr(0, 40), "Calibration File Open Error:"},
        {"cut-variables.gvr", good.substr(0, good.size() - 5), "Calibration File Open Error:"},
        {"legacy-cut.gvr", "\"GVR01\"\n\"A comment that never ends\n",
         "Calibration File Open Error:"},
    };
    for (const Case& c : cases) {
        host.messages.clear();
        const std::string path = dir.Write(c.name, c.bytes);
        EXPECT_FALSE(Doc().OnOpenDocument(path)) << c.name;
        EXPECT_EQ(Doc().SaveToBytes(), before) << c.name;
        EXPECT_TRUE(Doc().IsModified()) << c.name;
        ASSERT_FALSE(host.messages.empty()) << c.name;
        EXPECT_EQ(host.messages.back().caption, c.caption) << c.name;
        if (std::string(c.caption) == "Calibration File Open Error:") {
            EXPECT_NE(host.messages.back().text.find(path), std::string::npos) << c.name;
        }
    }
    host.messages.clear();
    EXPECT_FALSE(Doc().OnOpenDocument(dir.File("missing.gvr")));
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(CalibrationFile, WideStringsAndTooManyFormulas) {
    DocFixture f;
    f.MakeDoc();
    f.doc->Header[kTransmissionType] = "None";
    f.doc->Header[kLogicalName] = "";
    f.doc->Declarations.SetLoadFormulaCount(41);
    for (int i = 0; i < kMaxFormulas; ++i)
        f.doc->LoadFormulas[static_cast<std::size_t>(i)] = "I@A=" + std::to_string(i);
    std::string file = f.doc->SaveToBytes();
    // The saved file holds 40; append the 41st the way an outside tool would.
    ByteWriter extra;
    extra.CountedString("I@A=40");
    file += extra.Data();
    // And make the first header string a 16-bit one: 0xFF 0xFFFE, length 2, "Å€".
    const std::string wide("\xFF\xFE\xFF\x02\xC5\x00\xAC\x20", 8);
    file = file.substr(0, 6) + wide + file.substr(7);

    std::string failure;
    ASSERT_EQ(f.doc->LoadFromBytes(file, failure), 1) << failure;
    EXPECT_EQ(f.doc->Declarations.LoadFormulaCount(), 40u);
    EXPECT_EQ(f.doc->LoadFormulas[39], "I@A=39");
    EXPECT_EQ(f.doc->Header[kLogicalName], "\xC5\x80");
    ASSERT_FALSE(f.host.messages.empty());
    EXPECT_EQ(f.host.messages.front().caption, "Load formula array size exceeded");
    EXPECT_EQ(f.host.messages.front().text,
              "Too many load formulas (41) for array size, truncating to maximum number.");
}

#ifndef _WIN32
TEST_F(CalibrationFile, SaveThatCannotCompleteKeepsTheOldFile) {
    FillCalibration();
    ASSERT_TRUE(Doc().OnSaveDocument(SavePath()));
    const std::string old = ReadFileBytes(SavePath());
    Doc().ReservedText = std::string(200000, 'z');

    // A child process with its file size capped below the new calibration's size.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = Doc().OnSaveDocument(SavePath());
        const bool reported = !host.messages.empty() &&
                              host.messages.back().caption == "Calibration File Save Error:";
        _exit(!saved && reported ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes(SavePath()), old);
}
#endif

} // namespace
} // namespace vexa

namespace vexa {
namespace {

TEST(ByteReader, CountedStringsInEveryLengthForm) {
    struct Case {
        std::string bytes;
        std::string text;
    } cases[] = {
        {std::string("\x03"
                     "abc",
                     4),
         "abc"},
        {std::string("\xFF\x03\x00"
                     "abc",
                     6),
         "abc"},
        {std::string("\xFF\xFF\xFF\x03\x00\x00\x00"
                     "abc",
                     10),
         "abc"},
        {std::string("\xFF\xFE\xFF\x02"
                     "a\x00\xAC\x20",
                     8),
         "a\x80"},
        {std::string("\xFF\xFE\xFF\xFF\x01\x00"
                     "\x00\x01",
                     8),
         "?"},
    };
    for (const Case& c : cases) {
        ByteReader reader(c.bytes);
        EXPECT_EQ(reader.CountedString(), c.text);
        EXPECT_FALSE(reader.Failed());
        EXPECT_TRUE(reader.AtEnd());
    }
    const std::string cut("\xFF\x10\x00"
                          "abc",
                          6);
    ByteReader truncated(cut);
    EXPECT_EQ(truncated.CountedString(), "");
    EXPECT_TRUE(truncated.Failed());
    EXPECT_EQ(truncated.U32(), 0u);
}

} // namespace
} // namespace vexa
