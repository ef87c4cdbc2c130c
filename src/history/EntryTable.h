#pragma once

#include "LogEntry.h"

#include <memory>
#include <vector>

// The entries of the history in file order, in segments shared between
// copies: a copy for a search or the window costs a few pointers, and adding
// an entry copies at most the one segment someone else still holds.
class EntryTable
{
public:
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    const LogEntry &at(qsizetype i) const { return (*m_segments[size_t(i >> kShift)])[size_t(i & kMask)]; }
    const LogEntry &last() const { return at(m_size - 1); }

    void append(const LogEntry &entry);
    void removeLast();
    // The first entry whose bytes reach past offset, or size().
    qsizetype indexAfter(qint64 offset) const;

private:
    static constexpr int kShift = 16;
    static constexpr qsizetype kMask = (qsizetype(1) << kShift) - 1;
    using Segment = std::vector<LogEntry>;

    Segment &ownLast();

    std::vector<std::shared_ptr<Segment>> m_segments;
    qsizetype m_size = 0;
};
