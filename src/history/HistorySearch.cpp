#include "HistorySearch.h"

#include "CaseFold1251.h"
#include "LogStamp.h"
#include "Cp1251.h"

#include <QFile>

#include <cstring>

namespace {

constexpr qint64 kBlockBytes = 4 * 1024 * 1024;

struct Filter
{
    std::vector<bool> contactIds; // empty: any contact
    qint64 fromStamp = LogEntry::kNoStamp;
    qint64 toStamp = LogEntry::kNoStamp; // exclusive

    bool accepts(const LogEntry &e) const
    {
        if (!contactIds.empty()) {
            const bool from = e.from < contactIds.size() && contactIds[e.from];
            const bool to = e.to < contactIds.size() && contactIds[e.to];
            if (!from && !to)
                return false;
        }
        if (fromStamp != LogEntry::kNoStamp && (e.stamp == LogEntry::kNoStamp || e.stamp < fromStamp))
            return false;
        if (toStamp != LogEntry::kNoStamp && (e.stamp == LogEntry::kNoStamp || e.stamp >= toStamp))
            return false;
        return true;
    }
};

} // namespace

QByteArray HistorySearch::needle(const QString &text)
{
    // A line break cannot be typed into the search and never matches across lines.
    const QString oneLine = QString(text).replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray bytes = Cp1251::encode(oneLine);
    if (Cp1251::decode(bytes) != oneLine)
        return QByteArray();
    return CaseFold1251::folded(bytes);
}

std::vector<quint32> HistorySearch::run(const QString &path, const HistorySnapshot &snapshot,
                                        const HistoryQuery &query, const std::atomic<bool> &cancelled)
{
    std::vector<quint32> found;
    const EntryTable &entries = snapshot.entries;

    Filter filter;
    if (!query.contact.isEmpty()) {
        filter.contactIds.assign(size_t(snapshot.names.size()), false);
        bool any = false;
        for (qsizetype i = 0; i < snapshot.names.size(); ++i) {
            if (Cp1251::decode(snapshot.names.at(i)) == query.contact) {
                filter.contactIds[size_t(i)] = true;
                any = true;
            }
        }
        if (!any)
            return found;
    }
    if (query.from.isValid())
        filter.fromStamp = LogStamp::dayStart(query.from);
    if (query.to.isValid())
        filter.toStamp = LogStamp::dayStart(query.to.addDays(1));

    if (query.text.isEmpty()) {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (filter.accepts(entries.at(i)))
                found.push_back(quint32(i));
        }
        return found;
    }
    const QByteArray word = needle(query.text);
    if (word.isEmpty())
        return found;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return found;
    QByteArray block;
    qsizetype i = 0;
    while (i < entries.size()) {
        if (cancelled.load(std::memory_order_relaxed))
            return {};
        // A block of whole entries, at least one.
        const qint64 blockStart = entries.at(i).start;
        qsizetype j = i + 1;
        while (j < entries.size() && entries.at(j).end - blockStart <= kBlockBytes)
            ++j;
        const qint64 blockEnd = qMin(entries.at(j - 1).end, blockStart + qMax(kBlockBytes, kMaxEntryBytes));
        block.resize(blockEnd - blockStart);
        if (!file.seek(blockStart))
            return found;
        const qint64 got = file.read(block.data(), block.size());
        if (got <= 0)
            break;
        CaseFold1251::fold(block.data(), got);
        for (qsizetype k = i; k < j; ++k) {
            const LogEntry &e = entries.at(k);
            if (!filter.accepts(e))
                continue;
            const qint64 from = e.start + e.headerOffset - blockStart;
            const qint64 to = qMin(e.end - blockStart, got);
            if (to - from < word.size())
                continue;
            if (memmem(block.constData() + from, size_t(to - from), word.constData(), size_t(word.size())))
                found.push_back(quint32(k));
        }
        i = j;
    }
    return found;
}
