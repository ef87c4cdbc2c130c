#include "IncomingSave.h"

#include "Cp1251.h"
#include "IncomingText.h"
#include "RtfWriter.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QWidget>

namespace IncomingSave {

Format formatFor(const QString &path)
{
    return QFileInfo(path).suffix().compare(u"txt", Qt::CaseInsensitive) == 0 ? Format::PlainText : Format::RichText;
}

QByteArray plainText(const QTextDocument &document)
{
    QString text = IncomingText::between(document, 0, document.characterCount() - 1);
    // Every line ends with a line break; the empty block after the last one is no line of its own.
    if (document.lastBlock().length() > 1)
        text += u'\n';
    text.replace(u'\n', QStringLiteral("\r\n"));
    return Cp1251::encode(text);
}

QTextCharFormat lookOf(const QWidget &view)
{
    QTextCharFormat look;
    look.setFont(view.font());
    look.setForeground(view.palette().color(QPalette::Text));
    if (const QColor back = view.palette().color(QPalette::Base); back.rgb() != qRgb(255, 255, 255))
        look.setBackground(back);
    return look;
}

QByteArray content(const QTextDocument &document, Format format, const QTextCharFormat &look)
{
    return format == Format::PlainText ? plainText(document) : RtfWriter(document, look).write();
}

bool save(const QTextDocument &document, const QString &path, QString *error, const QTextCharFormat &look)
{
    const QByteArray bytes = content(document, formatFor(path), look);
    QSaveFile file(path);
    // Through a temporary file: a failed save leaves an older file whole.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace IncomingSave
