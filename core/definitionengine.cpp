// The definition engine: loading a definition file into DefinitionText and reading its
// sections, blocks and key lines. Every search is a plain substring search from a start
// position; the scope's end is checked afterwards, so a key whose first occurrence lies
// beyond the scope counts as missing even when a later scope would hold it.
#include "core/vlxdoc.h"

#include "core/numbertext.h"
#include "core/textutil.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace vexa {

namespace {

constexpr int kNotFound = -1;

int Find(const std::string& text, std::string_view needle, int from) {
    if (from < 0 || static_cast<std::size_t>(from) > text.size())
        return kNotFound;
    const std::size_t pos = text.find(needle, static_cast<std::size_t>(from));
    return pos == std::string::npos ? kNotFound : static_cast<int>(pos);
}

int Find(const std::string& text, char c, int from) {
    return Find(text, std::string_view(&c, 1), from);
}

std::string Substr(const std::string& text, int from, int to) {
    if (to <= from)
        return {};
    return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

// Reads one line of a text file the way the C library does in text mode: a CR LF pair
// ends a line like a LF. Returns false at the end of the file.
bool ReadTextLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

} // namespace

namespace {

// Opens a definition file; a directory or other non-file does not count as one.
bool OpenDefinition(const std::string& path, std::ifstream& in) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    in.open(path, std::ios::binary);
    return in.is_open();
}

} // namespace

int CVLXDoc::LoadDefinitionFile(const std::string& path) {
    std::ifstream in;
    if (!OpenDefinition(path, in))
        return 0;
    std::string text;
    std::string line;
    while (ReadTextLine(in, line)) {
        std::string_view content = line;
        if (const std::size_t comment = content.find("//"); comment != std::string_view::npos)
            content = content.substr(0, comment);
        content = Trim(content);
        if (content.empty())
            continue;
        text += '\n';
        text += content;
    }
    std::replace(text.begin(), text.end(), '\t', ' ');
    DefinitionText = std::move(text);
    return 1;
}

int CVLXDoc::ReadDefinitionSummary(const std::string& path, std::string& logicalName,
                                   std::string& transmissionType, std::string& description) {
    std::ifstream in;
    if (!OpenDefinition(path, in))
        return 0;
    logicalName.clear();
    transmissionType.clear();
    description.clear();

    // A line as a 300-character buffer holds it: at most 299 characters at a time, cut at
    // the first "//" and at the line end.
    std::string pending;
    bool atEnd = false;
    auto nextLine = [&](std::string& out) -> bool {
        if (pending.empty()) {
            if (atEnd || !ReadTextLine(in, pending)) {
                atEnd = true;
                return false;
            }
            pending += '\n';
        }
        const std::size_t take = std::min<std::size_t>(pending.size(), 299);
        out = pending.substr(0, take);
        pending.erase(0, take);
        if (const std::size_t comment = out.find("//"); comment != std::string::npos)
            out.resize(comment);
        if (const std::size_t lf = out.find('\n'); lf != std::string::npos)
            out.resize(lf);
        return true;
    };

    std::string line;
    bool inApplicationId = false;
    while (!inApplicationId && nextLine(line))
        inApplicationId = line.find("[ApplicationID]") != std::string::npos;
    if (!inApplicationId)
        return 0;

    struct Key {
        std::string_view name;
        std::string* output;
        bool seen;
    };
    Key keys[] = {{"TransmissionType", &transmissionType, false},
                  {"Description", &description, false},
                  {"LogicalName", &logicalName, false}};
    auto allSeen = [&] {
        return std::all_of(std::begin(keys), std::end(keys), [](const Key& k) { return k.seen; });
    };
    while (!allSeen() && nextLine(line)) {
        for (Key& key : keys) {
            if (key.seen || line.compare(0, key.name.size(), key.name) != 0)
                continue;
            key.seen = true;
            // The value is taken from the second character after the key, when the line
            // holds a word after it at all.
            std::string_view rest = std::string_view(line).substr(key.name.size());
            if (!Trim(rest).empty())
                *key.output = rest.size() > 1 ? std::string(rest.substr(1)) : std::string();
            break;
        }
    }
    return allSeen() ? 1 : 0;
}

