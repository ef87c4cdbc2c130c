#include "Autostart.h"

#include "DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}

QByteArray entryText(const QString &executablePath)
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Zavolin\n"
                                        "Comment=LAN messenger\n"
                                        "Exec=")
        + DesktopEntry::stringValue(DesktopEntry::execArgument(executablePath))
        + QStringLiteral("\n"
                         "Terminal=false\n"
                         "X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

} // namespace

Autostart::Autostart(QString autostartFolder)
    : m_folder(autostartFolder.isEmpty() ? defaultFolder() : std::move(autostartFolder))
{
}

void Autostart::enable(const QString &executablePath)
{
    if (!QDir().mkpath(m_folder))
        return;
    // Written aside and renamed, so a failed write never leaves half an entry.
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(entryText(executablePath));
    file.commit();
}

void Autostart::disable()
{
    QFile::remove(entryPath());
}

bool Autostart::isEnabled() const
{
    return QFileInfo(entryPath()).isFile();
}

QString Autostart::entryPath() const
{
    return m_folder + QStringLiteral("/zavolin.desktop");
}
