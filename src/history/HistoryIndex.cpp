#include "HistoryIndex.h"

#include "LogIndexer.h"

#include <QFileInfo>

HistoryIndex::HistoryIndex(QString path, QObject *parent)
    : QObject(parent)
    , m_path(std::move(path))
    , m_reader(m_path)
{
    qRegisterMetaType<HistorySnapshot>();
    qRegisterMetaType<HistoryQuery>();
    m_searchPool.setMaxThreadCount(1);
    m_indexer = new LogIndexer(m_path, m_stopping);
    m_indexer->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_indexer, &QObject::deleteLater);
    connect(m_indexer, &LogIndexer::indexed, this, &HistoryIndex::onIndexed);
    connect(m_indexer, &LogIndexer::progress, this, &HistoryIndex::progress);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &HistoryIndex::checkForChanges);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &HistoryIndex::checkForChanges);
    // Change notices can be missing (network folders, no inotify): a slow look as well.
    m_poll.setInterval(2000);
    connect(&m_poll, &QTimer::timeout, this, &HistoryIndex::checkForChanges);
    m_thread.start();
}

HistoryIndex::~HistoryIndex()
{
    m_stopping = true;
    if (m_searchCancelled)
        *m_searchCancelled = true;
    m_thread.quit();
    m_thread.wait();
    m_searchPool.waitForDone();
}

void HistoryIndex::start()
{
    QMetaObject::invokeMethod(m_indexer, &LogIndexer::indexAll, Qt::QueuedConnection);
    watch();
    m_poll.start();
}

void HistoryIndex::watch()
{
    // The folder too: the file may not exist yet, or be replaced.
    const QFileInfo info(m_path);
    if (!m_watcher.directories().contains(info.absolutePath()))
        m_watcher.addPath(info.absolutePath());
    if (info.exists() && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
}

void HistoryIndex::checkForChanges()
{
    watch();
    QMetaObject::invokeMethod(m_indexer, &LogIndexer::update, Qt::QueuedConnection);
}

void HistoryIndex::onIndexed(const HistorySnapshot &snapshot)
{
    // The file may have been replaced: rows are read from the one just indexed.
    m_reader.reopen();
    m_snapshot = snapshot;
    Q_EMIT changed();
    if (!m_query.isEmpty())
        search(m_query);
}

void HistoryIndex::search(const HistoryQuery &query)
{
    m_query = query;
    if (m_searchCancelled)
        *m_searchCancelled = true;
    if (query.isEmpty())
        return;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_searchCancelled = cancelled;
    const HistorySnapshot snapshot = m_snapshot;
    const QString path = m_path;
    m_searchPool.start([this, cancelled, snapshot, path, query] {
        const std::vector<quint32> found = HistorySearch::run(path, snapshot, query, *cancelled);
        if (*cancelled)
            return;
        QList<quint32> rows(found.begin(), found.end());
        // Delivered on the GUI thread; dropped if a newer query came meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, cancelled, query, rows = std::move(rows), snapshot] {
                if (!*cancelled)
                    Q_EMIT searched(query, rows, snapshot);
            },
            Qt::QueuedConnection);
    });
}
