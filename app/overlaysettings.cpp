#include "app/overlaysettings.h"

#include <cctype>
#include <cstdlib>

namespace vexa {

std::string OverlaySettingsStore::Key(std::string_view section, std::string_view key) {
    // Profile names compare without regard to case.
    std::string k = std::string(section) + '\n' + std::string(key);
    for (char& c : k)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return k;
}

void OverlaySettingsStore::OverrideString(std::string_view section, std::string_view key,
                                          std::string value) {
    overrides_[Key(section, key)] = std::move(value);
}

void OverlaySettingsStore::OverrideInt(std::string_view section, std::string_view key, int value) {
    overrides_[Key(section, key)] = std::to_string(value);
}

int OverlaySettingsStore::GetInt(std::string_view section, std::string_view key,
                                 int defaultValue) const {
    const auto it = overrides_.find(Key(section, key));
    if (it == overrides_.end())
        return base_.GetInt(section, key, defaultValue);
    // Only OverrideInt and OverrideString put texts here; a text that is no number reads
    // as the default, as the store below would read it.
    char* end = nullptr;
    const long value = std::strtol(it->second.c_str(), &end, 10);
    return end != it->second.c_str() ? static_cast<int>(value) : defaultValue;
}

std::string OverlaySettingsStore::GetString(std::string_view section, std::string_view key,
                                            std::string_view defaultValue) const {
    const auto it = overrides_.find(Key(section, key));
    return it != overrides_.end() ? it->second : base_.GetString(section, key, defaultValue);
}

bool OverlaySettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    overrides_.erase(Key(section, key));
    return base_.WriteInt(section, key, value);
}

bool OverlaySettingsStore::WriteString(std::string_view section, std::string_view key,
                                       std::string_view value) {
    overrides_.erase(Key(section, key));
    return base_.WriteString(section, key, value);
}

} // namespace vexa
