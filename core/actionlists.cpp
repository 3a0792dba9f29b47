// Persisted control values (ControlStateText) and action lists: the variable values a
// choice of a definition-driven control stands for.
#include "core/vlxdoc.h"

#include "core/numbertext.h"
#include "core/textutil.h"

#include <algorithm>

namespace vexa {

namespace {

// ":scope:name " with each part cut to 60 characters.
std::string ControlKey(std::string_view scope, std::string_view name) {
    std::string key = ":";
    key += scope.substr(0, 60);
    key += ':';
    key += name.substr(0, 60);
    key += ' ';
    return key;
}

// Where the value of the entry that starts at keyEnd ends (its ";"), or npos when a ":"
// comes first and the entry cannot be read.
std::size_t ValueEnd(const std::string& text, std::size_t keyEnd) {
    const std::size_t semicolon = text.find(';', keyEnd);
    const std::size_t colon = text.find(':', keyEnd);
    if (semicolon == std::string::npos || (colon != std::string::npos && colon < semicolon))
        return std::string::npos;
    return semicolon;
}

// The caller's value as the int16 an I:V entry takes: truncated, kept within 32 bits, then
// wrapped as the 16-bit variable wraps; NaN counts as 0.
std::int16_t CallerInt16(double value) {
    if (!(value == value))
        return 0;
    const double limited = std::clamp(value, -2147483648.0, 2147483647.0);
    return static_cast<std::int16_t>(static_cast<std::int32_t>(limited));
}

} // namespace

int CVLXDoc::ControlState(std::string_view scope, std::string_view name, std::string& text,
                          int write) {
    const std::string key = ControlKey(scope, name);
    const std::size_t found = ControlStateText.find(key);
    const std::size_t keyEnd = found == std::string::npos ? found : found + key.size();
    const std::size_t valueEnd =
        found == std::string::npos ? std::string::npos : ValueEnd(ControlStateText, keyEnd);

    if (!write) {
        if (valueEnd == std::string::npos)
            return 0;
        text = ControlStateText.substr(keyEnd, valueEnd - keyEnd);
        return 1;
    }
    const std::string value = text.substr(0, 50);
    if (valueEnd != std::string::npos) {
        ControlStateText.replace(keyEnd, valueEnd - keyEnd, value);
        return 1;
    }
    // An unreadable entry loses its key, so the fresh entry appended below is the one found.
    if (found != std::string::npos)
        ControlStateText.erase(found, key.size());
    ControlStateText += key + value + "; ";
    return 1;
}

// The stored text is read back into value, so value holds what the calibration keeps.
int CVLXDoc::GetControlState(std::string_view scope, std::string_view name, float& value) {
    std::string text = FormatG(value);
    if (!ControlState(scope, name, text, 0))
        return 0;
    TextScanner(text).Float(value);
    return 1;
}

int CVLXDoc::SetControlState(std::string_view scope, std::string_view name, float& value) {
    std::string text = FormatG(value);
    if (!ControlState(scope, name, text, 1))
        return 0;
    TextScanner(text).Float(value);
    return 1;
}

namespace {

void ScanInt32(const std::string& text, std::int32_t& value) {
    long long scanned = 0;
    if (TextScanner(text).Integer(scanned))
        value = Wrapped<std::int32_t>(scanned);
}

} // namespace

int CVLXDoc::GetControlState(std::string_view scope, std::string_view name, std::int32_t& value) {
    std::string text = std::to_string(value);
    if (!ControlState(scope, name, text, 0))
        return 0;
    ScanInt32(text, value);
    return 1;
}

int CVLXDoc::SetControlState(std::string_view scope, std::string_view name, std::int32_t& value) {
    std::string text = std::to_string(value);
    if (!ControlState(scope, name, text, 1))
        return 0;
    ScanInt32(text, value);
    return 1;
}

int CVLXDoc::ApplyActionList(std::string_view key, int scope, const double* callerValue,
                             int* match) {
    const bool apply = match == nullptr || *match == 1;
    if (match)
        *match = 1;
    std::string list;
    if (!ReadKeyText(key, list, 500, scope))
        return kMissingValue;
    list += ' ';

    bool allMatched = true;
    std::size_t position = 0;
    while (position < list.size()) {
        const std::string_view entry = std::string_view(list).substr(position);
        std::string name;
        std::string word;
        int mask = 0;
        int number = 0;
        float real = 0.0f;
        std::size_t consumed = 0;

        // "@name", the entry's kind and its value; the white space after it belongs to it.
        enum class Form { kNone, kMasked, kInt, kIntFromCaller, kFloat, kFloatFromCaller };
        auto named = [&](TextScanner& scan, std::string_view kind) {
            if (!(scan.Literal("@") && scan.Word(name, 80)))
                return false;
            scan.SkipSpace();
            return scan.Literal(kind);
        };
        auto integer = [](TextScanner& scan, int& out) {
            long long scanned = 0;
            if (!scan.Integer(scanned))
                return false;
            out = Wrapped<int>(scanned);
            return true;
        };
        auto matches = [&](auto&& read) {
            TextScanner scan(entry);
            if (!read(scan))
                return false;
            scan.SkipSpace();
            consumed = scan.Position();
            return true;
        };
        Form form = Form::kNone;
        if (matches([&](TextScanner& scan) {
                return named(scan, "M:") && integer(scan, mask) &&
                       (scan.SkipSpace(), scan.Literal("I:")) && integer(scan, number);
            }))
            form = Form::kMasked;
        else if (matches(
                     [&](TextScanner& scan) { return named(scan, "I:") && integer(scan, number); }))
            form = Form::kInt;
        else if (callerValue && matches([&](TextScanner& scan) {
                     return named(scan, "I:") && scan.Word(word, 10);
                 }))
            form = Form::kIntFromCaller;
        else if (matches([&](TextScanner& scan) { return named(scan, "F:") && scan.Float(real); }))
            form = Form::kFloat;
        else if (callerValue && matches([&](TextScanner& scan) {
                     return named(scan, "F:") && scan.Word(word, 10);
                 }))
            form = Form::kFloatFromCaller;
        if (form == Form::kNone)
            return 0;

        const bool fromCaller = form == Form::kIntFromCaller || form == Form::kFloatFromCaller;
        if (!fromCaller || std::string_view(word) == "V") {
            if (form == Form::kFloat || form == Form::kFloatFromCaller) {
                if (const FloatVariableRef ref = FindFloatVariable(name)) {
                    const float wanted =
                        form == Form::kFloat ? real : static_cast<float>(*callerValue);
                    if (ref.Get() != wanted) {
                        allMatched = false;
                        if (apply)
                            ref.Set(wanted);
                    }
                }
            } else if (const IntVariableRef ref = FindIntVariable(name)) {
                const int old = ref.Get();
                int wanted = number;
                if (form == Form::kMasked)
                    wanted = static_cast<std::int16_t>((old & ~mask) | (number & mask));
                else if (form == Form::kIntFromCaller)
                    wanted = CallerInt16(*callerValue);
                if (old != wanted) {
                    allMatched = false;
                    if (apply)
                        ref.Set(static_cast<std::int16_t>(wanted));
                }
            }
        }
        position += consumed;
    }
    if (apply && !allMatched)
        SetModifiedFlag();
    if (match)
        *match = allMatched ? 1 : 0;
    return 1;
}

int CVLXDoc::MatchActionState(const std::string& format, int scope, int& state) {
    // The format names one list per state, such as "BitValState%d".
    auto keyFor = [&format](int number) {
        std::string key = format;
        if (const std::size_t at = key.find("%d"); at != std::string::npos)
            key.replace(at, 2, std::to_string(number));
        return key;
    };
    int matched = 0;
    if (ApplyActionList(keyFor(state), scope, nullptr, &matched) != kMissingValue && matched == 1)
        return 1;
    for (int candidate = 0; candidate < 100; ++candidate) {
        matched = 0;
        if (ApplyActionList(keyFor(candidate), scope, nullptr, &matched) == kMissingValue)
            return 0;
        if (matched == 1) {
            state = candidate;
            return 1;
        }
    }
    return 0;
}

} // namespace vexa
