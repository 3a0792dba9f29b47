#include "settings_ui/richtextqt.h"

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

std::uint32_t ReadLe(const std::string& bytes, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i]))
                 << (8 * i);
    return value;
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
    case RichTextPictureKind::kMacPict:
        break;
    }
    return {};
}

int TwipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QTextCharFormat CharFormat(const RichTextFormat& format) {
    QTextCharFormat result;
    result.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(format.italic);
    result.setFontUnderline(format.underline);
    result.setFontPointSize(format.fontSize / 2.0);
    if (format.colour) {
        const std::uint32_t colour = *format.colour;
        result.setForeground(QColor(static_cast<int>(colour & 0xFF),
                                    static_cast<int>((colour >> 8) & 0xFF),
                                    static_cast<int>((colour >> 16) & 0xFF)));
    }
    return result;
}

QTextBlockFormat BlockFormat(const RichTextParagraph& paragraph) {
    QTextBlockFormat result;
    auto pixels = [](int twips) { return twips / static_cast<double>(kTwipsPerPixel); };
    result.setTopMargin(pixels(paragraph.spaceBefore));
    result.setBottomMargin(pixels(paragraph.spaceAfter));
    result.setLeftMargin(pixels(paragraph.leftIndent));
    result.setRightMargin(pixels(paragraph.rightIndent));
    result.setTextIndent(pixels(paragraph.firstLineIndent));
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
            const RichTextSize twips = PictureDisplaySize(picture, image.width(), image.height());
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
            cursor.insertText(text, CharFormat(run.format));
        }
    }

    void WriteTable(QTextCursor& cursor, const RichTextTable& table, bool blockFree) {
        std::size_t columns = 0;
        for (const RichTextRow& row : table.rows)
            columns = std::max(columns, row.cells.size());
        if (table.rows.empty() || columns == 0)
            return;
        if (!blockFree)
            cursor.insertBlock();
        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellPadding(4);
        format.setCellSpacing(0);
        QTextTable* textTable = cursor.insertTable(static_cast<int>(table.rows.size()),
                                                   static_cast<int>(columns), format);
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const RichTextRow& row = table.rows[r];
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                QTextCursor cellCursor = textTable->cellAt(static_cast<int>(r), static_cast<int>(c))
                                             .firstCursorPosition();
                bool first = true;
                for (const RichTextParagraph& paragraph : row.cells[c].paragraphs) {
                    if (first)
                        cellCursor.setBlockFormat(BlockFormat(paragraph));
                    else
                        cellCursor.insertBlock(BlockFormat(paragraph));
                    first = false;
                    WriteRuns(cellCursor, paragraph);
                }
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
    constexpr std::size_t kFileHeaderSize = 14;
    if (dib.size() < 12)
        return {};
    const std::uint32_t headerSize = ReadLe(dib, 0, 4);
    if (headerSize < 12 || headerSize > dib.size())
        return {};
    std::uint64_t paletteBytes = 0;
    if (headerSize == 12) {
        // BITMAPCOREHEADER: three-byte palette entries.
        const std::uint32_t bitCount = ReadLe(dib, 10, 2);
        if (bitCount <= 8)
            paletteBytes = (std::uint64_t{1} << bitCount) * 3;
    } else {
        if (headerSize < 16)
            return {};
        const std::uint32_t bitCount = ReadLe(dib, 14, 2);
        const std::uint32_t compression = headerSize >= 20 ? ReadLe(dib, 16, 4) : 0;
        const std::uint32_t coloursUsed = headerSize >= 36 ? ReadLe(dib, 32, 4) : 0;
        if (coloursUsed != 0)
            paletteBytes = std::uint64_t{coloursUsed} * 4;
        else if (bitCount <= 8)
            paletteBytes = (std::uint64_t{1} << bitCount) * 4;
        // A BITMAPINFOHEADER with bit fields keeps its masks after the header.
        if (headerSize == 40 && compression == 3)
            paletteBytes += 12;
        else if (headerSize == 40 && compression == 6)
            paletteBytes += 16;
    }
    const std::uint64_t bitsOffset = kFileHeaderSize + headerSize + paletteBytes;
    const std::uint64_t fileSize = kFileHeaderSize + dib.size();
    if (bitsOffset > fileSize || fileSize > 0xFFFFFFFFu)
        return {};
    QByteArray file;
    file.reserve(static_cast<qsizetype>(fileSize));
    file.append("BM", 2);
    AppendLe(file, static_cast<std::uint32_t>(fileSize), 4);
    AppendLe(file, 0, 4);
    AppendLe(file, static_cast<std::uint32_t>(bitsOffset), 4);
    file.append(dib.data(), static_cast<qsizetype>(dib.size()));
    return file;
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
