#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTextCharFormat>

class QTextDocument;
class QTextFragment;
class QColor;

// A text document as rich text (RTF) that word processors open: paragraphs,
// bold, italic, underline, colours, font sizes and the pictures, each picture
// as PNG data (\pngblip), which WordPad and LibreOffice both read. Text goes
// out in code page 1251 (\ansicpg1251); a character that page lacks is
// written as \u with "?" for readers that know no Unicode.
// What a fragment's own format leaves open is taken from `look` (the font,
// its style and the colours the widget shows the text in), then from the
// document's default font.
class RtfWriter
{
public:
    explicit RtfWriter(const QTextDocument &document, const QTextCharFormat &look = {});

    QByteArray write();

private:
    void writeFragment(const QTextFragment &fragment);
    void writePicture(const QTextCharFormat &format);
    void writeText(const QString &text);
    QByteArray formatControls(const QTextCharFormat &format);
    int colorIndex(const QColor &color);
    int fontIndex(const QString &family);

    const QTextDocument &m_document;
    const QTextCharFormat m_look;
    QByteArray m_body;
    QList<QColor> m_colors;  // \colortbl entries 1..n; 0 is the reader's default
    QStringList m_fonts;     // \fonttbl entries 0..n-1
};
