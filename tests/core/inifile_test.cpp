#include "core/inifile.h"
#include "core/settingskeys.h"

#include <gtest/gtest.h>

#include "support/portable.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vexa {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The file older installations have, with CRLF endings, a comment, a section this program
// does not know and odd spacing.
const std::string kOldFile = "; written by an older version\r\n"
                             "[HardwareProfile]\r\n"
                             "DeviceType=2\r\n"
                             "  firmwareversion = 3  \r\n"
                             "\r\n"
                             "[Unknown Section]\r\n"
                             "Colour=\"  blue  \"\r\n"
                             "Junk line without equals\r\n"
                             "\r\n"
                             "; comment before the recent files\r\n"
                             "[Recent File List]\r\n"
                             "File1=C:\\Cal\\first.gvr\r\n";

TEST(IniDocument, RoundTripsAnyTextByteForByte) {
    const std::string texts[] = {
        "",
        kOldFile,
        "[a]\nk=v",                               // no final line ending
        "\xEF\xBB\xBF[a]\r\nk=v\r\n",             // byte order mark
        "[a]\r\r\nk=v\n\n\r\n  \t\nno section\n", // mixed and stray CRs
        std::string("[a]\nk=v\0w\n", 10),         // NUL inside a value
    };
    for (const std::string& text : texts)
        EXPECT_EQ(IniDocument::Parse(text).Serialize(), text);
}

TEST(IniDocument, ReadsWithProfileRules) {
    const IniDocument doc = IniDocument::Parse(kOldFile + "[hardwareprofile]\r\n"
                                                          "DeviceType=99\r\n"
                                                          "[HardwareProfile2]\n"
                                                          "HardwareVersion=4\n");
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    } cases[] = {
        {"HardwareProfile", "DeviceType", "2"},
        {"HARDWAREPROFILE", "devicetype", "2"},      // case does not matter
        {"  HardwareProfile ", " DeviceType", "2"},  // nor spaces around the names
        {"HardwareProfile", "FirmwareVersion", "3"}, // value trimmed
        {"Unknown Section", "Colour", "  blue  "},   // one pair of quotes removed
        {"Recent File List", "File1", "C:\\Cal\\first.gvr"},
        {"HardwareProfile", "HardwareVersion", std::nullopt}, // only the first section counts
        {"HardwareProfile", "Missing", std::nullopt},
        {"Missing", "DeviceType", std::nullopt},
        {"Unknown Section", "Junk line without equals", std::nullopt},
        {"", "; written by an older version", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(doc.Get(c.section, c.key), c.expected) << c.section << "/" << c.key;
    }
}

TEST(IniDocument, LineEndingsOfEitherKindRead) {
    for (const char* eol : {"\n", "\r\n"}) {
        const std::string text = std::string("[S]") + eol + "A=1" + eol + "B=two" + eol;
        const IniDocument doc = IniDocument::Parse(text);
        EXPECT_EQ(doc.Get("S", "A"), "1");
        EXPECT_EQ(doc.Get("S", "B"), "two");
    }
}

TEST(IniDocument, SetReplacesOnlyTheKeyLineAndKeepsItsSpelling) {
    IniDocument doc = IniDocument::Parse(kOldFile);
    ASSERT_TRUE(doc.Set("hardwareprofile", "FIRMWAREVERSION", "5"));
    std::string expected = kOldFile;
    expected.replace(expected.find("  firmwareversion = 3  "), 23, "  firmwareversion=5");
    EXPECT_EQ(doc.Serialize(), expected);
}

TEST(IniDocument, SetAddsKeysAfterTheSectionsLastEntryAndNewSectionsAtTheEnd) {
    IniDocument doc = IniDocument::Parse(kOldFile);
    ASSERT_TRUE(doc.Set("HardwareProfile", "HardwareVersion", "2"));
    ASSERT_TRUE(doc.Set("Unknown Section", "Extra", "x"));
    ASSERT_TRUE(doc.Set("Communication Settings", "COMPortNumber", "3"));
    ASSERT_TRUE(doc.Set("communication settings", "COMPortName", "/dev/ttyUSB0"));
    EXPECT_EQ(doc.Serialize(), "; written by an older version\r\n"
                               "[HardwareProfile]\r\n"
                               "DeviceType=2\r\n"
                               "  firmwareversion = 3  \r\n"
                               "HardwareVersion=2\r\n"
                               "\r\n"
                               "[Unknown Section]\r\n"
                               "Colour=\"  blue  \"\r\n"
                               "Junk line without equals\r\n"
                               "Extra=x\r\n"
                               "\r\n"
                               "; comment before the recent files\r\n"
                               "[Recent File List]\r\n"
                               "File1=C:\\Cal\\first.gvr\r\n"
                               "\r\n"
                               "[Communication Settings]\r\n"
                               "COMPortNumber=3\r\n"
                               "COMPortName=/dev/ttyUSB0\r\n");
}

