#include "sim/simoptions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace vexa {

namespace {

bool ParseProbability(std::string_view text, double& value) {
    std::string copy(text);
    if (copy.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(copy.c_str(), &end);
    if (errno != 0 || end != copy.c_str() + copy.size() || !std::isfinite(parsed) || parsed < 0.0 ||
        parsed > 1.0)
        return false;
    value = parsed;
    return true;
}

// A non-negative count in decimal or 0x hexadecimal.
bool ParseCount(std::string_view text, long& value) {
    std::string copy(text);
    if (copy.empty() || copy[0] == '-' || copy[0] == '+' || copy[0] == ' ')
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(copy.c_str(), &end, 0);
    if (errno != 0 || end != copy.c_str() + copy.size() || parsed < 0)
        return false;
    value = parsed;
    return true;
}

// "N" or "N:MS".
bool ParseCountWithTime(std::string_view text, long& count, long& ms) {
    const auto colon = text.find(':');
    long parsedCount = 0;
    long parsedMs = -1;
    if (!ParseCount(text.substr(0, colon), parsedCount))
        return false;
    if (colon != std::string_view::npos && !ParseCount(text.substr(colon + 1), parsedMs))
        return false;
    count = parsedCount;
    ms = parsedMs;
    return true;
}

std::string FormatDouble(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

} // namespace

bool SimFaults::Any() const {
    return drop > 0 || change > 0 || (delay > 0 && delayMs > 0) || silentAfter >= 0 ||
           unplugAfter >= 0 || badFlashAddress >= 0 || badEepromAddress >= 0 ||
           weakEepromAddress >= 0 || weakFlashAddress >= 0 || refuseFlashWrites > 0 || flipAt >= 0;
}

bool ParseFaultSpec(const std::string& text, SimFaults& faults, std::string& error) {
    SimFaults parsed;
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        if (item.empty())
            continue;
        const auto equals = item.find('=');
        if (equals == std::string_view::npos) {
            error = "fault item '" + std::string(item) + "' has no '='";
            return false;
        }
        const std::string_view key = item.substr(0, equals);
        const std::string_view value = item.substr(equals + 1);
        bool ok = false;
        if (key == "drop") {
            ok = ParseProbability(value, parsed.drop);
        } else if (key == "change") {
            ok = ParseProbability(value, parsed.change);
        } else if (key == "delay") {
            const auto colon = value.find(':');
            long ms = 0;
            ok = colon != std::string_view::npos &&
                 ParseProbability(value.substr(0, colon), parsed.delay) &&
                 ParseCount(value.substr(colon + 1), ms) && ms <= 60000;
            parsed.delayMs = static_cast<int>(ms);
        } else if (key == "silent-after") {
            ok = ParseCountWithTime(value, parsed.silentAfter, parsed.silentForMs);
        } else if (key == "unplug-after") {
            ok = ParseCountWithTime(value, parsed.unplugAfter, parsed.replugAfterMs);
        } else if (key == "bad-flash") {
            ok = ParseCount(value, parsed.badFlashAddress);
        } else if (key == "bad-eeprom") {
            ok = ParseCount(value, parsed.badEepromAddress);
        } else if (key == "weak-eeprom") {
            ok = ParseCount(value, parsed.weakEepromAddress);
        } else if (key == "weak-flash") {
            ok = ParseCount(value, parsed.weakFlashAddress);
        } else if (key == "refuse-flash") {
            ok = ParseCount(value, parsed.refuseFlashWrites);
        } else if (key == "flip-at") {
            long count = -1;
            ok = ParseCountWithTime(value, parsed.flipAt, count) && count != 0;
            parsed.flipCount = count < 0 ? 1 : count;
        } else {
            error = "unknown fault '" + std::string(key) + "'";
            return false;
        }
        if (!ok) {
            error = "bad value in fault item '" + std::string(item) + "'";
            return false;
        }
    }
    faults = parsed;
    return true;
}

std::string FormatFaultSpec(const SimFaults& faults) {
    std::string text;
    auto add = [&text](const std::string& item) {
        if (!text.empty())
            text += ',';
        text += item;
    };
    auto withTime = [](long count, long ms) {
        return std::to_string(count) + (ms >= 0 ? ":" + std::to_string(ms) : std::string());
    };
    if (faults.drop > 0)
        add("drop=" + FormatDouble(faults.drop));
    if (faults.change > 0)
        add("change=" + FormatDouble(faults.change));
    if (faults.delay > 0)
        add("delay=" + FormatDouble(faults.delay) + ":" + std::to_string(faults.delayMs));
    if (faults.silentAfter >= 0)
        add("silent-after=" + withTime(faults.silentAfter, faults.silentForMs));
    if (faults.unplugAfter >= 0)
        add("unplug-after=" + withTime(faults.unplugAfter, faults.replugAfterMs));
    if (faults.badFlashAddress >= 0)
        add("bad-flash=" + std::to_string(faults.badFlashAddress));
    if (faults.badEepromAddress >= 0)
        add("bad-eeprom=" + std::to_string(faults.badEepromAddress));
    if (faults.weakEepromAddress >= 0)
        add("weak-eeprom=" + std::to_string(faults.weakEepromAddress));
    if (faults.weakFlashAddress >= 0)
        add("weak-flash=" + std::to_string(faults.weakFlashAddress));
    if (faults.refuseFlashWrites > 0)
        add("refuse-flash=" + std::to_string(faults.refuseFlashWrites));
    if (faults.flipAt >= 0)
        add("flip-at=" + std::to_string(faults.flipAt) +
            (faults.flipCount != 1 ? ":" + std::to_string(faults.flipCount) : std::string()));
    return text;
}

bool ParseIdentity(const std::string& text, SimIdentity& identity, std::string& error) {
    int values[4] = {};
    std::size_t position = 0;
    const char separators[4] = {'.', '/', '.', '\0'};
    for (int i = 0; i < 4; ++i) {
        std::size_t digits = 0;
        int value = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9' &&
               digits < 3) {
            value = value * 10 + (text[position] - '0');
            ++position;
            ++digits;
        }
        const bool separatorOk = separators[i] == '\0'
                                     ? position == text.size()
                                     : position < text.size() && text[position] == separators[i];
        if (digits == 0 || value > 78 || !separatorOk) {
            error = "identity '" + text +
                    "' is not DeviceType.HardwareVersion/FirmwareVersion.FirmwareVersionMinor "
                    "(numbers 0..78, for example 2.1/3.4)";
            return false;
        }
        values[i] = value;
        ++position;
    }
    identity = {values[0], values[1], values[2], values[3]};
    return true;
}

bool ParseNvmType(const std::string& text, int& nvmType) {
    if (text == "eeprom")
        nvmType = 0;
    else if (text == "flash")
        nvmType = 1;
    else if (text == "flash2")
        nvmType = 2;
    else
        return false;
    return true;
}

} // namespace vexa
