// Restore point names and the folder's listing.
#include "core/restorepoints.h"
#include "core/settingskeys.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace vexa {
namespace {

using testing::TempDir;

TEST(RestorePoints, NamesCarryTimeControllerAndTable) {
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 10;
    when.tm_hour = 14;
    when.tm_min = 3;
    when.tm_sec = 12;
    EXPECT_EQ(RestorePointFileName(when, RestorePointControllerName("VEXA TCS-2", 2), 0),
              "2026-12-10_14-03-12 TCS-2 table 1.gvr");
    const struct {
        const char* prodName;
        const char* shown;
    } cases[] = {
        {"VEXA TCS-3", "TCS-3"},
        {"Other Unit", "Other Unit"},
        {"", "PID7"},
        {"VEXA ", "PID7"},
        {"VEXA A/B:C\\D*\"<>|?", "A-B-C-D------"},
        {"Tab\tunit", "Tab-unit"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RestorePointControllerName(c.prodName, 7), c.shown) << c.prodName;
}

// A path with the platform's own separators, so paths built either way compare.
std::string Native(const std::string& path) {
    return std::filesystem::path(path).make_preferred().string();
}

TEST(RestorePoints, ASecondPointOfTheSameSecondKeepsTheFirst) {
    TempDir dir;
    const std::string name = "2026-12-10_14-03-12 TCS-2 table 1.gvr";
    EXPECT_EQ(Native(UnusedRestorePointPath(dir.path(), name)), Native(dir.File(name)));
    dir.Write(name, "first");
    EXPECT_EQ(Native(UnusedRestorePointPath(dir.path(), name)),
              Native(dir.File("2026-12-10_14-03-12 TCS-2 table 1 (2).gvr")));
    dir.Write("2026-12-10_14-03-12 TCS-2 table 1 (2).gvr", "second");
    EXPECT_EQ(Native(UnusedRestorePointPath(dir.path(), name)),
              Native(dir.File("2026-12-10_14-03-12 TCS-2 table 1 (3).gvr")));
}

// The header a calibration file starts with: "GVR02", then LogicalName, Schema and
// TransmissionType as counted strings.
std::string FileOfType(const std::string& type) {
    std::string bytes = "GVR02\n";
    for (const std::string& text : {std::string("L"), std::string("S"), type})
        bytes += static_cast<char>(text.size()) + text;
    return bytes;
}

TEST(RestorePoints, ListedNewestFirstWithTypeAndDate) {
    TempDir dir;
    EXPECT_TRUE(ListRestorePoints(dir.File("missing")).empty());
    dir.Write("2019-12-10_14-03-12 TCS-2 table 1.gvr", FileOfType("4L60E"));
    dir.Write("2020-01-02_08-00-00 TCS-2 table 2.gvr", FileOfType("4R70W"));
    dir.Write("2018-05-05_05-05-05 TCS-3 table 1.gvr", "not a calibration");
    dir.Write("notes.txt", "skipped");
    // Of the same second, the later file first.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    dir.Write("2019-12-10_14-03-12 TCS-2 table 1 (2).gvr", FileOfType("4L80E"));
    const std::vector<RestorePoint> points = ListRestorePoints(dir.path());
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0].when, "2020-01-02 08:00:00");
    EXPECT_EQ(points[0].transmissionType, "4R70W");
    EXPECT_EQ(points[0].what, "TCS-2 table 2");
    EXPECT_EQ(points[1].transmissionType, "4L80E");
    EXPECT_EQ(points[1].what, "TCS-2 table 1 (2)");
    EXPECT_EQ(Native(points[2].path), Native(dir.File("2019-12-10_14-03-12 TCS-2 table 1.gvr")));
    EXPECT_EQ(points[3].when, "2018-05-05 05:05:05");
    EXPECT_EQ(points[3].transmissionType, "");

    // File times no finer than a second: the number of the later point decides.
    const auto time = std::filesystem::last_write_time(dir.File("notes.txt"));
    for (const char* name :
         {"2019-12-10_14-03-12 TCS-2 table 1.gvr", "2019-12-10_14-03-12 TCS-2 table 1 (2).gvr"})
        std::filesystem::last_write_time(dir.File(name), time);
    dir.Write("2019-12-10_14-03-12 TCS-2 table 1 (10).gvr", FileOfType("4L80E-HD"));
    std::filesystem::last_write_time(dir.File("2019-12-10_14-03-12 TCS-2 table 1 (10).gvr"), time);
    const std::vector<RestorePoint> sameTime = ListRestorePoints(dir.path());
    ASSERT_EQ(sameTime.size(), 5u);
    EXPECT_EQ(sameTime[1].what, "TCS-2 table 1 (10)");
    EXPECT_EQ(sameTime[2].what, "TCS-2 table 1 (2)");
    EXPECT_EQ(sameTime[3].what, "TCS-2 table 1");

    // A file named otherwise is dated by its file time and keeps its whole name.
    dir.Write("my copy.gvr", FileOfType("E4OD"));
    const std::vector<RestorePoint> withCopy = ListRestorePoints(dir.path());
    ASSERT_EQ(withCopy.size(), 6u);
    EXPECT_EQ(withCopy[0].what, "my copy");
    EXPECT_EQ(withCopy[0].when.size(), 19u);
    EXPECT_GT(withCopy[0].when, "2020-01-02 08:00:00");
}

TEST(RestorePoints, OnUnlessTheSettingsTurnThemOff) {
    testing::MemorySettings settings;
    EXPECT_TRUE(RestorePointsEnabled(settings));
    settings.WriteInt(kSectionRestorePoints, kKeyRestorePointsEnabled, 0);
    EXPECT_FALSE(RestorePointsEnabled(settings));
    settings.WriteInt(kSectionRestorePoints, kKeyRestorePointsEnabled, 1);
    EXPECT_TRUE(RestorePointsEnabled(settings));
}

} // namespace
} // namespace vexa
