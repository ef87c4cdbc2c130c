#include "PictureTextLayout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QUrl>

namespace {

QImage pictureOf(QTextDocument *document, const QTextFormat &format)
{
    return document->resource(QTextDocument::ImageResource, QUrl(format.toImageFormat().name())).value<QImage>();
}

} // namespace

PictureTextLayout::PictureTextLayout(QTextDocument *document)
    : QPlainTextDocumentLayout(document)
{
    registerHandler(QTextFormat::ImageObject, this);
}

QSizeF PictureTextLayout::intrinsicSize(QTextDocument *document, int, const QTextFormat &format)
{
    return pictureOf(document, format).size();
}

void PictureTextLayout::drawObject(QPainter *painter, const QRectF &rect, QTextDocument *document, int,
                                   const QTextFormat &format)
{
    const QImage picture = pictureOf(document, format);
    if (!picture.isNull())
        painter->drawImage(rect, picture);
}

void PictureTextLayout::resizeInlineObject(QTextInlineObject item, int position, const QTextFormat &format)
{
    QPlainTextDocumentLayout::resizeInlineObject(item, position, format);
    const QTextCharFormat charFormat = format.toCharFormat();
    if (charFormat.verticalAlignment() != QTextCharFormat::AlignMiddle)
        return;
    // The picture's middle on the middle of the small letters.
    const QFontMetricsF metrics(charFormat.font());
    const qreal height = item.height();
    const qreal ascent = height / 2 + metrics.xHeight() / 2;
    item.setAscent(ascent);
    item.setDescent(height - ascent);
}
