#include "LogIndexer.h"

#include <QFile>

#include <sys/stat.h>

namespace {
constexpr qint64 kReadBytes = 4 * 1024 * 1024;
} // namespace

LogIndexer::LogIndexer(QString path, std::atomic<bool> &stopping)
    : m_path(std::move(path))
    , m_stopping(stopping)
{
}

bool LogIndexer::readFrom(qint64 offset, qint64 end, LogScanner &scanner, bool reportProgress)
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return false;
    QByteArray buffer(kReadBytes, Qt::Uninitialized);
    int lastPercent = -1;
    qint64 at = offset;
    while (at < end) {
        if (m_stopping.load(std::memory_order_relaxed))
            return false;
        const qint64 got = file.read(buffer.data(), qMin(kReadBytes, end - at));
        if (got <= 0)
            break;
        scanner.feed(QByteArrayView(buffer.constData(), got));
        at += got;
        if (reportProgress) {
            const int percent = int(at * 100 / qMax<qint64>(end, 1));
            if (percent != lastPercent)
                Q_EMIT progress(percent);
            lastPercent = percent;
        }
    }
    scanner.finish();
    return true;
}

void LogIndexer::publish(bool complete)
{
    m_complete = complete;
    Q_EMIT indexed(HistorySnapshot{m_entries, m_names.names(), m_size, complete});
}

void LogIndexer::indexAll()
{
    m_entries = {};
    m_names = {};
    m_stamps = LogStamp();
    m_size = 0;
    struct stat info{};
    if (::stat(QFile::encodeName(m_path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        m_identity = {};
        publish(true);
        return;
    }
    m_identity = {info.st_dev, info.st_ino};
    const qint64 size = info.st_size;

    if (size > kTailBytes) {
        // The newest entries first, with their own tables: the full pass
        // below replaces them. The first, cut entry of the tail is left out.
        EntryTable tail;
        NameTable names;
        LogStamp stamps;
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly) && file.seek(size - kTailBytes)) {
            const QByteArray bytes = file.read(kTailBytes);
            const qsizetype lf = bytes.indexOf('\n');
            if (lf >= 0) {
                LogScanner scanner(tail, names, stamps, size - kTailBytes + lf + 1);
                scanner.feed(QByteArrayView(bytes).sliced(lf + 1));
                scanner.finish();
            }
        }
        EntryTable shown;
        for (qsizetype i = 0; i < tail.size(); ++i) {
            if (i > 0 || tail.at(i).hasHeader())
                shown.append(tail.at(i));
        }
        Q_EMIT indexed(HistorySnapshot{shown, names.names(), size, false});
    }

    LogScanner scanner(m_entries, m_names, m_stamps, 0);
    if (!readFrom(0, size, scanner, true))
        return;
    m_size = scanner.offset();
    publish(true);
}

void LogIndexer::update()
{
    if (!m_complete)
        return; // the full pass is still to come or running
    struct stat info{};
    if (::stat(QFile::encodeName(m_path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        if (m_size != 0 || !m_entries.isEmpty())
            indexAll();
        return;
    }
    const Identity now{info.st_dev, info.st_ino};
    if (now != m_identity || info.st_size < m_size) {
        indexAll();
        return;
    }
    if (info.st_size == m_size)
        return;
    // The last entry may go on in the new bytes: it is read again with them.
    qint64 from = 0;
    if (!m_entries.isEmpty()) {
        from = m_entries.last().start;
        m_entries.removeLast();
    }
    LogScanner scanner(m_entries, m_names, m_stamps, from);
    if (!readFrom(from, info.st_size, scanner, false))
        return;
    m_size = scanner.offset();
    publish(true);
}