CVLXDoc::Scope CVLXDoc::ScopeOf(int scope) const {
    const int start = scope == kBlockScope ? BlockStart : SectionStart;
    const int end = scope == kBlockScope ? BlockEnd : SectionEnd;
    const int length = static_cast<int>(DefinitionText.size());
    // A failed search leaves a scope that reads as empty.
    const bool valid = start >= 0 && end >= start && end <= length;
    return {valid ? start : 0, valid ? end : 0, valid};
}

int CVLXDoc::FindSection(std::string_view header, int continueSearch) {
    const int from = continueSearch ? SectionStart : 0;
    const int pos = Find(DefinitionText, header, from);
    if (pos == kNotFound) {
        SectionStart = -1;
        return 0;
    }
    SectionStart = pos + static_cast<int>(header.size());
    const int next = Find(DefinitionText, '[', SectionStart);
    SectionEnd = next == kNotFound ? static_cast<int>(DefinitionText.size()) : next;
    ItemCursor = SectionStart;
    return 1;
}

int CVLXDoc::FindItemByLogicalName(std::string_view header, std::string_view logicalName) {
    if (logicalName.empty())
        return 1;
    SectionStart = 0;
    std::string name;
    while (FindSection(header, 1)) {
        if (ReadKeyText("LogicalName", name, 50, kSectionScope) && name == logicalName)
            return 1;
    }
    return 0;
}

int CVLXDoc::ReadSectionTitles(std::string_view header, std::string& logicalName,
                               std::string& displayName, int continueSearch) {
    if (!FindSection(header, continueSearch))
        return 0;
    const int hasLogical = ReadKeyText("LogicalName", logicalName, 50, kSectionScope);
    const int hasDisplay = ReadKeyText("DisplayName", displayName, 80, kSectionScope);
    return hasLogical && hasDisplay ? 1 : 0;
}

int CVLXDoc::NextKeyLine(std::string& key, std::string& value, int& cursor, int scope) {
    const Scope s = ScopeOf(scope);
    if (!s.valid)
        return 0;
    const int from = cursor == 0 ? s.start : cursor;
    if (from < s.start || from >= s.end)
        return 0;
    int lineEnd = Find(DefinitionText, '\n', from);
    if (lineEnd == kNotFound)
        lineEnd = s.end;
    else if (lineEnd >= s.end)
        return 0;
    const std::string_view line =
        std::string_view(DefinitionText)
            .substr(static_cast<std::size_t>(from), static_cast<std::size_t>(lineEnd - from));
    const std::size_t space = line.find(' ');
    key = std::string(Trim(line.substr(0, space)));
    value = space == std::string_view::npos ? std::string() : std::string(Trim(line.substr(space)));
    cursor = lineEnd + 1;
    return 1;
}

std::optional<std::string> CVLXDoc::KeyValue(std::string_view key, int scope) const {
    const Scope s = ScopeOf(scope);
    if (!s.valid)
        return std::nullopt;
    std::string needle(key.substr(0, 50));
    needle += ' ';
    const int pos = Find(DefinitionText, needle, s.start);
    if (pos == kNotFound || pos >= s.end)
        return std::nullopt;
    const int valueStart = pos + static_cast<int>(needle.size());
    int valueEnd = Find(DefinitionText, '\n', valueStart);
    if (valueEnd == kNotFound || valueEnd > s.end)
        valueEnd = s.end;
    return std::string(Trim(Substr(DefinitionText, valueStart, valueEnd)));
}

int CVLXDoc::ReadKeyString(std::string_view key, std::string& text, int scope,
                           const char* defaultValue) {
    if (auto value = KeyValue(key, scope)) {
        text = std::move(*value);
        return 1;
    }
    if (defaultValue)
        text = defaultValue;
    return 0;
}

