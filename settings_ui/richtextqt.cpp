#include "settings_ui/richtextqt.h"

#include "settings_ui/metafile.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImageReader>
#include <QPainter>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextLength>
#include <QTextOption>
#include <QTextTable>
#include <QTextTableCell>
#include <QTextTableFormat>
#include <QVariant>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vexa {
namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kMaxBitmapSide = 16384;
constexpr int kPlaceholderSide = 32;
// Pictures drawn from several bitmaps of a metafile are at most this large a side.
constexpr int kMaxComposedSide = 4000;

std::int32_t ReadLe32(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i]))
                 << (8 * i);
    return static_cast<std::int32_t>(value);
}

void AppendLe(QByteArray& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

QImage DecodeBitmapRows(const RichTextPicture& picture) {
    const int width = picture.width;
    const int height = picture.height;
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        picture.planes != 1)
        return {};
    QImage::Format format = QImage::Format_Invalid;
    switch (picture.bitsPerPixel) {
    case 1:
        format = QImage::Format_Mono;
        break;
    case 16:
        format = QImage::Format_RGB555;
        break;
    case 24:
        format = QImage::Format_BGR888;
        break;
    case 32:
        format = QImage::Format_RGB32;
        break;
    default:
        return {};
    }
    const auto rowBytes =
        (static_cast<std::size_t>(width) * static_cast<std::size_t>(picture.bitsPerPixel) + 7) / 8;
    const auto stride = static_cast<std::size_t>(picture.widthBytes);
    if (stride < rowBytes || stride * static_cast<std::size_t>(height) > picture.data.size())
        return {};
    QImage image(width, height, format);
    if (image.isNull())
        return {};
    if (format == QImage::Format_Mono)
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    // Device-dependent bitmaps keep their rows top down.
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), picture.data.data() + static_cast<std::size_t>(y) * stride,
                    rowBytes);
    return image;
}

// One small grey frame, scaled to each undecodable picture's size by the layout.
QImage Placeholder() {
    QImage image(kPlaceholderSide, kPlaceholderSide, QImage::Format_RGB32);
    image.fill(QColor(0xEE, 0xEE, 0xEE));
    QPainter painter(&image);
    painter.setPen(QColor(0xA0, 0xA0, 0xA0));
    painter.drawRect(0, 0, kPlaceholderSide - 1, kPlaceholderSide - 1);
    return image;
}

// Decodes image file bytes unless their pixels would exceed what is left of budget.
QImage ReadImage(const QByteArray& bytes, const char* format, qint64& budget) {
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.isValid() && qint64{size.width()} * size.height() * 4 > budget)
        return {};
    QImage image = reader.read();
    if (image.sizeInBytes() > budget)
        return {};
    budget -= image.sizeInBytes();
    return image;
}

// A packed DIB as a BMP file, its bits at bitsOffset; empty when it does not fit one.
QByteArray BmpFile(std::string_view dib, std::size_t bitsOffset) {
    constexpr std::size_t kFileHeaderSize = 14;
    const std::uint64_t fileSize = kFileHeaderSize + std::uint64_t{dib.size()};
    if (bitsOffset == 0 || bitsOffset > dib.size() || fileSize > 0x7FFFFFFFu)
        return {};
    QByteArray file;
    file.reserve(static_cast<qsizetype>(fileSize));
    file.append("BM", 2);
    AppendLe(file, static_cast<std::uint32_t>(fileSize), 4);
    AppendLe(file, 0, 4);
    AppendLe(file, static_cast<std::uint32_t>(kFileHeaderSize + bitsOffset), 4);
    file.append(dib.data(), static_cast<qsizetype>(dib.size()));
    return file;
}

