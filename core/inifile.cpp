#include "core/inifile.h"

#include "core/atomicfile.h"
#include "core/textutil.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vexa {
namespace {

// The characters the profile rules strip around names and values; 0x1A is the end-of-file
// mark old editors leave behind.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool HasMatchingQuotes(std::string_view text) {
    return text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front();
}

// Quotes a value whose surrounding spaces or quotes a read would strip.
std::string EncodeValue(std::string_view value) {
    if (!value.empty() &&
        (IsSpace(value.front()) || IsSpace(value.back()) || HasMatchingQuotes(value)))
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct LineView {
    LineKind kind = LineKind::Other;
    std::string_view name;      // section or key name, trimmed
    std::string_view value;     // key value, trimmed and unquoted
    std::size_t nameOffset = 0; // where a key name starts in the line
};

LineView Classify(std::string_view line) {
    LineView view;
    const std::string_view text = TrimBlanks(line);
    if (text.empty()) {
        view.kind = LineKind::Blank;
        return view;
    }
    if (text.front() == ';') {
        view.kind = LineKind::Comment;
        return view;
    }
    if (text.front() == '[') {
        const auto close = text.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            view.kind = LineKind::Section;
            view.name = TrimBlanks(text.substr(1, close - 1));
            return view;
        }
    }
    const auto equals = text.find('=');
    if (equals != std::string_view::npos) {
        const std::string_view name = TrimBlanks(text.substr(0, equals));
        if (!name.empty()) {
            view.kind = LineKind::Key;
            view.name = name;
            view.nameOffset = static_cast<std::size_t>(text.data() - line.data());
            std::string_view value = TrimBlanks(text.substr(equals + 1));
            if (HasMatchingQuotes(value))
                value = value.substr(1, value.size() - 2);
            view.value = value;
        }
    }
    return view;
}

bool ValidSection(std::string_view section) {
    return !section.empty() && !HasLineBreakOrNul(section);
}

bool ValidKey(std::string_view key) {
    return !key.empty() && !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
           key.front() != ';' && key.front() != '[';
}

std::string SystemReason(int err) {
    return std::error_code(err, std::generic_category()).message();
}

enum class ReadResult { Ok, Missing, Failed };

// The bytes as they are on disk, and no descriptor inherited by programs started from here.
#ifdef _WIN32
constexpr int kReadFlags = O_RDONLY | O_BINARY | O_NOINHERIT;
#else
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC;
#endif

ReadResult ReadWholeFile(const std::string& path, std::string& bytes, int& err) {
    const int fd = ::open(path.c_str(), kReadFlags);
    if (fd < 0) {
        err = errno;
        return (err == ENOENT || err == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
    }
    bytes.clear();
    char buffer[8192];
    for (;;) {
        const auto got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            ::close(fd);
            return ReadResult::Failed;
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ReadResult::Ok;
}

} // namespace

int ParseProfileInt(std::string_view value, int defaultValue) {
    value = TrimBlanks(value);
    if (value.empty())
        return defaultValue;
    std::size_t i = 0;
    bool negative = false;
    if (value[i] == '+' || value[i] == '-') {
        negative = value[i] == '-';
        ++i;
    }
    // Unsigned arithmetic: overflow wraps instead of being undefined.
    std::uint32_t result = 0;
    if (i + 1 < value.size() && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
        for (i += 2; i < value.size(); ++i) {
            const char c = LowerAscii(value[i]);
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            else
                break;
            result = result * 16u + digit;
        }
    } else {
        for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
            result = result * 10u + static_cast<std::uint32_t>(value[i] - '0');
    }
    if (negative)
        result = 0u - result;
    return static_cast<int>(result);
}

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument document;
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) {
        document.bom_ = std::string(kBom);
        text.remove_prefix(kBom.size());
    }
    while (!text.empty()) {
        const auto newline = text.find('\n');
        Line line;
        if (newline == std::string_view::npos) {
            line.text = std::string(text);
            text = {};
        } else {
            std::string_view body = text.substr(0, newline);
            if (!body.empty() && body.back() == '\r') {
                body.remove_suffix(1);
                line.eol = "\r\n";
            } else {
                line.eol = "\n";
            }
            line.text = std::string(body);
            text.remove_prefix(newline + 1);
        }
        document.lines_.push_back(std::move(line));
    }
    return document;
}

