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

QString operatorDataFile(const QString &name)
{
    const QString own = dataFile(name);
    if (QFileInfo::exists(own))
        return own;
    const QString beside = QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../share/zavolin/") + name;
    if (QFileInfo::exists(beside))
        return QFileInfo(beside).absoluteFilePath();
    const QString installed = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                     QStringLiteral("zavolin/") + name);
    if (!installed.isEmpty())
        return installed;
#if defined(ZAVOLIN_BINARY_DIR) && defined(ZAVOLIN_SOURCE_DATA)
    // Run from the build folder: the examples in the source tree stand in.
    const QString binaryDir = QStringLiteral(ZAVOLIN_BINARY_DIR);
    const QString source = QStringLiteral(ZAVOLIN_SOURCE_DATA "/") + name;
    if (QCoreApplication::applicationDirPath().startsWith(binaryDir) && QFileInfo::exists(source))
        return source;
#endif
    return own;
}

} // namespace AppPaths
