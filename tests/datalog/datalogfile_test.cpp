// Reading data logs: the program's own, hand-written CSV files, files that are no log, and
// the row a killed recording left half-written.
#include "datalog/datalogfile.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vexa {
namespace {

std::vector<double> WithGapsAs(const std::vector<double>& values, double gap) {
    std::vector<double> result = values;
    for (double& v : result)
        if (std::isnan(v))
            v = gap;
    return result;
}

TEST(DataLogFile, ReadsAHandWrittenCsv) {
    DataLog log;
    std::string error;
    ASSERT_TRUE(ParseDataLog("# from a spreadsheet\r\n"
                             "time (s), Engine rpm ,Gear,Note\r\n"
                             "0.0,800,1st,\r\n"
                             "0.5, 1500.5 ,1st,\"shift, soon\"\n"
                             "\n"
                             "1.0,,2nd,\"say \"\"ok\"\"\"\n"
                             "1.5,eH,2nd\n",
                             log, error))
        << error;
    EXPECT_EQ(log.comments, (std::vector<std::string>{" from a spreadsheet"}));
    EXPECT_EQ(log.times, (std::vector<double>{0.0, 0.5, 1.0, 1.5}));
    ASSERT_EQ(log.channels.size(), 3u);

    const DataLogChannel& rpm = log.channels[0];
    EXPECT_EQ(rpm.name, "Engine rpm");
    EXPECT_FALSE(rpm.enumerated);
    EXPECT_EQ(WithGapsAs(rpm.values, -1), (std::vector<double>{800, 1500.5, -1, -1}));
    EXPECT_EQ(rpm.minimum, 800);
    EXPECT_EQ(rpm.maximum, 1500.5);

    const DataLogChannel& gear = log.channels[1];
    EXPECT_TRUE(gear.enumerated);
    EXPECT_EQ(gear.levels, (std::vector<std::string>{"1st", "2nd"}));
    EXPECT_EQ(gear.values, (std::vector<double>{0, 0, 1, 1}));
    EXPECT_EQ(gear.Text(1), "2nd");

    const DataLogChannel& note = log.channels[2];
    EXPECT_EQ(note.levels, (std::vector<std::string>{"shift, soon", "say \"ok\""}));
    EXPECT_EQ(WithGapsAs(note.values, -1), (std::vector<double>{-1, 0, 1, -1}));

    EXPECT_EQ(log.RowAt(-1.0), -1);
    EXPECT_EQ(log.RowAt(0.7), 1);
    EXPECT_EQ(log.RowAt(9.0), 3);
    EXPECT_EQ(log.FindChannel("Gear"), 1);
}

TEST(DataLogFile, ColumnsWithoutAHeaderAreNumbered) {
    DataLog log;
    std::string error;
    ASSERT_TRUE(ParseDataLog("0,10,1\n0.1,11,2\n", log, error)) << error;
    ASSERT_EQ(log.channels.size(), 2u);
    EXPECT_EQ(log.channels[0].name, "Column 2");
    EXPECT_EQ(log.channels[1].values, (std::vector<double>{1, 2}));
}

TEST(DataLogFile, RefusesWhatIsNoLogAndSaysWhy) {
    const struct {
        const char* name;
        std::string text;
        const char* reason;
    } cases[] = {
        {"empty", "", "nothing in it"},
        {"comments only", "# a\n# b\n", "nothing in it"},
        {"calibration file", std::string("GVR02\n\x01\x00\x02", 9), "binary data"},
        {"prose", "Dear support,\nthe car does not shift.\n", "line 2 does not start with a time"},
        {"time only", "Time\n0\n1\n", "only one column"},
        {"bare numbers", "0\n1\n", "only one field"},
        {"time going back", "Time,Speed\n1,20\n0.5,21\n", "line 3: the time goes back"},
        {"header without rows", "Speed,Throttle\n", "no rows"},
        {"a time that is no number", "Time,Speed\n0,1\nnan,2\n", "line 3 does not start"},
    };
    for (const auto& c : cases) {
        DataLog log;
        std::string error;
        EXPECT_FALSE(ParseDataLog(c.text, log, error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(log.times.empty() && log.channels.empty()) << c.name;
    }
}

TEST(DataLogFile, ARecordingStoppedBeforeItsFirstRowIsAnEmptyLog) {
    DataLog log;
    std::string error;
    ASSERT_TRUE(ParseDataLog("# VEXA\nTime,Speed (mph)\n", log, error)) << error;
    EXPECT_EQ(log.Rows(), 0u);
    ASSERT_EQ(log.channels.size(), 1u);
    EXPECT_EQ(log.channels[0].name, "Speed (mph)");
}

TEST(DataLogFile, TheRowAKilledRecordingWasWritingIsLeftOut) {
    DataLog log;
    std::string error;
    ASSERT_TRUE(ParseDataLog("Time,A,B\n0,1,2\n0.05,3", log, error)) << error;
    EXPECT_EQ(log.Rows(), 1u);
    // A whole last line without its line end is a row like any other.
    ASSERT_TRUE(ParseDataLog("Time,A,B\n0,1,2\n0.05,3,4", log, error)) << error;
    EXPECT_EQ(log.Rows(), 2u);
}

TEST(DataLogFile, FileErrorsNameTheFile) {
    testing::TempDir dir;
    DataLog log;
    std::string error;
    EXPECT_FALSE(ReadDataLogFile(dir.File("missing.csv"), log, error));
    EXPECT_NE(error.find("missing.csv"), std::string::npos) << error;
    const std::string notes = dir.Write("notes.txt", "shopping, list\nmilk, bread\n");
    EXPECT_FALSE(ReadDataLogFile(notes, log, error));
    EXPECT_EQ(error.rfind(notes + " is not a data log: line 2", 0), 0u) << error;
}

} // namespace
} // namespace vexa
