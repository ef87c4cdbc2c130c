#include "IncomingSave.h"

#include "Cp1251.h"
#include "IncomingView.h"
#include "RtfWriter.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace IncomingSave {

Format formatFor(const QString &path)
{
    return QFileInfo(path).suffix().compare(u"txt", Qt::CaseInsensitive) == 0 ? Format::PlainText : Format::RichText;
}

QByteArray plainText(const QTextDocument &document)
{
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        // The empty block after the last line break is no line of its own.
        if (!block.next().isValid() && block.length() <= 1)
            break;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat()) {
                text += fragment.text();
                continue;
            }
            const QString code = format.stringProperty(IncomingView::kPictureTextProperty);
            for (int i = 0; i < fragment.length(); ++i)
                text += code;
        }
        text += u"\r\n";
    }
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return Cp1251::encode(text);
}

QByteArray content(const QTextDocument &document, Format format)
{
    return format == Format::PlainText ? plainText(document) : RtfWriter(document).write();
}

bool save(const QTextDocument &document, const QString &path, QString *error)
{
    const QByteArray bytes = content(document, formatFor(path));
    QSaveFile file(path);
    // Through a temporary file: a failed save leaves an older file whole.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace IncomingSave