TEST(IniDocument, SetAfterALastLineWithoutEndingAddsOne) {
    IniDocument doc = IniDocument::Parse("[S]\nA=1");
    ASSERT_TRUE(doc.Set("S", "B", "2"));
    EXPECT_EQ(doc.Serialize(), "[S]\nA=1\nB=2\n");
}

TEST(IniDocument, ValuesReadBackExactlyAsWritten) {
    const std::string values[] = {
        "",   "plain",  "  leading", "trailing\t", "\"quoted\"", "'single'",
        "\"", "\"half", "a=b;c [d]", "\"\"",       " ",          "x\x1a",
    };
    for (const std::string& value : values) {
        IniDocument doc;
        ASSERT_TRUE(doc.Set("S", "K", value)) << value;
        EXPECT_EQ(IniDocument::Parse(doc.Serialize()).Get("S", "K"), value) << doc.Serialize();
    }
}

TEST(IniDocument, RefusesWhatTheFileCannotHold) {
    const struct {
        std::string section, key, value;
    } cases[] = {
        {"", "K", "v"},           {"  ", "K", "v"},
        {"S", "", "v"},           {"S", "a=b", "v"},
        {"S", ";K", "v"},         {"S", "[K", "v"},
        {"S\n", "K", "v"},        {"S", "K\rX", "v"},
        {"S", "K", "two\nlines"}, {"S", "K", std::string("nul\0", 4)},
    };
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::Parse("[S]\nK=old\n");
        EXPECT_FALSE(doc.Set(c.section, c.key, c.value)) << c.section << "/" << c.key;
        EXPECT_EQ(doc.Serialize(), "[S]\nK=old\n");
    }
}

TEST(ParseProfileInt, ReadsLikeTheProfileFunctions) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"12", 12},        {"12abc", 12},      {"abc", 0},
        {"", -7},          {"-5", -5},         {"+7", 7},
        {" 42 ", 42},      {"-", 0},           {"0x1F", 31},
        {"0XffFF", 65535}, {"0x", 0},          {"-0x10", -16},
        {"65535", 65535},  {"4294967295", -1}, {"2147483648", -2147483647 - 1},
        {"1.5", 1},        {"0012", 12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseProfileInt(c.text, -7), c.expected) << '"' << c.text << '"';
}

class IniSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testing::MakeTempDirectory(std::string(VEXA_TEST_OUTPUT_DIR) + "/ini-XXXXXX");
        ASSERT_NE(dir_, "");
        path_ = dir_ + "/vexa.INI";
    }
    void TearDown() override {
#ifndef _WIN32
        ::chmod(dir_.c_str(), 0700);
#endif
        std::filesystem::remove_all(dir_);
    }
    std::string dir_;
    std::string path_;
};

TEST_F(IniSettingsStoreTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
    IniSettingsStore store(path_);
    EXPECT_EQ(store.GetInt(kSectionCommunication, kKeyCOMPortNumber, kDefaultCOMPortNumber), 0);
    EXPECT_EQ(store.GetString(kSectionRecentFileList, RecentFileKey(1), "none"), "none");
    EXPECT_FALSE(std::filesystem::exists(path_));

    ASSERT_TRUE(store.WriteInt(kSectionCommunication, kKeyCOMPortNumber, 3));
    ASSERT_TRUE(store.WriteInt(kSectionHardwareProfile, kKeyDeviceType, kIdentityUnknownAfterLoad));
    ASSERT_TRUE(store.WriteInt(kSectionHardwareProfile, kKeyFirmwareVersion, -1));
    EXPECT_EQ(ReadFile(path_), "[Communication Settings]\n"
                               "COMPortNumber=3\n"
                               "\n"
                               "[HardwareProfile]\n"
                               "DeviceType=65535\n"
                               "FirmwareVersion=-1\n");
    EXPECT_EQ(store.GetInt("hardwareprofile", "firmwareversion", 3), -1);
    EXPECT_EQ(store.LastError(), "");
}

