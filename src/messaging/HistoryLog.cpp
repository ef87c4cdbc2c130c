#include "HistoryLog.h"

#include "Cp1251.h"
#include "SystemFormats.h"

#include <QFile>

HistoryLog::HistoryLog(QString path)
    : m_path(std::move(path))
{
}

namespace {

const QByteArray kRule = QByteArray("//") + QByteArray(69, '-');

// The header is one line: a name with a line break would start a forged entry.
QString headerName(QString name)
{
    for (QChar &c : name) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return name;
}

// Peers' line breaks stay (Windows texts are multi-line), but a line that is
// the rule would start an entry of its own, so it is pushed off by a blank.
// NUL is a blank too: readers of the file stop at it.
QByteArray entryText(const QString &text)
{
    QByteArray bytes = Cp1251::encode(text);
    bytes.replace('\0', ' ');
    if (!bytes.contains(kRule))
        return bytes;
    QByteArray written;
    written.reserve(bytes.size() + 1);
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        if (line == kRule)
            written += ' ';
        written += line;
        qsizetype stop = end;
        if (stop < bytes.size())
            stop += QByteArrayView(bytes).sliced(stop).startsWith("\r\n") ? 2 : 1;
        written += QByteArrayView(bytes).sliced(end, stop - end);
        if (stop == bytes.size() && stop == end)
            break;
        start = stop;
    }
    return written;
}

} // namespace

QByteArray HistoryLog::entry(const QString &text, const QString &from, const QString &to, const QDateTime &moment)
{
    const QString header = u'[' + SystemFormats::dateTime(moment) + QStringLiteral("] ") + headerName(from)
                           + QStringLiteral(" --> ") + headerName(to);
    return kRule + "\r\n" + Cp1251::encode(header) + "\r\n" + entryText(text) + "\r\n";
}

HistoryLog::Result HistoryLog::write(const QString &text, const QString &from, const QString &to,
                                     const QDateTime &moment) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return Result::CannotCreate;
    const QByteArray bytes = entry(text, from, to, moment);
    if (file.write(bytes) != bytes.size())
        return Result::WriteFailed;
    return Result::Written;
}
