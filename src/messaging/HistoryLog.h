#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <sys/types.h>

// The message history "Log.txt": code page 1251, CR LF, only ever appended to.
// An entry is a rule line, "[date time] from --> to", then the text with its
// own line breaks. Whatever a peer sends stays inside its entry: names lose
// their control characters, and a text line equal to the rule is indented.
//
// The file stays open between entries (a busy peer posts thousands a minute).
// Before each entry the path is looked up again: a file removed, replaced or
// given other permissions or owner since it was opened is opened again, so
// the entry lands where the path now leads, or fails as an open would.
// A new file is made readable by its owner only; one of ours that others
// could read is narrowed to its owner when it is opened. A file that ends
// mid-line (a process killed while writing an entry: the system may cut a
// write at a page) gets a line break before the next entry.
class HistoryLog
{
public:
    enum class Result { Written, CannotCreate, WriteFailed };

    explicit HistoryLog(QString path);
    ~HistoryLog();
    HistoryLog(const HistoryLog &) = delete;
    HistoryLog &operator=(const HistoryLog &) = delete;

    // One write call per entry on a file opened for appending, so entries
    // never interleave, even with another process appending to the same file.
    Result write(const QString &text, const QString &from, const QString &to,
                 const QDateTime &moment = QDateTime::currentDateTime()) const;

    // The rest of an entry that a crash cut short (HistoryTail::missingEnd), written where it was cut.
    Result complete(const QByteArray &rest) const;

    // Keeps the entry for one write with the ones after it (received messages
    // come in floods, and a write per entry costs more than the rest of
    // receiving one). write() and complete() write what is kept first, so the
    // file keeps the order of the calls.
    void writeLater(const QString &text, const QString &from, const QString &to, const QDateTime &moment) const;
    bool hasPending() const { return !m_pending.isEmpty(); }
    // Writes what is kept, in one write call; Written when nothing was kept.
    Result flush() const;

    static QByteArray entry(const QString &text, const QString &from, const QString &to, const QDateTime &moment);
    // An entry from the "] " after its date to its end: what one entry of the
    // same message by the same names has, whenever it was written.
    static QByteArray entryBody(const QString &text, const QString &from, const QString &to);

    const QString &path() const { return m_path; }
    // Where the file ends after the last entry written through this object
    // (its size when none was yet): the next entry starts there or later.
    qint64 end() const;

private:
    // What the open file was when opened: the path must still lead to it.
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;
        mode_t mode = 0;
        uid_t owner = 0;
        gid_t group = 0;
        bool operator==(const Identity &) const = default;
    };

    Result append(QByteArray bytes, bool continuing) const;
    bool stillOpen() const;
    void close() const;

    QString m_path;
    QByteArray m_encodedPath;
    mutable int m_fd = -1;
    mutable qint64 m_end = -1;
    mutable bool m_endsMidLine = false; // the file ends in an entry a crash cut short
    mutable Identity m_opened;
    mutable QByteArray m_pending;
};