TEST_F(IniSettingsStoreTest, TwoStoresOnOneFileAgree) {
    IniSettingsStore first(path_);
    IniSettingsStore second(path_);
    ASSERT_TRUE(first.WriteInt(kSectionAboutBox, kKeyShowAtStartup, 0));
    EXPECT_EQ(second.GetInt(kSectionAboutBox, kKeyShowAtStartup, kDefaultShowAtStartup), 0);
    // Same length, written right away: only the content tells the change.
    ASSERT_TRUE(first.WriteInt(kSectionAboutBox, kKeyShowAtStartup, 1));
    EXPECT_EQ(second.GetInt(kSectionAboutBox, kKeyShowAtStartup, 5), 1);
    // A write through the second store keeps what the first wrote.
    ASSERT_TRUE(second.WriteInt(kSectionStartBox, kKeyShowAtStartup, 0));
    EXPECT_EQ(first.GetInt(kSectionStartBox, kKeyShowAtStartup, 1), 0);
    EXPECT_EQ(first.GetInt(kSectionAboutBox, kKeyShowAtStartup, 5), 1);
}

TEST_F(IniSettingsStoreTest, SeesEditsByOtherProgramsAndKeepsTheirLines) {
    IniSettingsStore store(path_);
    EXPECT_EQ(store.GetInt(kSectionSettings, kKeyPreviewPages, kDefaultPreviewPages), 0);
    WriteFile(path_, kOldFile);
    EXPECT_EQ(store.GetInt(kSectionHardwareProfile, kKeyFirmwareVersion, 0), 3);
    ASSERT_TRUE(store.WriteString(kSectionRecentFileList, RecentFileKey(1), "/home/u/a.gvr"));
    std::string expected = kOldFile;
    const std::string oldName = "C:\\Cal\\first.gvr";
    expected.replace(expected.find(oldName), oldName.size(), "/home/u/a.gvr");
    EXPECT_EQ(ReadFile(path_), expected);
}

TEST_F(IniSettingsStoreTest, FailedWriteReturnsFalseAndKeepsTheOldFile) {
    // A settings file in a folder that does not exist cannot be written.
    IniSettingsStore nowhere(dir_ + "/missing/vexa.INI");
    EXPECT_FALSE(nowhere.WriteInt(kSectionCommunication, kKeyCOMPortNumber, 1));
    EXPECT_NE(nowhere.LastError().find(testing::kNoSuchFolderReason), std::string::npos)
        << nowhere.LastError();

    // A path that names a folder: the file "exists" but cannot be read, so it is not replaced.
    std::filesystem::create_directory(dir_ + "/folder.INI");
    IniSettingsStore folder(dir_ + "/folder.INI");
    EXPECT_FALSE(folder.WriteInt(kSectionCommunication, kKeyCOMPortNumber, 1));
    EXPECT_TRUE(std::filesystem::is_directory(dir_ + "/folder.INI"));

    // Names the file cannot hold: refused, file untouched.
    WriteFile(path_, kOldFile);
    IniSettingsStore store(path_);
    EXPECT_FALSE(store.WriteString("Section", "Key", "two\nlines"));
    EXPECT_NE(store.LastError(), "");
    EXPECT_EQ(ReadFile(path_), kOldFile);
}

#ifndef _WIN32
TEST_F(IniSettingsStoreTest, UnwritableFolderLeavesFileIntact) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    WriteFile(path_, kOldFile);
    ASSERT_EQ(::chmod(dir_.c_str(), 0500), 0);
    IniSettingsStore store(path_);
    EXPECT_FALSE(store.WriteInt(kSectionHardwareProfile, kKeyDeviceType, 7));
    EXPECT_NE(store.LastError().find("Permission denied"), std::string::npos) << store.LastError();
    EXPECT_EQ(ReadFile(path_), kOldFile);
    EXPECT_EQ(store.GetInt(kSectionHardwareProfile, kKeyDeviceType, 0), 2);
}

TEST_F(IniSettingsStoreTest, UnreadableFileIsNeverOverwritten) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    WriteFile(path_, kOldFile);
    ASSERT_EQ(::chmod(path_.c_str(), 0200), 0);
    IniSettingsStore store(path_);
    EXPECT_EQ(store.GetInt(kSectionHardwareProfile, kKeyDeviceType, 9), 9);
    EXPECT_FALSE(store.WriteInt(kSectionHardwareProfile, kKeyDeviceType, 7));
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(path_), kOldFile);
}
#endif

} // namespace
} // namespace vexa
