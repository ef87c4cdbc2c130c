#pragma once

#include "HistorySearch.h"
#include "LogScanner.h"

#include <QObject>
#include <QString>

#include <atomic>

#include <sys/types.h>

// Indexes "Log.txt" on its own thread, streaming the file in blocks: first
// the newest entries from its tail, so they show at once, then the whole
// file, then only what was appended. A file replaced or cut short is indexed
// again from the start. Never writes the file.
class LogIndexer : public QObject
{
    Q_OBJECT

public:
    explicit LogIndexer(QString path, std::atomic<bool> &stopping);

    static constexpr qint64 kTailBytes = 256 * 1024;

public Q_SLOTS:
    void indexAll();
    // The file may have changed: index what was added, or all of it again.
    void update();

Q_SIGNALS:
    void indexed(const HistorySnapshot &snapshot);
    void progress(int percent);

private:
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const Identity &) const = default;
    };
    bool readFrom(qint64 offset, qint64 end, LogScanner &scanner, bool reportProgress);
    void publish(bool complete);

    QString m_path;
    std::atomic<bool> &m_stopping;
    EntryTable m_entries;
    NameTable m_names;
    LogStamp m_stamps;
    qint64 m_size = 0;
    Identity m_identity;
    bool m_complete = false;
};