int CVLXDoc::ReadKeyText(std::string_view key, std::string& buffer, int length, int scope,
                         const char* defaultValue) {
    const std::size_t limit = static_cast<std::size_t>(std::max(length, 0));
    if (auto value = KeyValue(key, scope)) {
        buffer = value->substr(0, limit);
        return 1;
    }
    if (defaultValue)
        buffer = std::string(defaultValue).substr(0, limit);
    return 0;
}

// The numeric reads scan with the C library's rules ("%i": decimal, 0x hexadecimal,
// leading-0 octal; "%g"), which definition files were written against, and always with '.'
// as the decimal point.
int CVLXDoc::ReadKeyInt(std::string_view key, std::int32_t& out, int scope,
                        std::int32_t defaultValue) {
    auto value = KeyValue(key, scope);
    if (!value) {
        if (defaultValue != kNoIntDefault)
            out = defaultValue;
        return 0;
    }
    long long scanned = 0;
    if (!TextScanner(*value).Integer(scanned))
        return 0;
    out = Wrapped<std::int32_t>(scanned);
    return 1;
}

int CVLXDoc::ReadKeyShort(std::string_view key, std::int16_t& out, int scope,
                          std::int32_t defaultValue) {
    auto value = KeyValue(key, scope);
    if (!value) {
        if (defaultValue != kNoIntDefault)
            out = static_cast<std::int16_t>(defaultValue);
        return 0;
    }
    long long scanned = 0;
    if (!TextScanner(*value).Integer(scanned))
        return 0;
    out = Wrapped<std::int16_t>(scanned);
    return 1;
}

int CVLXDoc::ReadKeyFloat(std::string_view key, float& out, int scope, float defaultValue) {
    auto value = KeyValue(key, scope);
    if (!value) {
        if (defaultValue != kNoFloatDefault)
            out = defaultValue;
        return 0;
    }
    return TextScanner(*value).Float(out) ? 1 : 0;
}

int CVLXDoc::FindBlock(std::string_view keyword, std::string& header, int continueSearch) {
    header.clear();
    if (!continueSearch)
        BlockStart = BlockEnd = SectionStart;
    const Scope section = ScopeOf(kSectionScope);
    if (!section.valid)
        return 0;
    std::string needle(keyword);
    needle += ' ';
    const int match = Find(DefinitionText, needle, std::max(BlockStart, 0));
    if (match == kNotFound || match < section.start || match >= section.end)
        return 0;
    const int open = Find(DefinitionText, '{', match);
    if (open == kNotFound || open >= section.end)
        return 0;
    const int close = Find(DefinitionText, '}', open + 1);
    if (close == kNotFound || close >= section.end)
        return 0;
    BlockStart = open + 1;
    BlockEnd = close;
    header =
        std::string(Trim(Substr(DefinitionText, match + static_cast<int>(keyword.size()), open)));
    return 1;
}

int CVLXDoc::FindBlockByLogicalName(std::string_view keyword, std::string_view logicalName) {
    BlockStart = BlockEnd = SectionStart;
    std::string header;
    std::string name;
    while (FindBlock(keyword, header, 1)) {
        if (ReadKeyText("LogicalName", name, 50, kBlockScope) && name == logicalName)
            return 1;
    }
    return 0;
}

int CVLXDoc::ReadApplicationID() {
    if (!FindSection("[ApplicationID]", 0))
        return 0;
    const std::pair<const char*, HeaderString> required[] = {
        {"LogicalName", kLogicalName},
        {"TransmissionType", kTransmissionType},
        {"ProdName", kProdName},
    };
    for (const auto& [key, field] : required) {
        if (!ReadKeyString(key, Header[static_cast<std::size_t>(field)], kSectionScope))
            return 0;
    }
    const std::pair<const char*, HeaderString> optional[] = {
        {"ProdID", kProdID},     {"Schema", kSchema},     {"Description", kDescription},
        {"MinFWVer", kMinFWVer}, {"MaxFWVer", kMaxFWVer}, {"MinHWVer", kMinHWVer},
        {"SubType", kSubType},
    };
    for (const auto& [key, field] : optional)
        ReadKeyString(key, Header[static_cast<std::size_t>(field)], kSectionScope);
    return 1;
}

} // namespace vexa
