// Arbitrary bytes as a settings file: parsing and writing back must give the same bytes,
// a value set must read back as set, and nothing else in the text may change.
#include "core/inifile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vexa::IniDocument doc = vexa::IniDocument::Parse(text);
    if (doc.Serialize() != text)
        std::abort();

    // Names and a value taken from the input itself, so the fuzzer steers them too.
    const std::size_t cut = size / 3;
    const std::string_view section = text.substr(0, cut < 16 ? cut : 16);
    const std::string_view key = text.substr(cut, cut < 16 ? cut : 16);
    const std::string_view value = text.substr(2 * cut);
    const auto before = doc.Get(section, key);
    (void)vexa::ParseProfileInt(before.value_or(""), 0);
    (void)doc.Get("HardwareProfile", "DeviceType");

    vexa::IniDocument changed = doc;
    if (changed.Set(section, key, value)) {
        const vexa::IniDocument reread = vexa::IniDocument::Parse(changed.Serialize());
        if (reread.Get(section, key) != std::string(value))
            std::abort();
    } else if (changed.Serialize() != text) {
        std::abort(); // a refused write must change nothing
    }
    if (changed.Set("Communication Settings", "COMPortNumber", "3") &&
        vexa::IniDocument::Parse(changed.Serialize())
                .Get("communication settings", "comportnumber") != "3")
        std::abort();
    return 0;
}
