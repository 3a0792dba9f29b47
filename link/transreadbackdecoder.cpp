#include "link/transreadbackdecoder.h"

#include "core/programpaths.h"
#include "core/textutil.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace vexa {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// One integer as the C library's "%i" reads it: leading white space, a sign, then 0x
// hexadecimal, 0 octal or decimal. Advances pos past it; false when no digit is there.
bool ScanInt(std::string_view text, std::size_t& pos, long long& value) {
    std::size_t i = pos;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '0') {
        base = 8;
        if (i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
            DigitValue(text[i + 2]) < 16) {
            base = 16;
            i += 2;
        }
    }
    const std::size_t first = i;
    unsigned long long magnitude = 0;
    while (i < text.size() && DigitValue(text[i]) < base) {
        // Saturate rather than wrap: only the low bits of a value count, and no offset is
        // that large.
        if (magnitude < (1ULL << 40))
            magnitude = magnitude * static_cast<unsigned>(base) +
                        static_cast<unsigned>(DigitValue(text[i]));
        ++i;
    }
    if (i == first)
        return false;
    const auto signedMagnitude = static_cast<long long>(magnitude);
    value = negative ? -signedMagnitude : signedMagnitude;
    pos = i;
    return true;
}

// The text as lines of at most kMaxLine characters, without their line ends.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const bool hasEnd = end != std::string_view::npos;
        if (!hasEnd)
            end = text.size();
        std::size_t length = end - pos;
        if (length > CTransReadbackDecoder::kMaxLine) {
            // A longer line is read in pieces, as a fixed line buffer reads it.
            lines.push_back(text.substr(pos, CTransReadbackDecoder::kMaxLine));
            pos += CTransReadbackDecoder::kMaxLine;
            continue;
        }
        std::string_view line = text.substr(pos, length);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        pos = hasEnd ? end + 1 : end;
    }
    return lines;
}

} // namespace

CTransReadbackDecoder::CTransReadbackDecoder(TransmissionChooser chooser)
    : chooser_(std::move(chooser)) {}

int CTransReadbackDecoder::MatchSignature(std::string_view terms,
                                          std::span<const std::uint8_t> image) {
    std::string text(terms);
    text += ' ';
    const std::string_view view(text);
    int result = 1;
    std::size_t pos = 0;
    for (;;) {
        // "@%i:%i:%i %n": offset and value are required, the mask is optional.
        long long offset = 0;
        long long value = 0;
        long long mask = -1;
        std::size_t at = pos;
        if (at >= view.size() || view[at] != '@')
            return 0;
        ++at;
        if (!ScanInt(view, at, offset) || at >= view.size() || view[at] != ':')
            return 0;
        ++at;
        if (!ScanInt(view, at, value))
            return 0;
        bool hasMask = false;
        if (at < view.size() && view[at] == ':') {
            std::size_t maskAt = at + 1;
            if (ScanInt(view, maskAt, mask)) {
                hasMask = true;
                at = maskAt;
            }
        }
        if (offset < 0 || offset >= static_cast<long long>(image.size()))
            return 0;
        const auto bits = static_cast<std::uint8_t>(mask & 0xFF);
        if ((image[static_cast<std::size_t>(offset)] & bits) !=
            (static_cast<std::uint8_t>(value & 0xFF) & bits))
            result = 0;
        // Without a mask the scan never reaches the end of the term, so the check ends here.
        if (!hasMask)
            return result;
        while (at < view.size() && IsCSpace(view[at]))
            ++at;
        if (at >= view.size())
            return result;
        pos = at;
    }
}

SignatureMatch CTransReadbackDecoder::MatchSignatureText(std::string_view text,
                                                         std::span<const std::uint8_t> image) {
    SignatureMatch match;
    const std::vector<std::string_view> lines = SplitLines(text);
    std::size_t index = 0;
    for (; index < lines.size(); ++index) {
        const std::string_view line = lines[index];
        const std::size_t equals = line.find('=');
        if (line.size() < 2 || equals == std::string_view::npos)
            continue;
        if (MatchSignature(line.substr(0, equals), image)) {
            match.matched = true;
            match.result = std::string(Trim(line.substr(equals + 1)));
            break;
        }
    }
    if (!match.matched || match.result.empty() || match.result[0] != '*')
        return match;
    for (++index; index < lines.size() && match.files.size() < kMaxChoices; ++index) {
        const std::string_view line = Trim(lines[index]);
        if (line.empty())
            continue;
        if (line[0] != '*')
            break;
        const std::size_t second = line.find('*', 2);
        if (second == std::string_view::npos)
            break;
        match.files.emplace_back(line.substr(1, second - 1));
        match.names.emplace_back(line.substr(second + 1));
    }
    return match;
}

int CTransReadbackDecoder::DetectTransmissionType(const std::string& folder, std::string& result,
                                                  std::span<const std::uint8_t> image) {
    sortedNames_.clear();
    std::ifstream in(JoinStoredPath(folder, kSignatureFileName), std::ios::binary);
    if (!in)
        return 0;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const SignatureMatch match = MatchSignatureText(text, image);
    if (!match.matched || match.result.empty())
        return 0;
    if (match.result[0] != '*') {
        result = match.result.substr(0, kMaxResult);
        return 1;
    }
    for (const std::string& name : match.names) {
        if (!name.empty())
            sortedNames_.push_back(name);
    }
    // The list box's order: alphabetical without regard to case.
    std::stable_sort(sortedNames_.begin(), sortedNames_.end(),
                     [](const std::string& a, const std::string& b) {
                         return std::lexicographical_compare(
                             a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                                 return std::tolower(static_cast<unsigned char>(x)) <
                                        std::tolower(static_cast<unsigned char>(y));
                             });
                     });
    int selected = 0;
    if (chooser_ && !chooser_(sortedNames_, selected))
        return 0;
    // OK on an empty list chooses nothing: the definition stays as it is.
    if (selected < 0 || static_cast<std::size_t>(selected) >= sortedNames_.size())
        return 0;
    const std::string& chosen = sortedNames_[static_cast<std::size_t>(selected)];
    for (std::size_t i = 0; i < match.names.size(); ++i) {
        if (match.names[i] == chosen) {
            result = match.files[i].substr(0, kMaxResult);
            return 1;
        }
    }
    return 0;
}

} // namespace vexa
