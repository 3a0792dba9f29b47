#pragma once
// The settings store: integers and texts by section and key, with the profile rules of
// the INI files older installations already have (names compared without regard to case,
// written as given, a missing key gives the default).
#include <string>
#include <string_view>

namespace vexa {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual int GetInt(std::string_view section, std::string_view key, int defaultValue) const = 0;
    virtual std::string GetString(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const = 0;
    // Writes return false when the store could not be saved; the old file stays intact.
    virtual bool WriteInt(std::string_view section, std::string_view key, int value) = 0;
    virtual bool WriteString(std::string_view section, std::string_view key,
                             std::string_view value) = 0;
};

} // namespace vexa
