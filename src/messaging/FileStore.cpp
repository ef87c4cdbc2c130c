#include "FileStore.h"

#include "SpoolFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool renameOver(const QString &from, const QString &to, int *err)
{
    // rename(2) replaces the name atomically and does not follow a link at `to`;
    // QFile::rename refuses an existing target.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *err = errno;
    return false;
}

bool copyBeside(const QString &spoolPath, const QString &target, QString *error)
{
    QFile source(spoolPath);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = source.errorString();
        return false;
    }
    // Locked like every spool file, so that an instance starting meanwhile leaves it alone.
    const std::unique_ptr<QFile> spool = SpoolFile::create(QFileInfo(target).absolutePath(), error);
    if (!spool)
        return false;
    QFile &copy = *spool;
    QByteArray chunk(65536, Qt::Uninitialized);
    for (;;) {
        const qint64 got = source.read(chunk.data(), chunk.size());
        if (got < 0 || (got > 0 && copy.write(chunk.constData(), got) != got)) {
            *error = got < 0 ? source.errorString() : copy.errorString();
            copy.remove();
            return false;
        }
        if (got == 0)
            break;
    }
    if (!copy.flush()) {
        *error = copy.errorString();
        copy.remove();
        return false;
    }
    int err = 0;
    if (!renameOver(copy.fileName(), target, &err)) {
        *error = QString::fromLocal8Bit(std::strerror(err));
        copy.remove();
        return false;
    }
    return true;
}

} // namespace

namespace FileStore {

bool replace(const QString &spoolPath, const QString &target, QString *error)
{
    int err = 0;
    if (renameOver(spoolPath, target, &err))
        return true;
    if (err == EXDEV)
        return copyBeside(spoolPath, target, error);
    *error = QString::fromLocal8Bit(std::strerror(err));
    return false;
}

} // namespace FileStore
