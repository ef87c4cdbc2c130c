#pragma once

#include <QString>

// The program's entry in the desktop's autostart folder (XDG autostart), so
// that the session starts it at log-in.
class Autostart
{
public:
    // An empty folder means $XDG_CONFIG_HOME/autostart.
    explicit Autostart(QString autostartFolder = {});

    // Writes zavolin.desktop starting executablePath, replacing an older entry.
    // A folder that cannot be created or written leaves everything as it was,
    // silently: the program runs on without autostart.
    void enable(const QString &executablePath);
    void disable();
    bool isEnabled() const;

    QString entryPath() const;

private:
    QString m_folder;
};