// The part of a metafile's bitmap it draws. Source rows of a bottom-up DIB count from its
// bottom.
QImage SourcePart(const QImage& image, const MetafileBitmap& bitmap) {
    if (bitmap.sourceWidth <= 0 || bitmap.sourceHeight <= 0)
        return image;
    const bool bottomUp = ReadLe32(bitmap.dib, 0) == 12 || ReadLe32(bitmap.dib, 8) > 0;
    const int top =
        bottomUp ? image.height() - (bitmap.sourceY + bitmap.sourceHeight) : bitmap.sourceY;
    const QRect part =
        QRect(bitmap.sourceX, top, bitmap.sourceWidth, bitmap.sourceHeight) & image.rect();
    if (part.isEmpty() || part == image.rect())
        return image;
    return image.copy(part);
}

// The bitmaps a metafile draws: one is the picture; several are drawn where the metafile
// puts them, on white, at the finest scale among them.
QImage DecodeMetafile(const RichTextPicture& picture, qint64& budget) {
    const std::vector<MetafileBitmap> bitmaps =
        MetafileBitmaps(picture.data, picture.kind == RichTextPictureKind::kEmf);
    std::vector<std::pair<QImage, QRect>> parts;
    for (const MetafileBitmap& bitmap : bitmaps) {
        const QByteArray file = BmpFile(bitmap.dib, bitmap.bitsOffset);
        if (file.isEmpty())
            continue;
        QImage image = ReadImage(file, "BMP", budget);
        if (image.isNull())
            continue;
        parts.emplace_back(SourcePart(image, bitmap),
                           QRect(bitmap.x, bitmap.y, bitmap.width, bitmap.height).normalized());
    }
    if (parts.size() == 1)
        return parts.front().first;
    QRect bounds;
    double scale = 0.0;
    for (const auto& [image, target] : parts) {
        if (target.isEmpty())
            continue;
        bounds |= target;
        scale = std::max({scale, image.width() / static_cast<double>(target.width()),
                          image.height() / static_cast<double>(target.height())});
    }
    if (bounds.isEmpty() || scale <= 0.0)
        return {};
    scale = std::min({scale, kMaxComposedSide / static_cast<double>(bounds.width()),
                      kMaxComposedSide / static_cast<double>(bounds.height())});
    const QSize size(std::max(1, static_cast<int>(bounds.width() * scale + 0.5)),
                     std::max(1, static_cast<int>(bounds.height() * scale + 0.5)));
    if (qint64{size.width()} * size.height() * 4 > budget)
        return {};
    QImage canvas(size, QImage::Format_RGB32);
    if (canvas.isNull())
        return {};
    budget -= canvas.sizeInBytes();
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const auto& [image, target] : parts) {
        const QRectF place((target.x() - bounds.x()) * scale, (target.y() - bounds.y()) * scale,
                           target.width() * scale, target.height() * scale);
        painter.drawImage(place, image);
    }
    return canvas;
}

bool IsMetafile(const RichTextPicture& picture) {
    return picture.kind == RichTextPictureKind::kEmf ||
           picture.kind == RichTextPictureKind::kMetafile ||
           picture.kind == RichTextPictureKind::kMacPict;
}

QImage Decode(const RichTextPicture& picture, qint64& budget) {
    switch (picture.kind) {
    case RichTextPictureKind::kPng:
    case RichTextPictureKind::kJpeg:
    case RichTextPictureKind::kUnknown:
        return ReadImage(
            QByteArray(picture.data.data(), static_cast<qsizetype>(picture.data.size())), nullptr,
            budget);
    case RichTextPictureKind::kDib: {
        const QByteArray file = DibToBmpFile(picture.data);
        return file.isEmpty() ? QImage() : ReadImage(file, "BMP", budget);
    }
    case RichTextPictureKind::kBitmap: {
        // The rows are in the picture's own bytes, so the image is no larger than they are.
        QImage image = DecodeBitmapRows(picture);
        budget -= image.sizeInBytes();
        return image;
    }
    case RichTextPictureKind::kEmf:
    case RichTextPictureKind::kMetafile:
        return DecodeMetafile(picture, budget);
    case RichTextPictureKind::kMacPict:
        break;
    }
    return {};
}

int TwipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QColor ToQColor(std::uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QFont::StyleHint StyleHint(RichTextFontFamily family) {
    switch (family) {
    case RichTextFontFamily::kRoman:
        return QFont::Serif;
    case RichTextFontFamily::kSwiss:
        return QFont::SansSerif;
    case RichTextFontFamily::kModern:
        return QFont::TypeWriter;
    case RichTextFontFamily::kScript:
        return QFont::Cursive;
    case RichTextFontFamily::kDecorative:
        return QFont::Fantasy;
    case RichTextFontFamily::kTechnical:
    case RichTextFontFamily::kDefault:
        break;
    }
    return QFont::AnyStyle;
}

// A web address stays as it is; a file's name gets "/" between its parts, so the URL the
// viewer is handed keeps them.
QString LinkHref(const std::string& link) {
    QString href = QString::fromUtf8(link.data(), static_cast<qsizetype>(link.size()));
    if (!href.contains(QStringLiteral("://")) &&
        !href.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive))
        href.replace(QChar('\\'), QChar('/'));
    return href;
}

QTextCharFormat CharFormat(const RichTextFormat& format, const RichTextDocument& model) {
    QTextCharFormat result;
    result.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(format.italic);
    result.setFontUnderline(format.underline);
    result.setFontStrikeOut(format.strike);
    result.setFontPointSize(format.fontSize / 2.0);
    switch (format.position) {
    case RichTextVerticalPosition::kBaseline:
        break;
    case RichTextVerticalPosition::kSuperscript:
        result.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        break;
    case RichTextVerticalPosition::kSubscript:
        result.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        break;
    }
    if (format.font >= 0 && static_cast<std::size_t>(format.font) < model.fonts.size()) {
        const RichTextFont& font = model.fonts[static_cast<std::size_t>(format.font)];
        // Text of a symbol font is already the characters it draws: any font shows them.
        if (!font.symbolMapped && !font.name.empty()) {
            result.setFontFamilies(QStringList{
                QString::fromUtf8(font.name.data(), static_cast<qsizetype>(font.name.size()))});
            result.setFontStyleHint(StyleHint(font.family));
            result.setFontFixedPitch(font.family == RichTextFontFamily::kModern);
        }
    }
    if (format.colour)
        result.setForeground(ToQColor(*format.colour));
    // A highlight is drawn over the shading.
    if (format.highlight)
        result.setBackground(ToQColor(*format.highlight));
    else if (format.shading)
        result.setBackground(ToQColor(*format.shading));
    if (!format.link.empty()) {
        result.setAnchor(true);
        result.setAnchorHref(LinkHref(format.link));
    }
    return result;
}

double TwipsToPixelsF(int twips) {
    return twips / static_cast<double>(kTwipsPerPixel);
}

// Tab stops count from the left margin; the layout counts them from where the first line
// starts. A hanging first line also stops at the left indent, so a bullet's tab lines the
// text up with the lines below.
QList<QTextOption::Tab> TabPositions(const RichTextParagraph& paragraph) {
    const int lineStart = paragraph.leftIndent + paragraph.firstLineIndent;
    QList<QTextOption::Tab> tabs;
    for (const RichTextTabStop& stop : paragraph.tabs) {
        const double position = TwipsToPixelsF(stop.position - lineStart);
        if (position <= 0.0)
            continue;
        switch (stop.kind) {
        case RichTextTabKind::kLeft:
            tabs.append(QTextOption::Tab(position, QTextOption::LeftTab));
            break;
        case RichTextTabKind::kCentre:
            tabs.append(QTextOption::Tab(position, QTextOption::CenterTab));
            break;
        case RichTextTabKind::kRight:
            tabs.append(QTextOption::Tab(position, QTextOption::RightTab));
            break;
        case RichTextTabKind::kDecimal:
            tabs.append(QTextOption::Tab(position, QTextOption::DelimiterTab, QChar('.')));
            break;
        }
    }
    if (paragraph.firstLineIndent < 0)
        tabs.append(
            QTextOption::Tab(TwipsToPixelsF(-paragraph.firstLineIndent), QTextOption::LeftTab));
    std::sort(tabs.begin(), tabs.end(), [](const QTextOption::Tab& a, const QTextOption::Tab& b) {
        return a.position < b.position;
    });
    tabs.erase(std::unique(tabs.begin(), tabs.end(),
                           [](const QTextOption::Tab& a, const QTextOption::Tab& b) {
                               return a.position == b.position;
                           }),
               tabs.end());
    return tabs;
}

