#include "core/restorepoints.h"

#include "core/bytestream.h"
#include "core/clock.h"
#include "core/programpaths.h"
#include "core/settingskeys.h"
#include "core/settingsstore.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vexa {

namespace {

constexpr std::string_view kExtension = ".gvr";
constexpr std::size_t kStampLength = 19; // "YYYY-MM-DD_HH-MM-SS"

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "2026-12-10_14-03-12 ..." -> "2026-12-10 14:03:12", or empty when the name has no stamp.
std::string StampOf(const std::string& name) {
    static constexpr std::string_view kPattern = "dddd-dd-dd_dd-dd-dd";
    if (name.size() < kStampLength)
        return {};
    for (std::size_t i = 0; i < kStampLength; ++i) {
        if (kPattern[i] == 'd' ? !IsDigit(name[i]) : name[i] != kPattern[i])
            return {};
    }
    std::string when = name.substr(0, kStampLength);
    when[10] = ' ';
    when[13] = ':';
    when[16] = ':';
    return when;
}

std::string FileTime(std::filesystem::file_time_type written) {
    const std::time_t time = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written)));
    const std::tm local = LocalTime(time);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// The TransmissionType header string of a calibration file, empty when it is none.
std::string TransmissionTypeOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ByteReader reader(bytes);
    std::string line;
    if (!reader.Line(line) || line != "GVR02")
        return {};
    reader.CountedString(); // LogicalName
    reader.CountedString(); // Schema
    std::string type = reader.CountedString();
    return reader.Failed() ? std::string() : type;
}

// The number UnusedRestorePointPath gave a later point of the same second: "... (3)" is 3,
// a name without one is the first.
int SequenceOf(std::string_view what) {
    const std::size_t open = what.rfind(" (");
    if (open == std::string_view::npos || !what.ends_with(')'))
        return 1;
    const std::string_view digits = what.substr(open + 2, what.size() - open - 3);
    const char* end = digits.data() + digits.size();
    int n = 0;
    const auto [stop, error] = std::from_chars(digits.data(), end, n);
    return error == std::errc() && stop == end && n > 0 ? n : 1;
}

} // namespace

bool RestorePointsEnabled(const SettingsStore& settings) {
    return settings.GetInt(kSectionRestorePoints, kKeyRestorePointsEnabled,
                           kDefaultRestorePointsEnabled) != 0;
}

std::string RestorePointControllerName(const std::string& prodName, int deviceType) {
    std::string name = prodName;
    if (name.starts_with("VEXA "))
        name.erase(0, 5);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    while (!name.empty() && name.front() == ' ')
        name.erase(0, 1);
    if (name.empty())
        name = "PID" + std::to_string(deviceType);
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F ||
            std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
            c = '-';
    }
    return name;
}

std::string RestorePointFileName(const std::tm& localTime, const std::string& controller,
                                 int table) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &localTime);
    return std::string(stamp) + " " + controller + " table " + std::to_string(table + 1) +
           std::string(kExtension);
}

std::string UnusedRestorePointPath(const std::string& folder, const std::string& name) {
    std::error_code ec;
    std::string path = JoinStoredPath(folder, name);
    const std::string stem =
        name.ends_with(kExtension) ? name.substr(0, name.size() - kExtension.size()) : name;
    for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(path, ec)); ++n)
        path =
            JoinStoredPath(folder, stem + " (" + std::to_string(n) + ")" + std::string(kExtension));
    return path;
}

std::vector<RestorePoint> ListRestorePoints(const std::string& folder) {
    // Each with its file's time, which orders points of the same second.
    std::vector<std::pair<RestorePoint, std::filesystem::file_time_type>> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::filesystem::path& path = it->path();
        const std::string name = path.filename().string();
        // Errors of one entry skip it; only a failed step through the folder ends the list.
        std::error_code entryError;
        if (!it->is_regular_file(entryError) || !name.ends_with(kExtension))
            continue;
        const auto written = it->last_write_time(entryError);
        RestorePoint point;
        point.path = path.string();
        point.when = StampOf(name);
        std::string rest = name.substr(0, name.size() - kExtension.size());
        if (point.when.empty()) {
            point.when = entryError ? std::string() : FileTime(written);
        } else {
            rest.erase(0, kStampLength);
            if (!rest.empty() && rest.front() == ' ')
                rest.erase(0, 1);
        }
        point.what = rest;
        point.transmissionType = TransmissionTypeOf(path);
        found.emplace_back(std::move(point), written);
    }
    // Points of the same second by their file times, and where those are no finer than a
    // second (some platforms' file clocks) by the number the later point was given.
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        if (a.first.when != b.first.when)
            return a.first.when > b.first.when;
        if (a.second != b.second)
            return a.second > b.second;
        const int sequenceA = SequenceOf(a.first.what);
        const int sequenceB = SequenceOf(b.first.what);
        return sequenceA != sequenceB ? sequenceA > sequenceB : a.first.path > b.first.path;
    });
    std::vector<RestorePoint> points;
    for (auto& entry : found)
        points.push_back(std::move(entry.first));
    return points;
}

} // namespace vexa
