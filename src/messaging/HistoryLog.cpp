#include "HistoryLog.h"

#include "Cp1251.h"
#include "SystemFormats.h"

#include <QFile>

HistoryLog::HistoryLog(QString path)
    : m_path(std::move(path))
{
}

QByteArray HistoryLog::entry(const QString &text, const QString &from, const QString &to, const QDateTime &moment)
{
    const QString header = u'[' + SystemFormats::dateTime(moment) + QStringLiteral("] ") + from
                           + QStringLiteral(" --> ") + to;
    return QByteArray("//") + QByteArray(69, '-') + "\r\n" + Cp1251::encode(header) + "\r\n"
           + Cp1251::encode(text) + "\r\n";
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
