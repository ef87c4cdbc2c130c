#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The message history "Log.txt": code page 1251, CR LF, only ever appended to.
// An entry is a rule line, "[date time] from --> to", then the text with its
// own line breaks. Whatever a peer sends stays inside its entry: names lose
// their control characters, and a text line equal to the rule is indented.
class HistoryLog
{
public:
    enum class Result { Written, CannotCreate, WriteFailed };

    explicit HistoryLog(QString path);

    // One write call per entry on a file opened for appending, so entries
    // never interleave, even with another process appending to the same file.
    Result write(const QString &text, const QString &from, const QString &to,
                 const QDateTime &moment = QDateTime::currentDateTime()) const;

    static QByteArray entry(const QString &text, const QString &from, const QString &to, const QDateTime &moment);

private:
    QString m_path;
};
