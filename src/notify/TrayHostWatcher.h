#pragma once

#include <QDBusConnection>
#include <QObject>

class QDBusServiceWatcher;

// Tells when a panel's tray host has come (back): the StatusNotifier watcher
// registering on the session bus. Icons embedded the X11 way are put back by
// Qt itself; icons shown through the watcher must be announced again.
class TrayHostWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *kService = "org.kde.StatusNotifierWatcher";

    explicit TrayHostWatcher(QObject *parent = nullptr);
    TrayHostWatcher(const QDBusConnection &bus, QObject *parent = nullptr);

Q_SIGNALS:
    void hostStarted();

private:
    QDBusServiceWatcher *m_watcher;
};
