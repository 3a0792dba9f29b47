#pragma once
// A locale whose decimal point is a comma, as a German desktop session sets it: the
// numbers of calibrations, definitions and formulas must read and write the same under it.
#include <clocale>
#include <initializer_list>
#include <string>

namespace vexa::testing {

inline constexpr const char* kNoDecimalCommaLocale =
    "no locale with a decimal comma is installed (scripts/install-deps generates de_DE.UTF-8)";

// The name of an installed locale that writes numbers with a decimal comma, or empty.
inline std::string DecimalCommaLocaleName() {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    std::string found;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) && std::string(std::localeconv()->decimal_point) == ",") {
            found = name;
            break;
        }
    }
    std::setlocale(LC_ALL, saved.c_str());
    return found;
}

// Puts the process under a decimal-comma locale for the object's life (when one exists).
class ScopedDecimalCommaLocale {
public:
    ScopedDecimalCommaLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {
        const std::string name = DecimalCommaLocaleName();
        active_ = !name.empty() && std::setlocale(LC_ALL, name.c_str()) != nullptr;
    }
    ~ScopedDecimalCommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    ScopedDecimalCommaLocale(const ScopedDecimalCommaLocale&) = delete;
    ScopedDecimalCommaLocale& operator=(const ScopedDecimalCommaLocale&) = delete;

    bool Active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

} // namespace vexa::testing
