#include "IniCache.h"

#include "IniFile.h"
#include "SettingKeys.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QSaveFile>

#include <cerrno>
#include <optional>

#include <sys/stat.h>
#include <time.h>

namespace {

// What tells one version of a file from another without reading it.
struct FileStamp
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileStamp &other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode && size == other.size
               && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec
               && changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

qint64 now()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return nanoseconds(t);
}

// nullopt when the file's state cannot be learned (a folder on the way refuses).
std::optional<FileStamp> stampOf(const QString &path)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return FileStamp{};
        return std::nullopt;
    }
    return FileStamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

// File times advance in clock ticks (up to 10 ms; whole seconds on some file
// systems), so a change within the same tick as the one read can keep every
// part of the stamp. A file stamped that recently is not trusted by its stamp.
bool stampIsSettled(const FileStamp &stamp, qint64 readAt)
{
    if (!stamp.exists)
        return true;
    const qint64 tick = stamp.modified.tv_nsec == 0 && stamp.changed.tv_nsec == 0 ? 2'000'000'000 : 50'000'000;
    return readAt - nanoseconds(stamp.modified) > tick && readAt - nanoseconds(stamp.changed) > tick;
}

struct Entry
{
    FileStamp stamp;
    bool settled = false;
    QByteArray bytes;
    std::shared_ptr<const IniDocument> document;
};

enum class Load { Ok, Unreadable };

class Cache
{
public:
    // The current entry for path; Unreadable when the file exists but cannot be read.
    Load current(const QString &path, Entry &out)
    {
        const qint64 readAt = now();
        const std::optional<FileStamp> stamp = stampOf(path);
        if (!stamp) {
            m_entries.remove(path);
            return Load::Unreadable;
        }
        auto found = m_entries.find(path);
        if (found != m_entries.end() && found->settled && found->stamp == *stamp) {
            out = *found;
            return Load::Ok;
        }

        Entry entry;
        entry.stamp = *stamp;
        if (stamp->exists) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                m_entries.remove(path);
                return Load::Unreadable;
            }
            entry.bytes = file.readAll();
            if (file.error() != QFileDevice::NoError) {
                m_entries.remove(path);
                return Load::Unreadable;
            }
        }
        // What was stamped may have changed while being read; the next use looks again.
        entry.settled = stampIsSettled(entry.stamp, readAt) && stampOf(path) == stamp;
        if (found != m_entries.end() && found->bytes == entry.bytes && found->document) {
            entry.document = found->document;
        } else {
            auto document = std::make_shared<IniDocument>(IniDocument::parse(entry.bytes));
            document->buildIndex();
            entry.document = std::move(document);
            ++m_parsed;
        }
        remember(path, entry);
        out = std::move(entry);
        return Load::Ok;
    }

    void stored(const QString &path, QByteArray bytes, IniDocument document)
    {
        const qint64 writtenAt = now();
        const std::optional<FileStamp> stamp = stampOf(path);
        if (!stamp || !stamp->exists) {
            m_entries.remove(path);
            return;
        }
        document.buildIndex();
        Entry entry;
        entry.stamp = *stamp;
        entry.settled = stampIsSettled(*stamp, writtenAt);
        entry.bytes = std::move(bytes);
        entry.document = std::make_shared<const IniDocument>(std::move(document));
        remember(path, entry);
    }

    void forget(const QString &path) { m_entries.remove(path); }
    void clear() { m_entries.clear(); }
    quint64 parsed() const { return m_parsed; }

private:
    void remember(const QString &path, const Entry &entry)
    {
        // A process uses a handful of settings files; tests may use many.
        if (m_entries.size() >= 64 && !m_entries.contains(path))
            m_entries.clear();
        m_entries.insert(path, entry);
    }

    QHash<QString, Entry> m_entries;
    quint64 m_parsed = 0;
};

// Settings are used from the GUI thread; the lock only keeps a stray use from
// another thread safe, and costs nothing uncontended.
QMutex g_lock;

Cache &cache()
{
    static Cache instance;
    return instance;
}

bool holdsSecret(const IniDocument &document)
{
    const auto pass = document.value(SettingKeys::kSmtp, SettingKeys::kSmtpPass);
    return pass && !pass->isEmpty();
}

const std::shared_ptr<const IniDocument> &emptyDocument()
{
    static const auto empty = std::make_shared<const IniDocument>();
    return empty;
}

} // namespace

namespace IniCache {

std::shared_ptr<const IniDocument> read(const QString &path)
{
    QMutexLocker lock(&g_lock);
    Entry entry;
    if (cache().current(path, entry) != Load::Ok || !entry.document)
        return emptyDocument();
    return entry.document;
}

void update(const QString &path, const std::function<bool(IniDocument &)> &change)
{
    QMutexLocker lock(&g_lock);
    Entry entry;
    // Unlike a read, a write must not take an unreadable file for an empty one:
    // saving that would wipe every other setting.
    if (cache().current(path, entry) != Load::Ok)
        throw IniWriteError(path);
    IniDocument document = entry.document ? *entry.document : IniDocument();
    if (!change(document))
        return;

    const QByteArray bytes = document.toBytes();
    // QSaveFile refuses a read-only file itself, as writing in place would.
    // Unbuffered, a short write (disk full, file size limit) shows in write()'s
    // count; through the buffer, commit() would take it for success and put a
    // cut file in place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        cache().forget(path);
        throw IniWriteError(path);
    }
    // A new file that holds the mail password is the owner's alone; an existing
    // file keeps the mode its owner gave it (QSaveFile carries it over).
    if (!entry.stamp.exists && holdsSecret(document)
        && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        cache().forget(path);
        throw IniWriteError(path);
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        cache().forget(path);
        throw IniWriteError(path);
    }
    cache().stored(path, bytes, std::move(document));
}

void clear()
{
    QMutexLocker lock(&g_lock);
    cache().clear();
}

quint64 parseCount()
{
    QMutexLocker lock(&g_lock);
    return cache().parsed();
}

} // namespace IniCache
