#pragma once
// Reads a TransReadback.sig the way the calibration read matches it against an image: the
// first line whose terms hold names a definition file, or a choice list of them. Kept here
// so the shipped signature files can be checked against the images of the shipped types.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace vexa::testing {

struct SignatureMatch {
    bool matched = false;
    std::string result;               // a file name, or "*" for a choice list
    std::vector<std::string> choices; // the files of the choice list
    std::vector<std::string> names;   // their display names
};

inline std::string TrimmedText(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// 1 when every term holds. A term without a mask ends the check (its end is not measured).
inline bool MatchSignatureTerms(const std::string& terms, const std::vector<std::uint8_t>& image) {
    const std::string text = terms + " ";
    bool result = true;
    std::size_t position = 0;
    while (position < text.size()) {
        int offset = 0;
        int value = 0;
        int mask = -1;
        int consumed = -1;
        const int scanned =
            std::sscanf(text.c_str() + position, "@%i:%i:%i %n", &offset, &value, &mask, &consumed);
        if (scanned < 2)
            return false;
        if (offset < 0 || static_cast<std::size_t>(offset) >= image.size())
            return false;
        const unsigned m = static_cast<unsigned>(mask) & 0xFFu;
        if ((image[static_cast<std::size_t>(offset)] & m) != (static_cast<unsigned>(value) & m))
            result = false;
        if (consumed < 0)
            return result;
        position += static_cast<std::size_t>(consumed);
    }
    return result;
}

inline SignatureMatch DetectTransmission(const std::string& sigPath,
                                         const std::vector<std::uint8_t>& image) {
    SignatureMatch match;
    std::ifstream in(sigPath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 2 || line.find('=') == std::string::npos)
            continue;
        const std::size_t equals = line.find('=');
        if (!MatchSignatureTerms(line.substr(0, equals), image))
            continue;
        match.matched = true;
        match.result = TrimmedText(line.substr(equals + 1));
        if (!match.result.empty() && match.result[0] == '*') {
            while (match.choices.size() < 10 && std::getline(in, line)) {
                const std::string entry = TrimmedText(line);
                if (entry.empty())
                    continue;
                const std::size_t second = entry.find('*', 2);
                if (entry[0] != '*' || second == std::string::npos)
                    break;
                match.choices.push_back(entry.substr(1, second - 1));
                match.names.push_back(entry.substr(second + 1));
            }
        }
        break;
    }
    return match;
}

} // namespace vexa::testing
