#include "RtfWriter.h"

#include "Cp1251.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <cmath>

namespace {

constexpr int kTwipsPerPixel = 15; // at the 96 dpi pictures are drawn for

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

// Control words need a delimiter before text that could continue them.
QByteArray escapedByte(unsigned char byte)
{
    switch (byte) {
    case '\\':
        return "\\\\";
    case '{':
        return "\\{";
    case '}':
        return "\\}";
    case '\t':
        return "\\tab ";
    default:
        break;
    }
    if (byte >= 0x80 || byte < 0x20) {
        static const char hex[] = "0123456789abcdef";
        return QByteArray("\\'") + hex[byte >> 4] + hex[byte & 0x0F];
    }
    return QByteArray(1, char(byte));
}

} // namespace

RtfWriter::RtfWriter(const QTextDocument &document, const QTextCharFormat &look)
    : m_document(document)
    , m_look(look)
{
}

QByteArray RtfWriter::write()
{
    m_body.clear();
    m_colors.clear();
    m_fonts.clear();
    fontIndex(m_look.font().resolve(m_document.defaultFont()).family());

    bool first = true;
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        if (!first)
            m_body += "\\par\n";
        first = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().isValid())
                writeFragment(it.fragment());
        }
    }

    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        rtf += "{\\f" + number(i) + "\\fnil\\fcharset204 ";
        for (char c : Cp1251::encode(m_fonts[i]))
            rtf += (c == ';') ? QByteArray(" ") : escapedByte(static_cast<unsigned char>(c));
        rtf += ";}";
    }
    rtf += "}\n{\\colortbl;";
    for (const QColor &color : m_colors)
        rtf += "\\red" + number(color.red()) + "\\green" + number(color.green()) + "\\blue" + number(color.blue()) + ";";
    rtf += "}\n\\pard\\plain\n";
    rtf += m_body;
    rtf += "\\par\n}\n";
    return rtf;
}

void RtfWriter::writeFragment(const QTextFragment &fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    if (format.isImageFormat()) {
        // One object character per picture; a fragment holds one or more of the same.
        for (int i = 0; i < fragment.length(); ++i)
            writePicture(format);
        return;
    }
    m_body += "{" + formatControls(format) + " ";
    writeText(fragment.text());
    m_body += "}";
}

QByteArray RtfWriter::formatControls(const QTextCharFormat &format)
{
    QByteArray controls;
    // Most fragments say nothing of their own: the view's look is what shows.
    const QFont font = format.font().resolve(m_look.font().resolve(m_document.defaultFont()));
    controls += "\\f" + number(fontIndex(font.family()));
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    if (points > 0)
        controls += "\\fs" + number(std::lround(points * 2));
    if (font.weight() >= QFont::DemiBold)
        controls += "\\b";
    if (font.italic())
        controls += "\\i";
    if (font.underline())
        controls += "\\ul";
    if (font.strikeOut())
        controls += "\\strike";
    const auto brush = [&](QTextFormat::Property property) {
        return format.hasProperty(property) ? format.brushProperty(property) : m_look.brushProperty(property);
    };
    if (const QBrush text = brush(QTextFormat::ForegroundBrush); text.style() != Qt::NoBrush)
        controls += "\\cf" + number(colorIndex(text.color()));
    // Shading for Word and LibreOffice (\chcbpat), background for WordPad (\cb).
    if (const QBrush back = brush(QTextFormat::BackgroundBrush); back.style() != Qt::NoBrush) {
        const QByteArray index = number(colorIndex(back.color()));
        controls += "\\chcbpat" + index + "\\cb" + index;
    }
    return controls;
}

void RtfWriter::writePicture(const QTextCharFormat &format)
{
    const QTextImageFormat imageFormat = format.toImageFormat();
    const QString name = imageFormat.name();
    QImage image = qvariant_cast<QImage>(m_document.resource(QTextDocument::ImageResource, QUrl(name)));
    if (image.isNull())
        image.load(name.startsWith(u"qrc:") ? name.mid(3) : name);
    if (image.isNull())
        return; // nothing to show; the reader would see a broken object
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const int width = imageFormat.width() > 0 ? int(imageFormat.width()) : image.width();
    const int height = imageFormat.height() > 0 ? int(imageFormat.height()) : image.height();
    m_body += "{\\pict\\pngblip\\picw" + number(image.width()) + "\\pich" + number(image.height()) + "\\picwgoal"
              + number(width * kTwipsPerPixel) + "\\pichgoal" + number(height * kTwipsPerPixel) + "\n";
    const QByteArray hex = png.toHex();
    // Short lines: some readers choke on a single line of many kilobytes.
    for (qsizetype at = 0; at < hex.size(); at += 128)
        m_body += hex.mid(at, 128) + "\n";
    m_body += "}";
}

void RtfWriter::writeText(const QString &text)
{
    for (const QChar c : text) {
        if (c == QChar::LineSeparator) {
            m_body += "\\line ";
            continue;
        }
        if (c == QChar::ObjectReplacementCharacter)
            continue;
        const QByteArray byte = Cp1251::encode(QStringView(&c, 1));
        if (byte == "?" && c != u'?') {
            // Not in the code page: Unicode for readers that know it, "?" for others.
            m_body += "\\u" + number(qint16(c.unicode())) + "?";
            continue;
        }
        m_body += escapedByte(static_cast<unsigned char>(byte.at(0)));
    }
}

int RtfWriter::colorIndex(const QColor &color)
{
    const QColor opaque = color.toRgb();
    for (qsizetype i = 0; i < m_colors.size(); ++i) {
        if (m_colors[i].rgb() == opaque.rgb())
            return int(i + 1);
    }
    m_colors.append(opaque);
    return int(m_colors.size());
}

int RtfWriter::fontIndex(const QString &family)
{
    const qsizetype at = m_fonts.indexOf(family);
    if (at >= 0)
        return int(at);
    m_fonts.append(family);
    return int(m_fonts.size() - 1);
}
