// The data log writer fed by hand as the poller feeds it: rounds, fields, the link going down
// and coming back, the definition changing under it, and files that cannot be written.
#include "datalog/datalogfile.h"
#include "datalog/datalogwriter.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::ReadFileBytes;

DataItem Item(const std::string& name, int logState, int kind = 0, const std::string& units = "") {
    DataItem item;
    item.displayName = name;
    item.logState = logState;
    item.valueKind = kind;
    item.units = units;
    return item;
}

const DataLogIdentity kIdentity{"VEXA Transmission Control 3.30c", "VEXA TCS-2 2.1/3.4",
                                "/cal/street.gvr", "4l60e.def"};

class Writer : public ::testing::Test {
protected:
    std::string Open() {
        const std::string path = dir.File("log.csv");
        std::string error;
        EXPECT_TRUE(writer.Open(path, kIdentity, error)) << error;
        return path;
    }
    // A pass of the poller over the items: speed, throttle, gear; the fluid temperature is
    // not logged and is read only now and then.
    std::vector<DataItem> items = {Item("Speed", 1, 0, "mph"), Item("Throttle, %", 1),
                                   Item("Gear", 1, 1), Item("Fluid (F)", 0)};
    testing::TempDir dir;
    ManualClock clock;
    CDataLogWriter writer{clock};
};

TEST_F(Writer, EachPollAddsARowOnceEveryLoggedItemWasRead) {
    clock.Advance(5000); // the recording's time starts when it opens
    const std::string path = Open();
    writer.OnItemsLoaded(items);
    clock.Advance(50);
    writer.OnItemRead(0, " 38", 38.526799999999994, true);
    clock.Advance(50);
    writer.OnItemRead(1, " 12", 12.156862745098039, true);
    writer.OnItemRead(3, "HOT", 260.6, false); // out of range: the dashboard's text
    EXPECT_EQ(writer.Rows(), 0);               // the gear has not been read yet
    clock.Advance(50);
    writer.OnItemRead(2, "2nd", 2.0, true);
    clock.Advance(50);
    writer.OnItemRead(0, "eH", 400.0, false);
    clock.Advance(50);
    writer.OnItemRead(1, "  0", 1e-7, true);
    EXPECT_EQ(writer.Rows(), 3);
    EXPECT_EQ(ReadFileBytes(path), "# VEXA Transmission Control 3.30c data log; controller: VEXA "
                                   "TCS-2 2.1/3.4; calibration: /cal/street.gvr; definition: "
                                   "4l60e.def\n"
                                   "Time,Speed (mph),\"Throttle, %\",Gear,Fluid (F)\n"
                                   "0.150,38.5268,12.15686275,2nd,HOT\n"
                                   "0.200,eH,12.15686275,2nd,HOT\n"
                                   "0.250,eH,1e-07,2nd,HOT\n");

    DataLog log;
    std::string error;
    ASSERT_TRUE(ReadDataLogFile(path, log, error)) << error;
    EXPECT_EQ(log.channels[1].name, "Throttle, %");
    EXPECT_EQ(log.times, (std::vector<double>{0.150, 0.200, 0.250}));
}

TEST_F(Writer, WithoutLoggedItemsRowsWaitForEveryItem) {
    const std::string path = Open();
    writer.OnItemsLoaded({Item("A", 0), Item("B", 0)});
    writer.OnItemRead(0, "1", 1, true);
    writer.OnItemRead(0, "2", 2, true);
    EXPECT_EQ(writer.Rows(), 0);
    writer.OnItemRead(1, "3", 3, true);
    writer.OnItemRead(0, "4", 4, true);
    EXPECT_EQ(writer.Rows(), 2);
}