QTextBlockFormat BlockFormat(const RichTextParagraph& paragraph) {
    QTextBlockFormat result;
    result.setTopMargin(TwipsToPixelsF(paragraph.spaceBefore));
    result.setBottomMargin(TwipsToPixelsF(paragraph.spaceAfter));
    result.setLeftMargin(TwipsToPixelsF(paragraph.leftIndent));
    result.setRightMargin(TwipsToPixelsF(paragraph.rightIndent));
    result.setTextIndent(TwipsToPixelsF(paragraph.firstLineIndent));
    const QList<QTextOption::Tab> tabs = TabPositions(paragraph);
    if (!tabs.isEmpty())
        result.setTabPositions(tabs);
    switch (paragraph.alignment) {
    case RichTextAlignment::kLeft:
        result.setAlignment(Qt::AlignLeft);
        break;
    case RichTextAlignment::kCentre:
        result.setAlignment(Qt::AlignHCenter);
        break;
    case RichTextAlignment::kRight:
        result.setAlignment(Qt::AlignRight);
        break;
    case RichTextAlignment::kJustify:
        result.setAlignment(Qt::AlignJustify);
        break;
    }
    return result;
}

class DocumentWriter {
public:
    DocumentWriter(const RichTextDocument& model, QTextDocument& document, qint64 imageBudget)
        : model_(model), document_(document), budget_(imageBudget) {}

    void Write() {
        AddPictures();
        QTextOption option = document_.defaultTextOption();
        option.setTabStopDistance(TwipsToPixelsF(model_.defaultTabWidth));
        document_.setDefaultTextOption(option);
        QTextCursor cursor(&document_);
        bool blockFree = true; // the cursor's block is empty and unused
        for (const RichTextBlock& block : model_.blocks) {
            if (const auto* paragraph = std::get_if<RichTextParagraph>(&block)) {
                if (blockFree)
                    cursor.setBlockFormat(BlockFormat(*paragraph));
                else
                    cursor.insertBlock(BlockFormat(*paragraph));
                WriteRuns(cursor, *paragraph);
                blockFree = false;
                continue;
            }
            const auto& table = std::get<RichTextTable>(block);
            WriteTable(cursor, table, blockFree);
            // The document keeps an empty block after every table; the next paragraph
            // goes there.
            cursor.movePosition(QTextCursor::End);
            blockFree = true;
        }
    }

private:
    void AddPictures() {
        sizes_.clear();
        for (std::size_t i = 0; i < model_.pictures.size(); ++i) {
            const RichTextPicture& picture = model_.pictures[i];
            QImage image = Decode(picture, budget_);
            // A metafile's own size is what it says, not its bitmap's pixels.
            const bool metafile = IsMetafile(picture);
            const RichTextSize twips = PictureDisplaySize(picture, metafile ? 0 : image.width(),
                                                          metafile ? 0 : image.height());
            QSize shown(TwipsToPixels(twips.width), TwipsToPixels(twips.height));
            if (shown.width() <= 0 || shown.height() <= 0)
                shown = image.isNull() ? QSize(kPlaceholderSide, kPlaceholderSide) : image.size();
            shown = shown.expandedTo(QSize(1, 1));
            if (image.isNull())
                image = placeholder_;
            document_.addResource(QTextDocument::ImageResource,
                                  RichTextPictureUrl(static_cast<int>(i)), QVariant(image));
            sizes_.push_back(shown);
        }
    }

