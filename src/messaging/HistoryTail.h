#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

// The end of the history file as it is now, for a start after a crash: which
// of the messages the last run left unsettled have their entry already,
// written just before the run ended.
class HistoryTail
{
public:
    // More than a crash can leave unsettled; bounds what is read at a start.
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;

    // Reads `path` from `from` to its end (at most its last kMaxBytes).
    HistoryTail(const QString &path, qint64 from);

    // Finds a whole entry with this body (HistoryLog::entryBody) that starts
    // at `from` or later and no earlier take() found; each entry is found once.
    bool take(const QByteArray &body, qint64 from);
    // When the file ends in an entry with this body cut short (its write broke
    // off as the process was killed), starting at `from` or later: the bytes
    // that complete it (HistoryLog::complete); empty otherwise, and once it was given.
    QByteArray missingEnd(const QByteArray &body, qint64 from);

private:
    bool isEntry(qsizetype at, qsizetype bodySize) const;
    // Where the "[" of the header after a whole rule line is, the rule line
    // ending right before `at` - window .. `at`; -1 when there is none.
    qsizetype stampBefore(qsizetype at) const;

    qint64 m_start = 0;
    QByteArray m_bytes;
    QSet<qsizetype> m_taken;
    bool m_completed = false;
};