TEST_F(Writer, ALostLinkKeepsTheRowsAndResumesInTheSameFile) {
    const std::string path = Open();
    writer.OnItemsLoaded(items);
    clock.Advance(100);
    for (std::size_t i : {3u, 0u, 1u, 2u})
        writer.OnItemRead(i, "1", 1, true);
    writer.OnItemRead(0, "2", 2, true);
    writer.OnLinkLost();
    EXPECT_TRUE(writer.LinkDown());
    const std::string before = ReadFileBytes(path);
    EXPECT_EQ(before.substr(before.find("\n0")), "\n0.100,1,1,1,1\n0.100,2,1,1,1\n");

    clock.Advance(3000);
    writer.OnItemRead(0, "5", 5, true);
    EXPECT_FALSE(writer.LinkDown());
    writer.OnItemRead(1, "6", 6, true);
    writer.OnItemRead(2, "7th", 7, true);
    // Rows wait for every logged item again; the fluid temperature was read before the
    // loss only, so its field stays empty.
    EXPECT_EQ(ReadFileBytes(path), before + "3.100,5,6,7th,\n");
    std::string error;
    EXPECT_TRUE(writer.Close(error)) << error;
    EXPECT_EQ(writer.Rows(), 3);
}

TEST_F(Writer, ChangedItemsEndTheLogWithWhatItHas) {
    const std::string path = Open();
    writer.OnItemsLoaded(items);
    writer.OnItemsLoaded(items); // the dashboard rebuilt itself on the same definition
    for (std::size_t i = 0; i < 3; ++i)
        writer.OnItemRead(i, "1", 1, true);
    ASSERT_EQ(writer.Rows(), 1);
    items[0].displayName = "Vehicle speed";
    writer.OnItemsLoaded(items);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_NE(writer.Problem().find("columns no longer fit"), std::string::npos);
    writer.OnItemRead(0, "1", 1, true);
    const std::string text = ReadFileBytes(path);
    EXPECT_EQ(text.substr(text.find("\n0")), "\n0.000,1,1,1,\n");
}

TEST_F(Writer, NewFilesAreNamedByTimeAndNeverReplaceOne) {
    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 10;
    when.tm_hour = 14;
    when.tm_min = 3;
    when.tm_sec = 12;
    const std::string logs = dir.File("share/vexa/logs");
    std::string error;
    ASSERT_TRUE(writer.OpenNew(logs, when, kIdentity, error)) << error;
    EXPECT_EQ(writer.Path(), logs + "/2026-12-10_14-03-12.csv");
    CDataLogWriter second(clock);
    ASSERT_TRUE(second.OpenNew(logs, when, kIdentity, error)) << error;
    EXPECT_EQ(second.Path(), logs + "/2026-12-10_14-03-12_2.csv");
}

TEST_F(Writer, AFileThatCannotBeWrittenIsReported) {
    std::string error;
    EXPECT_FALSE(writer.Open(dir.File("no/such/folder/log.csv"), kIdentity, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    // A full disk: the first write already fails, and says so.
    error.clear();
    EXPECT_FALSE(writer.Open("/dev/full", kIdentity, error));
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    EXPECT_FALSE(writer.IsOpen());
}

TEST(DataLogTexts, StatusAndColumnNames) {
    EXPECT_EQ(DataLogStatusText("a.csv", 1234, 3723456, false),
              "Data log a.csv: 1234 rows, 1:02:03");
    EXPECT_EQ(DataLogStatusText("a.csv", 1, 999, true),
              "Data log a.csv: 1 row, 0:00:00 (waiting for the controller)");
    DataItem item;
    EXPECT_EQ(DataLogColumnName(item, 4), "Item 5");
    item.logicalName = "TPS";
    EXPECT_EQ(DataLogColumnName(item, 4), "TPS");
    item.units = "%";
    EXPECT_EQ(DataLogColumnName(item, 4), "TPS (%)");
    EXPECT_EQ(CsvField("a \"b\""), "\"a \"\"b\"\"\"");
    EXPECT_EQ(DataLogCommentLine({"P", "C\r\nX", "K", "D"}),
              "# P data log; controller: C  X; calibration: K; definition: D");
}

} // namespace
} // namespace vexa