    void WriteRuns(QTextCursor& cursor, const RichTextParagraph& paragraph) {
        for (const RichTextRun& run : paragraph.runs) {
            if (run.picture >= 0 && static_cast<std::size_t>(run.picture) < sizes_.size()) {
                QTextImageFormat format;
                format.setName(RichTextPictureUrl(run.picture).toString());
                const QSize size = sizes_[static_cast<std::size_t>(run.picture)];
                format.setWidth(size.width());
                format.setHeight(size.height());
                cursor.insertImage(format);
                continue;
            }
            QString text =
                QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size()));
            text.replace(QChar('\n'), QChar(QChar::LineSeparator));
            cursor.insertText(text, CharFormat(run.format, model_));
        }
    }

    void WriteParagraphs(QTextCursor& cursor, const std::vector<RichTextParagraph>& paragraphs,
                         bool first) {
        for (const RichTextParagraph& paragraph : paragraphs) {
            if (first)
                cursor.setBlockFormat(BlockFormat(paragraph));
            else
                cursor.insertBlock(BlockFormat(paragraph));
            first = false;
            WriteRuns(cursor, paragraph);
        }
    }

    void WriteTable(QTextCursor& cursor, const RichTextTable& table, bool blockFree) {
        const RichTextTableLayout layout = LayOutTable(table);
        if (table.rows.empty() || layout.columns <= 0)
            return;
        if (!blockFree)
            cursor.insertBlock();
        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellPadding(4);
        format.setCellSpacing(0);
        if (!layout.columnWidths.empty()) {
            QList<QTextLength> widths;
            for (const int twips : layout.columnWidths)
                widths.append(
                    QTextLength(QTextLength::FixedLength, std::max(TwipsToPixelsF(twips), 1.0)));
            format.setColumnWidthConstraints(widths);
        }
        QTextTable* textTable =
            cursor.insertTable(static_cast<int>(table.rows.size()), layout.columns, format);
        // Merge first, so that every cell is written where it ends up.
        for (std::size_t r = 0; r < table.rows.size(); ++r)
            for (const RichTextCellPlace& place : layout.places[r])
                if (!place.merged && (place.rowSpan > 1 || place.columnSpan > 1))
                    textTable->mergeCells(static_cast<int>(r), place.column, place.rowSpan,
                                          place.columnSpan);
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const RichTextRow& row = table.rows[r];
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                const RichTextCellPlace& place = layout.places[r][c];
                const QTextTableCell cell = textTable->cellAt(static_cast<int>(r), place.column);
                if (!place.merged) {
                    QTextCursor cellCursor = cell.firstCursorPosition();
                    WriteParagraphs(cellCursor, row.cells[c].paragraphs, true);
                    continue;
                }
                // Text in a cell merged into the one above joins that cell.
                std::vector<RichTextParagraph> text;
                for (const RichTextParagraph& paragraph : row.cells[c].paragraphs)
                    if (!paragraph.runs.empty())
                        text.push_back(paragraph);
                QTextCursor cellCursor = cell.lastCursorPosition();
                WriteParagraphs(cellCursor, text, false);
            }
        }
    }

    const RichTextDocument& model_;
    QTextDocument& document_;
    std::vector<QSize> sizes_;
    qint64 budget_;
    const QImage placeholder_ = Placeholder();
};

} // namespace

QUrl RichTextPictureUrl(int index) {
    return QUrl(QStringLiteral("vexa-picture:%1").arg(index));
}

QByteArray DibToBmpFile(const std::string& dib) {
    return BmpFile(dib, DibBitsOffset(dib));
}

QImage DecodeRichTextPicture(const RichTextPicture& picture) {
    qint64 budget = kRichTextImageBudget;
    return Decode(picture, budget);
}

void FillTextDocument(const RichTextDocument& model, QTextDocument& document,
                      qint64 imageBudgetBytes) {
    document.clear();
    DocumentWriter(model, document, imageBudgetBytes).Write();
}

} // namespace vexa
