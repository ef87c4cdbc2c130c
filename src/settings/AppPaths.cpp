#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString &homeFolder()
{
    static QString folder;
    return folder;
}

QString effectiveHome()
{
    if (!homeFolder().isEmpty())
        return homeFolder();
    return qEnvironmentVariable("ZAVOLIN_HOME");
}

} // namespace

namespace AppPaths {

void setHome(const QString &folder)
{
    homeFolder() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

QString home()
{
    return effectiveHome();
}

QString settingsFile()
{
    const QString h = effectiveHome();
    if (!h.isEmpty())
        return QDir(h).filePath(QStringLiteral("Zavolin.ini"));
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/zavolin/Zavolin.ini");
}

QString dataFolder()
{
    const QString h = effectiveHome();
    if (!h.isEmpty())
        return QDir(h).absolutePath();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/zavolin");
}

QString dataFile(const QString &name)
{
    return QDir(dataFolder()).filePath(name);
}

QString shareFolderFor(const QString &executableFolder, const QString &buildFolder,
                       const QString &sourceDataFolder)
{
    const QString folder = QFileInfo(executableFolder).canonicalFilePath();
    if (folder.isEmpty())
        return {};
    // A build folder is told apart first, so a share folder that happens to
    // lie beside it never hides the data of the tree being built.
    if (!buildFolder.isEmpty() && folder == QFileInfo(buildFolder).canonicalFilePath()) {
        const QFileInfo source(sourceDataFolder);
        return source.isDir() ? source.canonicalFilePath() : QString();
    }
    const QFileInfo installed(folder + QStringLiteral("/../share/zavolin"));
    return installed.isDir() ? installed.canonicalFilePath() : QString();
}

QString shareFolder()
{
    return shareFolderFor(QCoreApplication::applicationDirPath(), QStringLiteral(ZAVOLIN_BUILD_DIR),
                          QStringLiteral(ZAVOLIN_SOURCE_DATA_DIR));
}

QString operatorDataFile(const QString &name)
{
    const QString own = dataFile(name);
    if (QFileInfo::exists(own))
        return own;
    const QString share = shareFolder();
    if (!share.isEmpty() && QFileInfo::exists(QDir(share).filePath(name)))
        return QDir(share).filePath(name);
    return own;
}

} // namespace AppPaths
