#pragma once
// A SettingsStore in memory (names compared as given; enough for the link's keys).
#include "core/settingsstore.h"

#include <map>
#include <string>

namespace vexa::testing {

class MemorySettings : public SettingsStore {
public:
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const override {
        auto it = values.find(Key(section, key));
        return it == values.end() ? defaultValue : std::stoi(it->second);
    }
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const override {
        auto it = values.find(Key(section, key));
        return it == values.end() ? std::string(defaultValue) : it->second;
    }
    bool WriteInt(std::string_view section, std::string_view key, int value) override {
        values[Key(section, key)] = std::to_string(value);
        return true;
    }
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override {
        values[Key(section, key)] = std::string(value);
        return true;
    }

    std::map<std::string, std::string> values;

private:
    static std::string Key(std::string_view section, std::string_view key) {
        return std::string(section) + "/" + std::string(key);
    }
};

} // namespace vexa::testing