std::string IniDocument::Serialize() const {
    std::string text = bom_;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.eol;
    }
    return text;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    std::size_t i = 0;
    for (; i < lines_.size(); ++i) {
        const LineView view = Classify(lines_[i].text);
        if (view.kind == LineKind::Section && EqualsIgnoringCase(view.name, section))
            break;
    }
    if (i == lines_.size())
        return std::nullopt;
    for (++i; i < lines_.size(); ++i) {
        const LineView view = Classify(lines_[i].text);
        if (view.kind == LineKind::Section)
            break;
        if (view.kind == LineKind::Key && EqualsIgnoringCase(view.name, key))
            return std::string(view.value);
    }
    return std::nullopt;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!ValidSection(section) || !ValidKey(key) || HasLineBreakOrNul(value))
        return false;
    const std::string encoded = EncodeValue(value);

    std::size_t i = 0;
    for (; i < lines_.size(); ++i) {
        const LineView view = Classify(lines_[i].text);
        if (view.kind == LineKind::Section && EqualsIgnoringCase(view.name, section))
            break;
    }
    if (i == lines_.size()) {
        // A new section at the end, set off from the one before by a blank line.
        if (!lines_.empty() && Classify(lines_.back().text).kind != LineKind::Blank)
            InsertLine(lines_.size(), "");
        InsertLine(lines_.size(), "[" + std::string(section) + "]");
        InsertLine(lines_.size(), std::string(key) + "=" + encoded);
        return true;
    }

    // Keys go after the last entry of the section, so blank lines and comments that lead
    // into the next section stay with it.
    std::size_t lastEntry = i;
    for (++i; i < lines_.size(); ++i) {
        const LineView view = Classify(lines_[i].text);
        if (view.kind == LineKind::Section)
            break;
        if (view.kind == LineKind::Key && EqualsIgnoringCase(view.name, key)) {
            // Keep the indentation and the spelling the key was first written with.
            lines_[i].text =
                lines_[i].text.substr(0, view.nameOffset) + std::string(view.name) + "=" + encoded;
            return true;
        }
        if (view.kind == LineKind::Key || view.kind == LineKind::Other)
            lastEntry = i;
    }
    InsertLine(lastEntry + 1, std::string(key) + "=" + encoded);
    return true;
}

const std::string& IniDocument::NewLine() const {
    static const std::string kLf = "\n";
    for (const Line& line : lines_) {
        if (!line.eol.empty())
            return line.eol;
    }
    return kLf;
}

void IniDocument::InsertLine(std::size_t index, std::string text) {
    const std::string eol = NewLine();
    if (index > 0 && lines_[index - 1].eol.empty())
        lines_[index - 1].eol = eol;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), Line{std::move(text), eol});
}

IniSettingsStore::IniSettingsStore(std::string path) : path_(std::move(path)) {}

bool IniSettingsStore::Reload(std::string& error) const {
    std::string bytes;
    int err = 0;
    switch (ReadWholeFile(path_, bytes, err)) {
    case ReadResult::Missing:
        bytes.clear();
        break;
    case ReadResult::Failed:
        error = "Could not read \"" + path_ + "\": " + SystemReason(err);
        return false;
    case ReadResult::Ok:
        break;
    }
    if (bytes != fileBytes_) {
        document_ = IniDocument::Parse(bytes);
        fileBytes_ = std::move(bytes);
    }
    return true;
}

std::optional<std::string> IniSettingsStore::Lookup(std::string_view section,
                                                    std::string_view key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string error;
    // An unreadable file reads as its last known content (defaults when never read).
    Reload(error);
    return document_.Get(section, key);
}

int IniSettingsStore::GetInt(std::string_view section, std::string_view key,
                             int defaultValue) const {
    const auto value = Lookup(section, key);
    return value ? ParseProfileInt(*value, defaultValue) : defaultValue;
}

std::string IniSettingsStore::GetString(std::string_view section, std::string_view key,
                                        std::string_view defaultValue) const {
    const auto value = Lookup(section, key);
    return value ? *value : std::string(defaultValue);
}

bool IniSettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniSettingsStore::WriteString(std::string_view section, std::string_view key,
                                   std::string_view value) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string error;
    // Never rewrite a file whose content could not be read: that would lose it.
    if (!Reload(error)) {
        lastError_ = error;
        return false;
    }
    IniDocument changed = document_;
    if (!changed.Set(section, key, value)) {
        lastError_ = "The setting \"" + std::string(key) + "\" of section \"" +
                     std::string(section) + "\" has a name or value the settings file cannot hold.";
        return false;
    }
    std::string bytes = changed.Serialize();
    if (!WriteFileAtomically(path_, bytes, error)) {
        lastError_ = error;
        return false;
    }
    fileBytes_ = std::move(bytes);
    document_ = std::move(changed);
    lastError_.clear();
    return true;
}

std::string IniSettingsStore::LastError() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastError_;
}

} // namespace vexa
