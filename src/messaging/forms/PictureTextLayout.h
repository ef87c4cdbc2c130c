#pragma once

#include <QPlainTextDocumentLayout>
#include <QTextObjectInterface>

// A plain text layout (only what is shown is laid out) that also draws the
// document's pictures: image formats naming one of its image resources, set
// on the middle of the line as the rich text layout sets them.
class PictureTextLayout : public QPlainTextDocumentLayout, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    explicit PictureTextLayout(QTextDocument *document);

    QSizeF intrinsicSize(QTextDocument *document, int position, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *document, int position,
                    const QTextFormat &format) override;

protected:
    void resizeInlineObject(QTextInlineObject item, int position, const QTextFormat &format) override;
};
