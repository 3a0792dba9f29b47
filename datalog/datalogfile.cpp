#include "datalog/datalogfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unordered_map>

namespace vexa {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Splits one line (without its line end) into fields; quotes are taken off.
void SplitFields(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    std::size_t i = 0;
    for (;;) {
        field.clear();
        if (i < line.size() && line[i] == '"') {
            ++i;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            // Anything between the closing quote and the comma belongs to the field too.
            while (i < line.size() && line[i] != ',')
                field += line[i++];
        } else {
            const std::size_t comma = line.find(',', i);
            const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
            field.assign(line.substr(i, end - i));
            i = end;
        }
        fields.push_back(field);
        if (i >= line.size())
            return;
        ++i; // the comma
    }
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A whole field as a number ('.' decimal point, blanks around it allowed).
bool ParseNumber(std::string_view text, double& value) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

std::string LineText(std::size_t line) {
    return "line " + std::to_string(line);
}

// One column while it is read: numbers and texts, and which kind wins at the end.
struct ColumnReader {
    std::vector<double> numbers;
    std::vector<int> textIndex; // per row: the text's index, or -1
    std::vector<std::string> texts;
    std::unordered_map<std::string, int> textIds;
    bool anyNumber = false;
    bool anyText = false;

    void Add(const std::string& field) {
        double value = 0.0;
        if (ParseNumber(field, value)) {
            numbers.push_back(value);
            textIndex.push_back(-1);
            anyNumber = true;
            return;
        }
        numbers.push_back(kNaN);
        const std::string_view trimmed = TrimBlanks(field);
        if (trimmed.empty()) {
            textIndex.push_back(-1);
            return;
        }
        anyText = true;
        auto [it, added] =
            textIds.try_emplace(std::string(trimmed), static_cast<int>(texts.size()));
        if (added)
            texts.emplace_back(trimmed);
        textIndex.push_back(it->second);
    }

    void Finish(DataLogChannel& channel) {
        channel.enumerated = !anyNumber && anyText;
        if (channel.enumerated) {
            channel.levels = std::move(texts);
            channel.values.resize(textIndex.size());
            for (std::size_t row = 0; row < textIndex.size(); ++row)
                channel.values[row] = textIndex[row] < 0 ? kNaN : textIndex[row];
        } else {
            channel.values = std::move(numbers);
        }
        for (double value : channel.values) {
            if (!std::isfinite(value))
                continue;
            if (!(value >= channel.minimum))
                channel.minimum = value;
            if (!(value <= channel.maximum))
                channel.maximum = value;
        }
    }
};

bool StartsWithTime(std::string_view name) {
    name = TrimBlanks(name);
    if (name.size() < 4)
        return false;
    std::string head(name.substr(0, 4));
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return head == "time";
}

} // namespace

std::string DataLogChannel::Text(double value) const {
    if (std::isnan(value))
        return {};
    if (enumerated) {
        const double level = std::floor(value);
        if (level >= 0 && level < static_cast<double>(levels.size()))
            return levels[static_cast<std::size_t>(level)];
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::ptrdiff_t DataLog::RowAt(double t) const {
    const auto after = std::upper_bound(times.begin(), times.end(), t);
    return static_cast<std::ptrdiff_t>(after - times.begin()) - 1;
}

int DataLog::FindChannel(std::string_view name) const {
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (channels[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

bool ParseDataLog(std::string_view text, DataLog& log, std::string& error) {
    log = DataLog{};
    DataLog result;
    std::vector<std::string> names;
    std::vector<ColumnReader> columns;
    std::vector<std::string> fields;
    std::string timeHeader;
    bool haveColumns = false;
    std::size_t lineNumber = 0;
    std::size_t position = 0;
    auto fail = [&](const std::string& why) {
        error = why;
        return false;
    };

    if (text.find('\0') != std::string_view::npos)
        return fail("It holds binary data, not lines of text.");
    while (position < text.size()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n', position);
        const bool lastWithoutEnd = newline == std::string_view::npos;
        std::string_view line =
            text.substr(position, (lastWithoutEnd ? text.size() : newline) - position);
        position = lastWithoutEnd ? text.size() : newline + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.front() == '#') {
            result.comments.emplace_back(line.substr(1));
            continue;
        }
        if (TrimBlanks(line).empty())
            continue;
        SplitFields(line, fields);

        double time = 0.0;
        const bool timed = ParseNumber(fields[0], time);
        if (!haveColumns) {
            haveColumns = true;
            if (timed) {
                for (std::size_t i = 1; i < fields.size(); ++i)
                    names.push_back("Column " + std::to_string(i + 1));
            } else {
                timeHeader = fields[0];
                names.assign(fields.begin() + 1, fields.end());
                for (std::string& name : names)
                    name = std::string(TrimBlanks(name));
                if (names.empty())
                    return fail(LineText(lineNumber) +
                                " names only one column; a data log has a time and at least "
                                "one value on each line.");
                columns.resize(names.size());
                continue;
            }
            if (names.empty())
                return fail(LineText(lineNumber) +
                            " has only one field; a data log has a time and at least one "
                            "value on each line.");
            columns.resize(names.size());
        }
        if (!timed || !std::isfinite(time)) {
            return fail(LineText(lineNumber) + " does not start with a time in seconds (\"" +
                        fields[0].substr(0, 40) +
                        "\"); a data log has the time in its first column.");
        }
        // The row a killed recording was writing stops short; it is left out.
        if (lastWithoutEnd && fields.size() < names.size() + 1)
            break;
        if (!result.times.empty() && time < result.times.back()) {
            return fail(LineText(lineNumber) + ": the time goes back from " +
                        DataLogChannel{}.Text(result.times.back()) + " to " +
                        DataLogChannel{}.Text(time) + " seconds.");
        }
        result.times.push_back(time);
        static const std::string kEmpty;
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i].Add(i + 1 < fields.size() ? fields[i + 1] : kEmpty);
    }

    if (!haveColumns)
        return fail("There is nothing in it but comments; a data log has a time and at least "
                    "one value on each line.");
    // A header alone is a recording that ended before its first row, when it says so.
    if (result.times.empty() && !StartsWithTime(timeHeader))
        return fail("It has no rows, and its header does not start with a time column.");
    result.channels.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        result.channels[i].name = names[i];
        columns[i].Finish(result.channels[i]);
    }
    log = std::move(result);
    return true;
}

bool ReadDataLogFile(const std::string& path, DataLog& log, std::string& error) {
    log = DataLog{};
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot open " + path + ": " +
                std::error_code(errno, std::generic_category()).message();
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "Cannot read " + path + ".";
        return false;
    }
    std::string why;
    if (!ParseDataLog(text, log, why)) {
        error = path + " is not a data log: " + why;
        return false;
    }
    return true;
}

} // namespace vexa
