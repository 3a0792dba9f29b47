#pragma once
// A settings store that answers some keys from memory for this run only and everything
// else from the store below. --demo uses it to choose the virtual controller as the port
// without changing the port the user chose: the override holds until the user chooses a
// port, which is then stored as usual.
#include "core/settingsstore.h"

#include <map>
#include <string>

namespace vexa {

class OverlaySettingsStore : public SettingsStore {
public:
    explicit OverlaySettingsStore(SettingsStore& base) : base_(base) {}

    void OverrideString(std::string_view section, std::string_view key, std::string value);
    void OverrideInt(std::string_view section, std::string_view key, int value);
    bool HasOverrides() const { return !overrides_.empty(); }

    int GetInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const override;
    bool WriteInt(std::string_view section, std::string_view key, int value) override;
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;

private:
    static std::string Key(std::string_view section, std::string_view key);

    SettingsStore& base_;
    std::map<std::string, std::string> overrides_;
};

} // namespace vexa
