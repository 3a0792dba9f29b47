#pragma once
// Reading a data log: the program's own CSV logs, or any CSV file whose first column is a
// time in seconds. Lines that start with '#' are comments. The first other line is the
// column header when its first field is not a number; otherwise the columns are named
// "Column 2", "Column 3" ... Fields are separated by commas and may be quoted ("a,b" and
// "say ""hi""" are one field each); line ends may be LF or CR LF.
//
// Every column after the time becomes a channel. A column with at least one number is
// numeric: its other fields (empty ones, or texts such as a range error "eH") are gaps.
// A column without any number is enumerated: each distinct text is a level, numbered in
// the order the texts first appear, and the channel's value is the level's number.
//
// The reader is plain C++ and keeps values in one array per channel, so a one-hour log
// of twelve channels at 20 rows a second (72 000 rows) reads in a fraction of a second.
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

struct DataLogChannel {
    std::string name;
    bool enumerated = false;
    // One value per row; NaN where the row has none. Enumerated: the level's number.
    std::vector<double> values;
    // Enumerated: the texts of the levels, by number.
    std::vector<std::string> levels;
    // The smallest and largest finite value; both NaN when there is none.
    double minimum = std::numeric_limits<double>::quiet_NaN();
    double maximum = std::numeric_limits<double>::quiet_NaN();

    // The text a value shows as: the level's text, or the number ("%g").
    std::string Text(double value) const;
};

struct DataLog {
    std::vector<std::string> comments; // comment lines without their '#'
    std::vector<double> times;         // seconds, never decreasing
    std::vector<DataLogChannel> channels;

    std::size_t Rows() const { return times.size(); }
    double StartTime() const { return times.empty() ? 0.0 : times.front(); }
    double EndTime() const { return times.empty() ? 0.0 : times.back(); }
    // The last row at or before time t; -1 when t lies before the first row.
    std::ptrdiff_t RowAt(double t) const;
    // The channel named name, or -1.
    int FindChannel(std::string_view name) const;
};

// Reads the text of a log into log. Returns false with a reason a user can read in error
// (which line is wrong and why) when the text is no data log; log is left empty then.
//
// A last line without a line end that has fewer fields than the header is the row a
// killed recording was writing, and is left out.
bool ParseDataLog(std::string_view text, DataLog& log, std::string& error);

// Reads the file at path. error names the file.
bool ReadDataLogFile(const std::string& path, DataLog& log, std::string& error);

} // namespace vexa
