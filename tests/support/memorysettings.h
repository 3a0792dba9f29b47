#pragma once
// Settings kept in memory for tests, with the store's rule that names are compared without
// regard to case.
#include "core/settingsstore.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <string>

namespace vexa::testing {

class MemorySettings : public SettingsStore {
public:
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const override {
        auto it = values_.find(Key(section, key));
        return it == values_.end() ? defaultValue : std::atoi(it->second.c_str());
    }
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const override {
        auto it = values_.find(Key(section, key));
        return it == values_.end() ? std::string(defaultValue) : it->second;
    }
    bool WriteInt(std::string_view section, std::string_view key, int value) override {
        values_[Key(section, key)] = std::to_string(value);
        return true;
    }
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override {
        values_[Key(section, key)] = std::string(value);
        return true;
    }

private:
    static std::string Key(std::string_view section, std::string_view key) {
        std::string k = std::string(section) + "\n" + std::string(key);
        for (char& c : k)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return k;
    }
    std::map<std::string, std::string> values_;
};

} // namespace vexa::testing
