#pragma once

#include "EntryTable.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <atomic>
#include <vector>

// What the user asks of the history: words, a contact, a range of days. An
// empty part does not filter.
struct HistoryQuery
{
    QString text;
    QString contact;
    QDate from;
    QDate to;

    bool isEmpty() const { return text.isEmpty() && contact.isEmpty() && !from.isValid() && !to.isValid(); }
    bool operator==(const HistoryQuery &) const = default;
};

// The indexed entries and the names their ids point at.
struct HistorySnapshot
{
    EntryTable entries;
    QList<QByteArray> names;
    qint64 size = 0;       // bytes of the file indexed
    bool complete = false; // false while only the newest entries are known
};

// Finds the entries that answer a query, reading the file in blocks (never
// all of it at once), folding each block's case with the code page 1251
// table and matching the folded words. Text is searched from the header on,
// so names match too. Entries longer than kMaxEntryBytes are searched in
// their first kMaxEntryBytes.
namespace HistorySearch {

constexpr qint64 kMaxEntryBytes = 64 * 1024 * 1024;

// Indexes into the snapshot's entries, ascending. Empty when cancelled.
std::vector<quint32> run(const QString &path, const HistorySnapshot &snapshot, const HistoryQuery &query,
                         const std::atomic<bool> &cancelled);

// The query text as the folded bytes it is matched as; null when code page
// 1251 cannot write it, so no entry can hold it.
QByteArray needle(const QString &text);

} // namespace HistorySearch
