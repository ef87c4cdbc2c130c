#pragma once

#include "EntryTable.h"
#include "LogStamp.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <array>
#include <optional>

// The names that occur in headers, each stored once; entries hold their ids.
class NameTable
{
public:
    quint32 id(QByteArrayView name);
    const QList<QByteArray> &names() const { return m_names; }

private:
    QHash<QByteArray, quint32> m_ids;
    QList<QByteArray> m_names;
    std::array<std::pair<QByteArray, quint32>, 8> m_recent{};
    size_t m_nextRecent = 0;
    size_t m_recentCount = 0;
};

// Splits bytes of "Log.txt" into entries, fed in chunks of any size. Pure:
// no file access. A rule line counts as the start of an entry only when a
// header follows it; otherwise it is text of the entry before, so a forged
// or broken separator never hides its neighbours. Lines end at LF; a CR
// before it belongs to the line break.
class LogScanner
{
public:
    LogScanner(EntryTable &entries, NameTable &names, LogStamp &stamps, qint64 offset = 0);

    void feed(QByteArrayView bytes);
    // End of the bytes: what is pending becomes an entry.
    void finish();
    qint64 offset() const { return m_offset; }

private:
    void onLine(qint64 start, qint64 end, QByteArrayView line);
    void extend(qint64 start, qint64 end);
    void close();

    EntryTable &m_entries;
    NameTable &m_names;
    LogStamp &m_stamps;
    qint64 m_offset;

    // The line being read across chunks: its start and its first bytes (a
    // rule or header is short; a long line is only counted).
    qint64 m_lineStart;
    QByteArray m_lineHead;

    std::optional<LogEntry> m_current;
    struct Rule { qint64 start; qint64 end; };
    std::optional<Rule> m_pendingRule;
};
