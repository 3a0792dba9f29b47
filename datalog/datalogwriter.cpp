#include "datalog/datalogwriter.h"

#include "core/numbertext.h"
#include "core/programpaths.h"
#include "core/programversion.h"
#include "core/vlxdoc.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vexa {

namespace {

// The file created anew (never one that exists: errno EEXIST), or opened to be replaced.
std::FILE* OpenLogFile(const std::string& path, bool exclusive) {
    if (!exclusive)
        return std::fopen(path.c_str(), "wb");
#ifdef _WIN32
    const int fd = ::_open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, 0666);
    return fd < 0 ? nullptr : ::_fdopen(fd, "wb");
#else
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    return fd < 0 ? nullptr : ::fdopen(fd, "wb");
#endif
}

int SyncToDisk(std::FILE* file) {
#ifdef _WIN32
    return ::_commit(::_fileno(file));
#else
    return ::fsync(::fileno(file));
#endif
}

std::string SystemReason(int err) {
    return std::error_code(err, std::generic_category()).message();
}

// A comment line must stay one line.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string TimeField(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
}

} // namespace

DataLogIdentity DescribeDataLog(const CVLXDoc& doc, const std::string& calibrationPath) {
    DataLogIdentity identity;
    identity.program = "VEXA Transmission Control " + ProgramVersion(doc.PackageVersion);
    const IdentityBlock& id = doc.Identity;
    identity.controller =
        std::to_string(id.DeviceType()) + "." + std::to_string(id.HardwareVersion()) + "/" +
        std::to_string(id.FirmwareVersion()) + "." + std::to_string(id.FirmwareVersionMinor());
    const std::string& product = doc.Header[kProdName];
    if (!product.empty())
        identity.controller = product + " " + identity.controller;
    identity.calibration = calibrationPath.empty() ? "(not saved)" : calibrationPath;
    const std::string& definition = doc.Header[kDefinitionFileName];
    identity.definition = definition.empty() ? "(none)" : definition;
    return identity;
}

std::string DataLogCommentLine(const DataLogIdentity& identity) {
    return OneLine("# " + identity.program + " data log; controller: " + identity.controller +
                   "; calibration: " + identity.calibration +
                   "; definition: " + identity.definition);
}

