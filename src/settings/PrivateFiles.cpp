#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kOthers = S_IRWXG | S_IRWXO;

QFileDevice::Permissions permissionsOf(mode_t mode)
{
    QFileDevice::Permissions permissions;
    const std::pair<mode_t, QFileDevice::Permission> bits[] = {
        {S_IRUSR, QFileDevice::ReadOwner}, {S_IWUSR, QFileDevice::WriteOwner}, {S_IXUSR, QFileDevice::ExeOwner},
        {S_IRGRP, QFileDevice::ReadGroup}, {S_IWGRP, QFileDevice::WriteGroup}, {S_IXGRP, QFileDevice::ExeGroup},
        {S_IROTH, QFileDevice::ReadOther}, {S_IWOTH, QFileDevice::WriteOther}, {S_IXOTH, QFileDevice::ExeOther},
    };
    for (const auto &[bit, permission] : bits) {
        if (mode & bit)
            permissions |= permission;
    }
    return permissions;
}

} // namespace

namespace PrivateFiles {

bool makeFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    QStringList missing;
    for (QString at = path; !QFileInfo::exists(at);) {
        missing.prepend(at);
        const QString parent = QFileInfo(at).path();
        if (parent == at)
            break;
        at = parent;
    }
    for (const QString &at : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(at).constData(), S_IRWXU) != 0 && errno != EEXIST)
            return false;
    }
    return QFileInfo(path).isDir();
}

bool narrowToOwner(int fd)
{
    struct stat info{};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()
        || (info.st_mode & kOthers) == 0)
        return false;
    return ::fchmod(fd, info.st_mode & ~kOthers & 07777) == 0;
}

QFileDevice::Permissions forReplacement(const QString &path)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    mode_t mode = info.st_mode & 0777;
    if (info.st_uid == ::geteuid())
        mode &= ~kOthers;
    return permissionsOf(mode);
}

} // namespace PrivateFiles
