#pragma once

#include <QtGlobal>

#include <limits>

// Where one entry of "Log.txt" lies in the file. An entry is the rule line,
// the header "[date time] from --> to" and its text up to the next rule line
// that is followed by a header. Bytes that fit no entry (text before the first
// rule, a rule without a header at the start) form an entry without a header,
// shown as plain text. 40 bytes: a million entries stay well under 100 MiB.
struct LogEntry
{
    static constexpr quint32 kNoName = std::numeric_limits<quint32>::max();
    static constexpr qint64 kNoStamp = std::numeric_limits<qint64>::min();

    qint64 start = 0;
    qint64 end = 0;            // one past the last byte, line break included
    quint32 headerOffset = 0;  // from start; equals textOffset without a header
    quint32 textOffset = 0;
    quint32 from = kNoName;    // ids into the index's name list
    quint32 to = kNoName;
    qint64 stamp = kNoStamp;   // local date and time: julian day * 86400 + seconds

    bool hasHeader() const { return from != kNoName; }
};