std::string DataLogColumnName(const DataItem& item, std::size_t index) {
    std::string name = !item.displayName.empty()   ? item.displayName
                       : !item.logicalName.empty() ? item.logicalName
                                                   : "Item " + std::to_string(index + 1);
    if (!item.units.empty())
        name += " (" + item.units + ")";
    return name;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string DataLogFileName(const std::tm& localTime, int sequence) {
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d_%H-%M-%S", &localTime);
    std::string name = text;
    if (sequence > 1)
        name += "_" + std::to_string(sequence);
    return name + ".csv";
}

std::string DataLogStatusText(const std::string& fileName, long long rows, std::int64_t elapsedMs,
                              bool linkDown) {
    const long long seconds = elapsedMs / 1000;
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    std::string text = "Data log " + fileName + ": " + std::to_string(rows) +
                       (rows == 1 ? " row, " : " rows, ") + elapsed;
    if (linkDown)
        text += " (waiting for the controller)";
    return text;
}

CDataLogWriter::CDataLogWriter(Clock& clock) : clock_(clock) {}

CDataLogWriter::~CDataLogWriter() {
    std::string ignored;
    Close(ignored);
}

bool CDataLogWriter::OpenFile(const std::string& path, bool exclusive,
                              const DataLogIdentity& identity, std::string& error) {
    std::string ignored;
    Close(ignored);
    problem_.clear();
    file_ = OpenLogFile(path, exclusive);
    if (file_ == nullptr) {
        const int err = errno;
        error = "Cannot create the data log " + path + ": " + SystemReason(err);
        errno = err; // OpenNew tells an existing name from other failures by it
        return false;
    }
    path_ = path;
    startMs_ = clock_.NowMs();
    rows_ = 0;
    linkDown_ = false;
    headerWritten_ = false;
    complete_ = false;
    columns_.clear();
    cells_.clear();
    required_.clear();
    numeric_.clear();
    seen_.clear();
    if (!Write(DataLogCommentLine(identity) + "\n")) {
        error = problem_;
        return false;
    }
    return true;
}

bool CDataLogWriter::Open(const std::string& path, const DataLogIdentity& identity,
                          std::string& error) {
    return OpenFile(path, false, identity, error);
}

bool CDataLogWriter::OpenNew(const std::string& directory, const std::tm& localTime,
                             const DataLogIdentity& identity, std::string& error) {
    if (!EnsureDirectory(directory, error))
        return false;
    // Two recordings started within one second get numbered names.
    for (int sequence = 1; sequence < 1000; ++sequence) {
        const std::string path = JoinStoredPath(directory, DataLogFileName(localTime, sequence));
        if (OpenFile(path, true, identity, error))
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool CDataLogWriter::Close(std::string& error) {
    if (file_ == nullptr)
        return true;
    bool ok = std::fflush(file_) == 0;
    int err = ok ? 0 : errno;
    if (ok && SyncToDisk(file_) != 0) {
        ok = false;
        err = errno;
    }
    if (std::fclose(file_) != 0 && ok) {
        ok = false;
        err = errno;
    }
    file_ = nullptr;
    if (!ok)
        error = "Writing the data log " + path_ + " failed: " + SystemReason(err);
    return ok;
}

std::int64_t CDataLogWriter::ElapsedMs() const {
    return clock_.NowMs() - startMs_;
}

bool CDataLogWriter::Write(const std::string& text) {
    if (file_ == nullptr)
        return false;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        Fail("Writing the data log " + path_ + " failed: " + SystemReason(errno));
        return false;
    }
    return true;
}

void CDataLogWriter::Fail(const std::string& problem) {
    problem_ = problem;
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void CDataLogWriter::OnItemsLoaded(const std::vector<DataItem>& items) {
    if (file_ == nullptr)
        return;
    std::vector<std::string> columns;
    for (std::size_t i = 0; i < items.size(); ++i)
        columns.push_back(DataLogColumnName(items[i], i));
    if (headerWritten_ && columns != columns_) {
        Fail("The data log " + path_ +
             " ended: the definition's data items changed, so its columns no longer fit.");
        return;
    }
    // A reload of the same items keeps the values read.
    const bool anyLogged =
        std::any_of(items.begin(), items.end(), [](const DataItem& i) { return i.logState != 0; });
    required_.assign(items.size(), false);
    numeric_.assign(items.size(), false);
    for (std::size_t i = 0; i < items.size(); ++i) {
        required_[i] = !anyLogged || items[i].logState != 0;
        numeric_[i] = items[i].valueKind == 0;
    }
    seen_.resize(items.size(), false);
    cells_.resize(items.size());
    if (headerWritten_)
        return;
    columns_ = std::move(columns);
    std::string header = "Time";
    for (const std::string& column : columns_)
        header += "," + CsvField(column);
    headerWritten_ = Write(header + "\n");
}

void CDataLogWriter::OnItemRead(std::size_t index, const std::string& text, double value,
                                bool inRange) {
    if (file_ == nullptr || !headerWritten_ || index >= cells_.size())
        return;
    linkDown_ = false;
    // Numbers keep more digits than the dashboard's format shows, so that what is computed
    // from them later (the crosshair) matches what was computed live.
    cells_[index] = numeric_[index] && inRange ? FormatSignificant(value, 10) : text;
    seen_[index] = true;
    if (!complete_) {
        for (std::size_t i = 0; i < seen_.size(); ++i) {
            if (required_[i] && !seen_[i])
                return;
        }
        complete_ = true;
    }
    WriteRow();
}

void CDataLogWriter::WriteRow() {
    std::string row = TimeField(ElapsedMs());
    for (const std::string& cell : cells_)
        row += "," + CsvField(cell);
    if (Write(row + "\n"))
        ++rows_;
}

void CDataLogWriter::OnLinkLost() {
    if (file_ == nullptr)
        return;
    // The values read before the loss are stale: rows wait until every logged item has
    // been read again.
    linkDown_ = true;
    complete_ = false;
    std::fill(seen_.begin(), seen_.end(), false);
    std::fill(cells_.begin(), cells_.end(), std::string());
}

} // namespace vexa
