#include "SpoolFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral(".zavolin-");
const QString kSuffix = QStringLiteral(".part");

bool lockNow(int fd)
{
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

// The open file still is the one the name leads to: a cleaner in another
// process may have removed the name between our open and our lock.
bool nameStillLeadsTo(int fd, const QString &path)
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0
           && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

namespace SpoolFile {

bool isName(const QString &fileName)
{
    return fileName.startsWith(kPrefix) && fileName.endsWith(kSuffix);
}

std::unique_ptr<QFile> create(const QString &folder, QString *error)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString name = kPrefix + QString::number(QRandomGenerator::global()->generate64(), 16) + kSuffix;
        auto file = std::make_unique<QFile>(QDir(folder).filePath(name));
        // NewOnly: never an existing file, never through a planted link.
        if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            *error = file->errorString();
            if (!QFileInfo::exists(file->fileName()))
                return nullptr; // not a name collision: another name will not help
            continue;
        }
        // A file system without locks still gets its spool; it only cannot
        // be told from a stale one by another instance.
        if (!lockNow(file->handle()) && errno != ENOLCK && errno != EOPNOTSUPP)
            continue;
        if (nameStillLeadsTo(file->handle(), file->fileName()))
            return file;
    }
    if (error->isEmpty())
        *error = QStringLiteral("no unused spool file name");
    return nullptr;
}

int removeStale(const QString &folder)
{
    if (folder.isEmpty())
        return 0;
    const QDir dir(folder);
    int removed = 0;
    const QStringList names =
        dir.entryList({kPrefix + u'*' + kSuffix}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString &name : names) {
        if (!isName(name))
            continue;
        const QString path = dir.filePath(name);
        const QByteArray encoded = QFile::encodeName(path);
        // O_NONBLOCK: a FIFO planted under the name must not stop us.
        const int fd = ::open(encoded.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && lockNow(fd) && nameStillLeadsTo(fd, path)
            && ::unlink(encoded.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

} // namespace SpoolFile
