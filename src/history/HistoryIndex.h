#pragma once

#include "HistoryRecord.h"
#include "HistorySearch.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <memory>

class LogIndexer;

// The history "Log.txt" for a window: indexes it off the GUI thread, follows
// what is appended while it is open, and answers queries on a worker thread.
// Each answer comes with the entries it was computed on, so rows stay right
// while the index moves on. Only ever reads the file.
class HistoryIndex : public QObject
{
    Q_OBJECT

public:
    explicit HistoryIndex(QString path, QObject *parent = nullptr);
    ~HistoryIndex() override;

    const QString &path() const { return m_path; }
    void start();
    const HistorySnapshot &snapshot() const { return m_snapshot; }
    HistoryRecord read(const HistorySnapshot &snapshot, qsizetype index) { return m_reader.read(snapshot, index); }

    // A newer query cancels the one still running; answered by searched().
    void search(const HistoryQuery &query);
    const HistoryQuery &query() const { return m_query; }
    // Looks at the file now rather than at the next change notice.
    void checkForChanges();

Q_SIGNALS:
    void changed();
    void progress(int percent);
    void searched(const HistoryQuery &query, const QList<quint32> &rows, const HistorySnapshot &snapshot);

private:
    void onIndexed(const HistorySnapshot &snapshot);
    void watch();

    QString m_path;
    HistorySnapshot m_snapshot;
    HistoryReader m_reader;
    HistoryQuery m_query;
    std::atomic<bool> m_stopping{false};
    QThread m_thread;
    LogIndexer *m_indexer = nullptr;
    QThreadPool m_searchPool;
    std::shared_ptr<std::atomic<bool>> m_searchCancelled;
    QFileSystemWatcher m_watcher;
    QTimer m_poll;
};
