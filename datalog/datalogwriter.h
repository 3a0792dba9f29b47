#pragma once
// Recording live data into a CSV file while the poller reads it. The file:
//
//   # VEXA Transmission Control 3.30c data log; controller: ...; calibration: ...; definition: ...
//   Time,Speed (mph),Throttle (%),Gear,...
//   0.150,37.2856,12.5,2nd,...
//
// One comment line names the program, the controller, the calibration file and the
// definition; the column header names the time and each polled item in definition order
// (DisplayName, with Units when the definition gives them). Each poll of an item adds one
// row, as soon as every logged item (DefLogState; every item when none is logged) has been
// read once, so rows follow each other by the polling period and every row holds a value
// for each logged item. A row holds the latest value of every item: numbers in display
// units to ten significant digits with '.' as the decimal point (the dashboard's format
// applied to them gives the text it showed), enumerated items and values out of range as
// the text the dashboard shows, an empty field for an item not read yet. Time is in seconds since
// the recording started, to the millisecond.
//
// Every row reaches the operating system as soon as it is complete, so a killed program or
// a pulled cable loses nothing that was read. When the link goes down the log keeps what
// it has; when it comes back, rows continue in the same file on the same time base once
// every logged item has been read again.
#include "core/clock.h"
#include "link/polling.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace vexa {

class CVLXDoc;

// What the comment line of a log names.
struct DataLogIdentity {
    std::string program;     // "VEXA Transmission Control 3.30c"
    std::string controller;  // "VEXA TCS-2 2.1/3.4": product name, device.hardware/firmware
    std::string calibration; // the calibration file, or "(not saved)"
    std::string definition;  // the definition file name, or "(none)"
};

// The identity of doc's program, controller and definition; calibrationPath is the
// calibration's file (empty when it was never saved).
DataLogIdentity DescribeDataLog(const CVLXDoc& doc, const std::string& calibrationPath);

// The comment line, without its line end.
std::string DataLogCommentLine(const DataLogIdentity& identity);

// The column header of an item: its DisplayName (else its LogicalName, else "Item n" with n
// counted from 1), followed by " (Units)" when the item has units.
std::string DataLogColumnName(const DataItem& item, std::size_t index);

// text as one CSV field: quoted, with quotes doubled, when it holds a comma, a quote or a
// line end.
std::string CsvField(const std::string& text);

// "2026-12-10_14-03-12.csv" for that local time; with a sequence number above 1,
// "2026-12-10_14-03-12_2.csv".
std::string DataLogFileName(const std::tm& localTime, int sequence = 1);

// The status bar's text for a recording: "Data log <name>: <rows> rows, <h:mm:ss>", with
// " (waiting for the controller)" while the link is down.
std::string DataLogStatusText(const std::string& fileName, long long rows, std::int64_t elapsedMs,
                              bool linkDown);

class CDataLogWriter : public PollRecorder {
public:
    // clock: the time base of the rows; it must outlive the writer.
    explicit CDataLogWriter(Clock& clock);
    ~CDataLogWriter() override;
    CDataLogWriter(const CDataLogWriter&) = delete;
    CDataLogWriter& operator=(const CDataLogWriter&) = delete;

    // Creates (or replaces) the file at path and writes the comment line; the recording's
    // time starts now. Returns false with a reason in error when the file cannot be written.
    bool Open(const std::string& path, const DataLogIdentity& identity, std::string& error);
    // Creates a new file named after localTime (DataLogFileName) in directory, which is
    // created when missing; an existing file of that name is never touched, the next
    // sequence number is taken instead.
    bool OpenNew(const std::string& directory, const std::tm& localTime,
                 const DataLogIdentity& identity, std::string& error);
    // Writes what is buffered, syncs the file to the disk and closes it. Returns false with
    // a reason in error when that failed (the rows written before are kept).
    bool Close(std::string& error);

    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }
    long long Rows() const { return rows_; }
    std::int64_t ElapsedMs() const;
    // The link is down; rows continue when it is back.
    bool LinkDown() const { return linkDown_; }
    // Why the log ended on its own (a failed write, the definition's items changed); the
    // file is closed then, with every row written before kept. Empty while all is well.
    const std::string& Problem() const { return problem_; }

    // ---- PollRecorder -----------------------------------------------------------------
    void OnItemsLoaded(const std::vector<DataItem>& items) override;
    void OnItemRead(std::size_t index, const std::string& text, double value,
                    bool inRange) override;
    void OnLinkLost() override;

private:
    bool OpenFile(const std::string& path, bool exclusive, const DataLogIdentity& identity,
                  std::string& error);
    bool Write(const std::string& text);
    void WriteRow();
    void Fail(const std::string& problem);

    Clock& clock_;
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string problem_;
    std::int64_t startMs_ = 0;
    long long rows_ = 0;
    bool linkDown_ = false;
    bool headerWritten_ = false;
    std::vector<std::string> columns_; // the item columns of the header
    std::vector<std::string> cells_;   // the latest field of each item
    std::vector<bool> required_;       // items read before the first row: the logged ones
    std::vector<bool> numeric_;        // NumericValue items, written as numbers
    std::vector<bool> seen_;           // items read since the start or the link came back
    bool complete_ = false;            // every required item was read: each poll adds a row
};

} // namespace vexa
