#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>

// Announces a message through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), for desktops where a
// window cannot place itself beside the panel or where no tray shows the
// blinking icon. Calls never wait: a missing service is silently absent.
class DesktopNotifier : public QObject
{
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject *parent = nullptr);
    // Tests use a bus of their own.
    DesktopNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

    // A notification titled "Zavolin" with this text, closed by the desktop
    // after `timeOutSeconds`. The text is shown as it is: a server that reads
    // markup in the body gets it escaped.
    void notify(const QString &text, int timeOutSeconds);

    // `text` with '&', '<' and '>' written as entities.
    static QString escapeMarkup(const QString &text);

    // Whether the platform lets windows place themselves (not under Wayland).
    static bool windowsCanBePlaced(const QString &platformName);

Q_SIGNALS:
    // The user clicked one of our notifications.
    void activated();

private Q_SLOTS:
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    void subscribe();
    void send(const QString &body, int timeOutSeconds);

    QDBusConnection m_bus;
    QSet<uint> m_shown; // ids the server gave our notifications, until closed
};
