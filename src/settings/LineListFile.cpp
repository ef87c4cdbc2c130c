#include "LineListFile.h"

#include "Cp1251.h"

#include <QFile>
#include <QSaveFile>

namespace LineListFile {

QStringList load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    const QByteArray content = file.readAll();
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(Cp1251::decode(line));
    }
    // The line break after the last entry does not start another one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString storedEntry(QString entry)
{
    for (QChar &c : entry) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return entry;
}

bool save(const QString &path, const QStringList &lines, QString *error)
{
    QSaveFile file(path);
    QByteArray content;
    for (const QString &line : lines)
        content += Cp1251::encode(storedEntry(line)) + "\r\n";
    // Unbuffered, so a short write (disk full) is seen here; commit() would
    // put a cut file in place.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(content) == content.size()
        && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace LineListFile
