#include "FolderArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace {

constexpr qint64 kChunk = 65536;

struct ArchiveDeleter
{
    void operator()(archive *a) const { archive_write_free(a); }
};
struct EntryDeleter
{
    void operator()(archive_entry *e) const { archive_entry_free(e); }
};
using Archive = std::unique_ptr<archive, ArchiveDeleter>;
using Entry = std::unique_ptr<archive_entry, EntryDeleter>;

// Sorted, so that the same folder gives the same archive.
QFileInfoList entriesOf(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                      QDir::Name | QDir::DirsFirst);
}

class Writer
{
public:
    Writer(const std::atomic<bool> *cancel, QString *error)
        : m_cancel(cancel)
        , m_error(error)
        , m_buffer(kChunk, Qt::Uninitialized)
    {
    }

    bool open(const QString &target)
    {
        m_archive.reset(archive_write_new());
        if (!m_archive)
            return fail(QStringLiteral("no memory for the archive"));
        // Stored: the archive is built at disk speed and its size is the content's plus headers.
        if (archive_write_set_format_zip(m_archive.get()) != ARCHIVE_OK
            || archive_write_set_options(m_archive.get(), "zip:compression=store,zip:hdrcharset=UTF-8") != ARCHIVE_OK
            || archive_write_open_filename(m_archive.get(), QFile::encodeName(target).constData()) != ARCHIVE_OK)
            return failArchive(target);
        return true;
    }

    bool addFolder(const QString &path, const QString &entryName)
    {
        if (!addEntry(QFileInfo(path), entryName + u'/'))
            return false;
        const QFileInfoList entries = entriesOf(path);
        for (const QFileInfo &info : entries) {
            if (cancelled())
                return false;
            if (info.isSymLink())
                continue;
            const QString name = entryName + u'/' + info.fileName();
            if (info.isDir()) {
                if (!addFolder(info.filePath(), name))
                    return false;
            } else if (info.isFile()) {
                if (!addFile(info, name))
                    return false;
            } // devices, sockets and pipes have no content to carry
        }
        return true;
    }

    bool close()
    {
        if (archive_write_close(m_archive.get()) != ARCHIVE_OK)
            return failArchive(QString());
        return true;
    }

private:
    bool addEntry(const QFileInfo &info, const QString &name, qint64 size = -1)
    {
        Entry entry(archive_entry_new());
        archive_entry_set_pathname_utf8(entry.get(), name.toUtf8().constData());
        archive_entry_set_filetype(entry.get(), size < 0 ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(entry.get(), size < 0 ? 0755 : 0644);
        archive_entry_set_size(entry.get(), size < 0 ? 0 : size);
        const QDateTime modified = info.lastModified();
        if (modified.isValid())
            archive_entry_set_mtime(entry.get(), modified.toSecsSinceEpoch(), 0);
        if (archive_write_header(m_archive.get(), entry.get()) != ARCHIVE_OK)
            return failArchive(info.filePath());
        return true;
    }

    bool addFile(const QFileInfo &info, const QString &name)
    {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return fail(QStringLiteral("%1: %2").arg(info.filePath(), file.errorString()));
        const qint64 size = file.size();
        if (!addEntry(info, name, size))
            return false;
        qint64 left = size;
        while (left > 0) {
            if (cancelled())
                return false;
            const qint64 got = file.read(m_buffer.data(), qMin(left, kChunk));
            if (got <= 0) {
                // A file that shrank while packed: its entry would be short.
                return fail(QStringLiteral("%1: %2").arg(info.filePath(),
                                                         got < 0 ? file.errorString() : QStringLiteral("changed while packed")));
            }
            if (archive_write_data(m_archive.get(), m_buffer.constData(), size_t(got)) != got)
                return failArchive(info.filePath());
            left -= got;
        }
        return true;
    }

    bool cancelled()
    {
        if (!m_cancel || !m_cancel->load(std::memory_order_relaxed))
            return false;
        fail(QStringLiteral("cancelled"));
        return true;
    }

    bool fail(const QString &error)
    {
        if (m_error && m_error->isEmpty())
            *m_error = error;
        return false;
    }

    bool failArchive(const QString &where)
    {
        const char *text = archive_error_string(m_archive.get());
        const QString reason = text ? QString::fromLocal8Bit(text) : QStringLiteral("archive error");
        return fail(where.isEmpty() ? reason : QStringLiteral("%1: %2").arg(where, reason));
    }

    const std::atomic<bool> *m_cancel;
    QString *m_error;
    QByteArray m_buffer;
    Archive m_archive;
};

qint64 sizeUnder(const QString &folder, QString *error, const std::atomic<bool> *cancel)
{
    if (cancel && cancel->load(std::memory_order_relaxed)) {
        *error = QStringLiteral("cancelled");
        return -1;
    }
    const QFileInfo here(folder);
    if (!here.isDir() || !here.isReadable() || !here.isExecutable()) {
        *error = QStringLiteral("%1: cannot be read").arg(folder);
        return -1;
    }
    qint64 total = 0;
    for (const QFileInfo &info : entriesOf(folder)) {
        if (info.isSymLink())
            continue;
        if (info.isDir()) {
            const qint64 inner = sizeUnder(info.filePath(), error, cancel);
            if (inner < 0)
                return -1;
            total += inner;
        } else if (info.isFile()) {
            total += info.size();
        }
    }
    return total;
}

} // namespace

QString FolderArchive::archiveName(const QString &folder)
{
    const QString name = QFileInfo(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())).fileName();
    return (name.isEmpty() ? QStringLiteral("folder") : name) + QStringLiteral(".zip");
}

qint64 FolderArchive::contentSize(const QString &folder, QString *error, const std::atomic<bool> *cancel)
{
    return sizeUnder(folder, error, cancel);
}

bool FolderArchive::write(const QString &folder, const QString &target, const std::atomic<bool> *cancel,
                          QString *error)
{
    QString ignored;
    QString *reason = error ? error : &ignored;
    reason->clear();
    const QFileInfo root(folder);
    if (!root.isDir()) {
        *reason = QStringLiteral("%1: not a folder").arg(folder);
        return false;
    }
    QString entryName = archiveName(folder);
    entryName.chop(4); // ".zip"
    bool ok = false;
    {
        Writer writer(cancel, reason);
        ok = writer.open(target) && writer.addFolder(folder, entryName) && writer.close();
    } // the archive is released before a broken one is removed
    if (!ok)
        QFile::remove(target);
    return ok;
}
