#pragma once

#include "HistorySearch.h"

#include <QFile>
#include <QString>

// One entry as the user reads it, decoded from code page 1251.
struct HistoryRecord
{
    QString dateTime;
    QString from;
    QString to;
    QString text;     // line breaks as "\n", NUL bytes shown as U+2400
    bool hasHeader = false;
    qint64 stamp = LogEntry::kNoStamp;

    // The entry as the file holds it, for copying.
    QString asLogText() const;
};

// Reads entries on demand, at most kMaxTextBytes of each text: the window
// reads only the rows it shows.
class HistoryReader
{
public:
    static constexpr qint64 kMaxTextBytes = 1024 * 1024;

    explicit HistoryReader(QString path);
    HistoryRecord read(const HistorySnapshot &snapshot, qsizetype index);
    // The file was replaced: read the new one from now on.
    void reopen();

private:
    QString m_path;
    QFile m_file;
};
