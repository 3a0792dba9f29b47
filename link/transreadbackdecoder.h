#pragma once
// Recognises which transmission definition a calibration read from the controller was made
// with, from the signatures in "TransReadback.sig" of the controller's definition folder.
//
// The file, line by line (at most 400 characters a line; shorter than 2 characters or
// without "=": skipped):
//   TERMS = RESULT
// TERMS are "@offset:value[:mask]" separated by white space (integers in C notation; the
// mask defaults to all ones; only the low 8 bits of value and mask count). RESULT, trimmed,
// is a definition file name, or a text starting with "*": then up to ten choice lines
// "*file.def*Display name" follow, of which the user picks one.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// The signature file's name inside a definition folder.
inline constexpr const char* kSignatureFileName = "TransReadback.sig";

// Asks the user to pick among similar transmission types (the "Select Current Transmission
// Type" dialog). names are the non-empty display names in alphabetical order without regard
// to case; selected is
// in/out: 0 on entry (the first entry), the chosen index on return. Returns 1 for OK,
// 0 for Cancel.
using TransmissionChooser =
    std::function<int(const std::vector<std::string>& names, int& selected)>;

// The dialog's texts.
inline constexpr const char* kChooserTitle = "Select Current Transmission Type";
inline constexpr const char* kChooserPrompt =
    "The calibration that was just read from this controller is for one of these similar "
    "transmission types.\n\nPlease select the correct type for this transmission from the "
    "list below, then click \"OK\".";

// The outcome of matching an image against a signature file's text.
struct SignatureMatch {
    bool matched = false; // a line's terms held
    std::string result;   // its result part, trimmed (a file name, or "*...")
    // For a "*" result: the choice list in file order.
    std::vector<std::string> files;
    std::vector<std::string> names;
};

class CTransReadbackDecoder {
public:
    static constexpr std::size_t kMaxChoices = 10;
    static constexpr std::size_t kMaxResult = 200;
    static constexpr std::size_t kMaxLine = 400;

    // With no chooser the first entry in alphabetical order is taken.
    explicit CTransReadbackDecoder(TransmissionChooser chooser = {});

    // Reads "<folder>/TransReadback.sig" and matches image against it. Returns 1 with a
    // definition file name (at most 200 characters) in result, or 0 when the file cannot be
    // opened, no line matches, the matching line's result is empty, the user cancels, or a
    // choice list offers nothing to choose.
    int DetectTransmissionType(const std::string& folder, std::string& result,
                               std::span<const std::uint8_t> image);

    // Whether a line's terms hold for image. A term whose offset is negative or not below
    // the image size fails the line; a term without a mask ends the check after itself.
    static int MatchSignature(std::string_view terms, std::span<const std::uint8_t> image);

    // The first matching line of a signature file's text and, for a "*" result, its
    // choice list. Never reads outside text or image.
    static SignatureMatch MatchSignatureText(std::string_view text,
                                             std::span<const std::uint8_t> image);

    // The choice list as the dialog showed it (alphabetical display names) and the file of
    // each, after DetectTransmissionType.
    const std::vector<std::string>& ChoiceNames() const { return sortedNames_; }

private:
    TransmissionChooser chooser_;
    std::vector<std::string> sortedNames_;
};

} // namespace vexa
