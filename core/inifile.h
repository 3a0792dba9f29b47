#pragma once
// The settings file: an INI text read and written with the profile rules of the files
// older installations already have.
//
//  - Section and key names are compared without regard to (ASCII) case and without the
//    spaces around them; a name is written as given the first time and keeps that
//    spelling afterwards ("[Communication Settings]").
//  - The first section of a name and the first key of a name in it count; later
//    duplicates are kept in the file but not read.
//  - A value is the text after "=", without the spaces around it and without one pair of
//    matching quotes ('...' or "...") around the whole. Values that would lose such
//    characters are written quoted, so every value reads back exactly as written.
//  - Lines starting with ";" are comments. Comments, blank lines, unknown sections and
//    keys and lines that are none of these survive every rewrite byte for byte, with
//    their own line endings (CRLF or LF). New lines use the file's line ending.
#include "core/settingsstore.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// The integer of a profile value: optional spaces, an optional sign, then decimal digits
// or "0x" and hexadecimal digits, read as far as they go ("12abc" is 12). An empty value
// gives defaultValue; any other text without digits gives 0. Values beyond 32 bits wrap,
// as the profile functions do.
int ParseProfileInt(std::string_view value, int defaultValue);

// One INI text in memory. Parse() and Serialize() round-trip any bytes exactly.
class IniDocument {
public:
    static IniDocument Parse(std::string_view text);
    std::string Serialize() const;

    // The value of key in section, or nothing when either is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Sets key in section to value: an existing key's line is replaced; a new key goes
    // after the last key of the section; a new section goes at the end of the text.
    // Returns false (and changes nothing) for what the file cannot hold: an empty name,
    // a line break or NUL anywhere, a key containing "=" or starting with ";" or "[".
    bool Set(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Line {
        std::string text; // without its line ending
        std::string eol;  // "\r\n", "\n", or "" for a last line without one
    };
    const std::string& NewLine() const;
    void InsertLine(std::size_t index, std::string text);

    std::string bom_; // a UTF-8 byte order mark the file started with, kept as it was
    std::vector<Line> lines_;
};

// The settings store on one INI file. Every read sees the file's current content (it is
// read again on each access, so several stores, or other programs, on one file agree).
// A missing file is an empty store; the first write creates it. Every write reads the
// current file, changes the one line and replaces the file atomically; when that fails
// the old file is untouched, the write returns false and LastError() says why. A file
// that exists but cannot be read is never overwritten. Safe to use from several threads.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(std::string path);

    const std::string& Path() const { return path_; }

    int GetInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const override;
    bool WriteInt(std::string_view section, std::string_view key, int value) override;
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;

    // Why the last failed write failed; empty when the last write succeeded.
    std::string LastError() const;

private:
    // Brings document_ up to the file's content. False when the file exists but could
    // not be read (error then says why); document_ keeps the last content read.
    bool Reload(std::string& error) const;
    std::optional<std::string> Lookup(std::string_view section, std::string_view key) const;

    std::string path_;
    mutable std::mutex mutex_;
    mutable std::string fileBytes_;
    mutable IniDocument document_;
    std::string lastError_;
};

} // namespace vexa
