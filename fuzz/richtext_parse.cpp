// Any byte string is a help file. Reads it and checks the model: every picture run names a
// picture that exists and every picture is named by exactly one run, tables have rows with
// cells and cells have paragraphs, all text is valid UTF-8, and a second read of the same
// bytes gives the same model and result.
#include "settings_ui/richtext.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        char32_t cp = lead;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = 3;
            cp = lead & 0x0Fu;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            length = 2;
            cp = lead & 0x1Fu;
        } else if (lead >= 0x80) {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

void CheckParagraph(const vexa::RichTextParagraph& paragraph, std::vector<int>& uses) {
    for (const auto& run : paragraph.runs) {
        if (run.picture >= 0) {
            Check(static_cast<std::size_t>(run.picture) < uses.size());
            Check(run.text.empty());
            ++uses[static_cast<std::size_t>(run.picture)];
        } else {
            Check(run.picture == -1);
            Check(!run.text.empty());
            Check(IsUtf8(run.text));
        }
        Check(run.format.fontSize >= 1 && run.format.fontSize <= 3276);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    vexa::RichTextDocument document;
    std::string error;
    const int result = vexa::ReadRichText(rtf, document, error);
    Check(result == 0 || result == 1);
    Check((result == 1) == error.empty());

    std::vector<int> uses(document.pictures.size(), 0);
    for (const auto& block : document.blocks) {
        if (const auto* paragraph = std::get_if<vexa::RichTextParagraph>(&block)) {
            CheckParagraph(*paragraph, uses);
            continue;
        }
        const auto& table = std::get<vexa::RichTextTable>(block);
        Check(!table.rows.empty());
        for (const auto& row : table.rows) {
            Check(!row.cells.empty());
            for (const auto& cell : row.cells) {
                Check(!cell.paragraphs.empty());
                for (const auto& paragraph : cell.paragraphs)
                    CheckParagraph(paragraph, uses);
            }
        }
    }
    for (const int count : uses)
        Check(count == 1);
    for (const auto& picture : document.pictures) {
        Check(!picture.data.empty());
        Check(picture.data.size() <= size);
        const auto shown = vexa::PictureDisplaySize(picture, 0, 0);
        Check(shown.width >= 0 && shown.width <= vexa::kRichTextMaxPictureTwips);
        Check(shown.height >= 0 && shown.height <= vexa::kRichTextMaxPictureTwips);
    }

    vexa::RichTextDocument again;
    std::string againError;
    Check(vexa::ReadRichText(rtf, again, againError) == result);
    Check(again == document && againError == error);
    return 0;
}
