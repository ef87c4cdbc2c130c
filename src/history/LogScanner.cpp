#include "LogScanner.h"

#include "LogHeader.h"

#include <cstring>

namespace {
// Longer headers are not headers: names and dates are short.
constexpr qsizetype kHeadBytes = 4096;
} // namespace

quint32 NameTable::id(QByteArrayView name)
{
    // Few people write to one another: the names seen last answer most lookups.
    for (size_t i = 0; i < m_recentCount; ++i) {
        if (QByteArrayView(m_recent[i].first) == name)
            return m_recent[i].second;
    }
    const QByteArray key = name.toByteArray();
    auto it = m_ids.constFind(key);
    quint32 id = 0;
    if (it != m_ids.constEnd()) {
        id = it.value();
    } else {
        id = quint32(m_names.size());
        m_ids.insert(key, id);
        m_names.append(key);
    }
    m_recent[m_nextRecent] = {key, id};
    m_nextRecent = (m_nextRecent + 1) % m_recent.size();
    m_recentCount = qMax(m_recentCount, m_nextRecent == 0 ? m_recent.size() : m_nextRecent);
    return id;
}

LogScanner::LogScanner(EntryTable &entries, NameTable &names, LogStamp &stamps, qint64 offset)
    : m_entries(entries)
    , m_names(names)
    , m_stamps(stamps)
    , m_offset(offset)
    , m_lineStart(offset)
{
}

void LogScanner::feed(QByteArrayView bytes)
{
    const char *data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype pos = 0;
    while (pos < size) {
        const void *lf = std::memchr(data + pos, '\n', size_t(size - pos));
        const qsizetype stop = lf ? static_cast<const char *>(lf) - data : size;
        if (!lf) {
            // The line goes on in the next bytes: its head waits here.
            if (m_lineHead.size() <= kHeadBytes)
                m_lineHead.append(data + pos, qMin(stop - pos, kHeadBytes + 1 - m_lineHead.size()));
            m_offset += size - pos;
            return;
        }
        m_offset += stop + 1 - pos;
        QByteArrayView line;
        if (m_lineHead.isEmpty()) {
            line = QByteArrayView(data + pos, qMin(stop - pos, kHeadBytes + 1));
        } else {
            if (m_lineHead.size() <= kHeadBytes)
                m_lineHead.append(data + pos, qMin(stop - pos, kHeadBytes + 1 - m_lineHead.size()));
            line = QByteArrayView(m_lineHead);
        }
        if (line.endsWith('\r'))
            line.chop(1);
        onLine(m_lineStart, m_offset, line);
        m_lineStart = m_offset;
        m_lineHead.resize(0);
        pos = stop + 1;
    }
}

void LogScanner::finish()
{
    if (m_offset > m_lineStart) {
        QByteArrayView line(m_lineHead);
        if (line.endsWith('\r'))
            line.chop(1);
        onLine(m_lineStart, m_offset, line);
        m_lineStart = m_offset;
        m_lineHead.clear();
    }
    if (m_pendingRule) {
        extend(m_pendingRule->start, m_pendingRule->end);
        m_pendingRule.reset();
    }
    close();
}

void LogScanner::extend(qint64 start, qint64 end)
{
    if (!m_current) {
        LogEntry loose;
        loose.start = start;
        m_current = loose;
    }
    m_current->end = end;
}

void LogScanner::close()
{
    if (m_current)
        m_entries.append(*m_current);
    m_current.reset();
}

void LogScanner::onLine(qint64 start, qint64 end, QByteArrayView line)
{
    if (m_pendingRule) {
        const Rule rule = *m_pendingRule;
        m_pendingRule.reset();
        if (line.size() <= kHeadBytes) {
            if (const auto header = LogHeader::parse(line)) {
                close();
                LogEntry entry;
                entry.start = rule.start;
                entry.end = end;
                entry.headerOffset = quint32(start - rule.start);
                entry.textOffset = quint32(end - rule.start);
                entry.from = m_names.id(header->from);
                entry.to = m_names.id(header->to);
                entry.stamp = m_stamps.parse(header->dateTime);
                m_current = entry;
                return;
            }
        }
        extend(rule.start, rule.end);
    }
    if (LogHeader::isRule(line)) {
        m_pendingRule = Rule{start, end};
        return;
    }
    extend(start, end);
}
