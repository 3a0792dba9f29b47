#pragma once
// The Qt side of the Rich Text reader: the document model as a QTextDocument, with
// paragraphs, character formats, tables as text tables and pictures as image resources.
#include "settings_ui/richtext.h"

#include <string>

#include <QByteArray>
#include <QImage>
#include <QUrl>

class QTextDocument;

namespace vexa {

// The name under which picture index is kept as an image resource of the document:
// "vexa-picture:<index>".
QUrl RichTextPictureUrl(int index);

// How many bytes the decoded pictures of one document may take together; pictures past
// it are shown as placeholders, so a small file cannot ask for gigabytes of pixels.
inline constexpr qint64 kRichTextImageBudget = qint64{256} * 1024 * 1024;

// The picture as an image: PNG, JPEG and BMP data through QImage::loadFromData (a DIB gets
// the BITMAPFILEHEADER it lacks), device-dependent bitmaps of 1, 16, 24 or 32 bits a pixel
// from their rows. A null image when the picture cannot be decoded (metafiles among them)
// or would need more than kRichTextImageBudget bytes.
QImage DecodeRichTextPicture(const RichTextPicture& picture);

// The DIB bytes with a BITMAPFILEHEADER in front, ready for a BMP reader; empty when the
// bytes do not start with a bitmap header that fits in them.
QByteArray DibToBmpFile(const std::string& dib);

// Replaces everything in document (text and resources) by model. Each picture is added
// as an image resource and shown at its display size (PictureDisplaySize at 15 twips a
// pixel, at most 4000 pixels a side); one that cannot be decoded, or whose pixels would
// exceed what is left of imageBudgetBytes, is shown as a grey frame of that size.
void FillTextDocument(const RichTextDocument& model, QTextDocument& document,
                      qint64 imageBudgetBytes = kRichTextImageBudget);

} // namespace vexa
