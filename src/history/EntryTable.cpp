#include "EntryTable.h"

EntryTable::Segment &EntryTable::ownLast()
{
    std::shared_ptr<Segment> &last = m_segments.back();
    if (last.use_count() > 1)
        last = std::make_shared<Segment>(*last);
    return *last;
}

void EntryTable::append(const LogEntry &entry)
{
    if ((m_size & kMask) == 0) {
        m_segments.push_back(std::make_shared<Segment>());
        m_segments.back()->reserve(size_t(kMask + 1));
    }
    ownLast().push_back(entry);
    ++m_size;
}

void EntryTable::removeLast()
{
    if (m_size == 0)
        return;
    ownLast().pop_back();
    --m_size;
    if ((m_size & kMask) == 0)
        m_segments.pop_back();
}

qsizetype EntryTable::indexAfter(qint64 offset) const
{
    qsizetype low = 0;
    qsizetype high = m_size;
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (at(mid).end <= offset)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}
