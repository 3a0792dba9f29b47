// Any byte string is a help file. Reads it and checks the model: every picture run names a
// picture that exists and every picture is named by exactly one run, every run's font
// exists, tables have rows with cells and cells have paragraphs, their layout puts each
// cell on the grid once without overlaps, all text is valid UTF-8, and a second read of
// the same bytes gives the same model and result. The bytes are also read as Windows and
// enhanced metafiles, as are the metafile pictures found.
#include "settings_ui/metafile.h"
#include "settings_ui/richtext.h"

#include <algorithm>
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

void CheckMetafile(std::string_view data, bool emf) {
    const auto bitmaps = vexa::MetafileBitmaps(data, emf);
    Check(bitmaps.size() <= vexa::kMaxMetafileBitmaps);
    std::size_t total = 0;
    for (const auto& bitmap : bitmaps) {
        Check(bitmap.bitsOffset >= 12 && bitmap.bitsOffset <= bitmap.dib.size());
        total += bitmap.dib.size();
    }
    Check(total <= data.size());
}

// Every cell has one place on the grid; merged ones lie under the cell they continue.
void CheckLayout(const vexa::RichTextTable& table) {
    const vexa::RichTextTableLayout layout = vexa::LayOutTable(table);
    Check(layout.places.size() == table.rows.size());
    Check(layout.columns >= 1);
    Check(layout.columnWidths.empty() ||
          layout.columnWidths.size() == static_cast<std::size_t>(layout.columns));
    for (const int width : layout.columnWidths)
        Check(width > 0);
    const auto columns = static_cast<std::size_t>(layout.columns);
    std::vector<char> taken(table.rows.size() * columns, 0);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        Check(row.definitions.size() <= static_cast<std::size_t>(vexa::kRichTextMaxTableColumns));
        Check(layout.places[r].size() == std::max(row.cells.size(), row.definitions.size()));
        for (const auto& place : layout.places[r]) {
            Check(place.column >= 0 && place.columnSpan >= 1 && place.rowSpan >= 1);
            Check(place.column + place.columnSpan <= layout.columns);
            Check(r + static_cast<std::size_t>(place.rowSpan) <= table.rows.size());
            if (place.merged)
                continue;
            for (int dr = 0; dr < place.rowSpan; ++dr)
                for (int dc = 0; dc < place.columnSpan; ++dc) {
                    char& cell = taken[(r + static_cast<std::size_t>(dr)) * columns +
                                       static_cast<std::size_t>(place.column + dc)];
                    Check(cell == 0);
                    cell = 1;
                }
        }
    }
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        for (const auto& place : layout.places[r])
            if (place.merged)
                Check(taken[r * columns + static_cast<std::size_t>(place.column)] == 1);
}

void CheckParagraph(const vexa::RichTextParagraph& paragraph, std::vector<int>& uses,
                    const vexa::RichTextDocument& document) {
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
        Check(run.format.font >= -1 && run.format.font < static_cast<int>(document.fonts.size()));
        Check(run.format.link.size() <= 4096 && IsUtf8(run.format.link));
    }
    Check(paragraph.tabs.size() <= vexa::kRichTextMaxTabStops);
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
            CheckParagraph(*paragraph, uses, document);
            continue;
        }
        const auto& table = std::get<vexa::RichTextTable>(block);
        Check(!table.rows.empty());
        CheckLayout(table);
        for (const auto& row : table.rows) {
            Check(!row.cells.empty());
            for (const auto& cell : row.cells) {
                Check(!cell.paragraphs.empty());
                for (const auto& paragraph : cell.paragraphs)
                    CheckParagraph(paragraph, uses, document);
            }
        }
    }
    for (const int count : uses)
        Check(count == 1);
    Check(document.defaultFont >= -1 &&
          document.defaultFont < static_cast<int>(document.fonts.size()));
    for (const auto& font : document.fonts)
        Check(IsUtf8(font.name));
    for (const auto& picture : document.pictures) {
        Check(!picture.data.empty());
        Check(picture.data.size() <= size);
        const auto shown = vexa::PictureDisplaySize(picture, 0, 0);
        Check(shown.width >= 0 && shown.width <= vexa::kRichTextMaxPictureTwips);
        Check(shown.height >= 0 && shown.height <= vexa::kRichTextMaxPictureTwips);
        if (picture.kind == vexa::RichTextPictureKind::kEmf ||
            picture.kind == vexa::RichTextPictureKind::kMetafile)
            CheckMetafile(picture.data, picture.kind == vexa::RichTextPictureKind::kEmf);
    }
    CheckMetafile(rtf, false);
    CheckMetafile(rtf, true);

    vexa::RichTextDocument again;
    std::string againError;
    Check(vexa::ReadRichText(rtf, again, againError) == result);
    Check(again == document && againError == error);
    return 0;
}
