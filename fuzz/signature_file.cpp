// Fuzz target: the "TransReadback.sig" reader. The first byte is the image size, the next
// bytes the image read from the controller, the rest the signature file's text. Every line
// is matched against the image; nothing may read outside either.
#include "link/transreadbackdecoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t imageSize = std::min<std::size_t>(data[0], size - 1);
    const std::span<const std::uint8_t> image(data + 1, imageSize);
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + imageSize),
                                size - 1 - imageSize);
    const vexa::SignatureMatch match = vexa::CTransReadbackDecoder::MatchSignatureText(text, image);
    if (match.files.size() != match.names.size() ||
        match.files.size() > vexa::CTransReadbackDecoder::kMaxChoices)
        __builtin_trap();
    vexa::CTransReadbackDecoder::MatchSignature(text, image);
    return 0;
}
