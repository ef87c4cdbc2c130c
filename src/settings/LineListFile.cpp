#include "LineListFile.h"

#include "Cp1251.h"

#include <QFile>
#include <QSaveFile>

namespace LineListFile {

QStringList splitLines(const QByteArray &content)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(Cp1251::decode(content.mid(start, i - start)));
        if (c == '\r' && i + 1 < content.size() && content.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    // The line break after the last entry does not start another one.
    if (start < content.size())
        lines.append(Cp1251::decode(content.mid(start)));
    return lines;
}

QStringList load(const QString &path, ReadStatus *status)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (status)
            *status = file.exists() ? ReadStatus::Unreadable : ReadStatus::Missing;
        return {};
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (status)
            *status = ReadStatus::Unreadable;
        return {};
    }
    if (status)
        *status = ReadStatus::Read;
    return splitLines(content);
}

QStringList load(const QString &path)
{
    return load(path, nullptr);
}

QString storedEntry(QString entry)
{
    for (QChar &c : entry) {
        if (c == u'\r' || c == u'\n')
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
