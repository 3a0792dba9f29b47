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
// from their rows, metafiles (WMF, EMF) as the bitmaps they draw, several of them drawn
// where the metafile puts them. A null image when the picture cannot be decoded (metafiles
// of vectors alone among them) or would need more than kRichTextImageBudget bytes.
QImage DecodeRichTextPicture(const RichTextPicture& picture);

// The DIB bytes with a BITMAPFILEHEADER in front, ready for a BMP reader; empty when the
// bytes do not start with a bitmap header that fits in them.
QByteArray DibToBmpFile(const std::string& dib);

// Replaces everything in document (text and resources) by model: paragraphs with their
// indents and tab stops (and the default tab width), runs with their character formats,
// fonts and links (an anchor whose href is the link, "\" turned into "/" outside web
// addresses), tables on the grid LayOutTable gives, with fixed column widths and merged
// cells. Each picture is added as an image resource and shown at its display size
// (PictureDisplaySize at 15 twips a pixel, at most 4000 pixels a side; a metafile's own
// size, not its bitmap's); one that cannot be decoded, or whose pixels would exceed what is
// left of imageBudgetBytes, is shown as a grey frame of that size.
void FillTextDocument(const RichTextDocument& model, QTextDocument& document,
                      qint64 imageBudgetBytes = kRichTextImageBudget);

} // namespace vexa
