#include "DesktopNotifier.h"
#include "TrayHostWatcher.h"
#include "TestDependency.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

// A stand-in for the desktop's notification server on the test's own bus.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit FakeNotificationServer(const QDBusConnection &bus)
        : m_bus(bus)
    {
    }

    struct Call
    {
        QString appName, icon, summary, body;
        QStringList actions;
        int timeout = 0;
    };
    QList<Call> calls;
    QStringList capabilities{QStringLiteral("body"), QStringLiteral("actions")};

    void invoke(uint id, const QString &action)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << id << action;
        m_bus.send(signal);
    }

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }

    uint Notify(const QString &appName, uint, const QString &icon, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int timeout)
    {
        calls.append({appName, icon, summary, body, actions, timeout});
        return uint(calls.size()) + 40;
    }

private:
    QDBusConnection m_bus;
};

// Runs on a private session bus (dbus-run-session); without one it skips.
class TestDesktopNotifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            ZV_MISSING_DEPENDENCY("no session bus: run under dbus-run-session (Debian package dbus)");
    }

    void placementFollowsThePlatform()
    {
        QVERIFY(DesktopNotifier::windowsCanBePlaced(QStringLiteral("xcb")));
        QVERIFY(DesktopNotifier::windowsCanBePlaced(QStringLiteral("offscreen")));
        QVERIFY(!DesktopNotifier::windowsCanBePlaced(QStringLiteral("wayland")));
        QVERIFY(!DesktopNotifier::windowsCanBePlaced(QStringLiteral("wayland-egl")));
    }

    void serverReceivesTheTextsAndAClickComesBack()
    {
        QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
        FakeNotificationServer server(serverBus);
        QVERIFY(serverBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

        DesktopNotifier notifier;
        QSignalSpy activated(&notifier, &DesktopNotifier::activated);
        notifier.notify(QStringLiteral("Получено сообщение от: ВАСЯ"), 10);
        QTRY_COMPARE(server.calls.size(), 1);
        const FakeNotificationServer::Call &call = server.calls.constFirst();
        QCOMPARE(call.appName, QStringLiteral("Zavolin"));
        QCOMPARE(call.summary, QStringLiteral("Zavolin"));
        QCOMPARE(call.body, QStringLiteral("Получено сообщение от: ВАСЯ"));
        QCOMPARE(call.timeout, 10000);
        QVERIFY(call.actions.contains(QStringLiteral("default")));

        // Clicks on other programs' notices, or on other buttons, are not ours.
        server.invoke(7, QStringLiteral("default"));
        server.invoke(41, QStringLiteral("other"));
        // The reply with our id may still be on its way: click until it has arrived.
        QTRY_VERIFY_WITH_TIMEOUT((server.invoke(41, QStringLiteral("default")), !activated.isEmpty()), 5000);

        serverBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    }

    // A peer's name may hold anything; a server that reads markup must show it
    // as text, one that does not must show it unchanged.
    void namesFromTheNetworkAreNeverMarkup()
    {
        QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
        FakeNotificationServer server(serverBus);
        QVERIFY(serverBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

        const QString hostile = QStringLiteral("Получено сообщение от: <b>ВАСЯ</b> <a href=\"http://x/\">"
                                               "<img src=\"file:///etc/passwd\"/></a> & &amp;");
        DesktopNotifier notifier;
        server.capabilities = QStringList{QStringLiteral("body"), QStringLiteral("body-markup"),
                                          QStringLiteral("actions")};
        notifier.notify(hostile, 10);
        QTRY_COMPARE(server.calls.size(), 1);
        QCOMPARE(server.calls.at(0).body,
                 QStringLiteral("Получено сообщение от: &lt;b&gt;ВАСЯ&lt;/b&gt; &lt;a href=\"http://x/\"&gt;"
                                "&lt;img src=\"file:///etc/passwd\"/&gt;&lt;/a&gt; &amp; &amp;amp;"));
        QCOMPARE(server.calls.at(0).summary, QStringLiteral("Zavolin"));

        server.capabilities = QStringList{QStringLiteral("body"), QStringLiteral("actions")};
        notifier.notify(hostile, 10);
        QTRY_COMPARE(server.calls.size(), 2);
        QCOMPARE(server.calls.at(1).body, hostile);

        serverBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
    }

    void noServerIsNoError()
    {
        DesktopNotifier notifier;
        notifier.notify(QStringLiteral("x"), 1); // answered by an error later, silently
        QSignalSpy activated(&notifier, &DesktopNotifier::activated);
        QVERIFY(!activated.wait(100));
    }

    void trayHostComingBackIsSeen()
    {
        TrayHostWatcher watcher;
        QSignalSpy started(&watcher, &TrayHostWatcher::hostStarted);
        QDBusConnection host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("host"));
        QVERIFY(host.registerService(QString::fromLatin1(TrayHostWatcher::kService)));
        QVERIFY(started.wait(5000));
        QVERIFY(host.unregisterService(QString::fromLatin1(TrayHostWatcher::kService)));
        QVERIFY(host.registerService(QString::fromLatin1(TrayHostWatcher::kService)));
        QTRY_COMPARE(started.size(), 2);
        QDBusConnection::disconnectFromBus(QStringLiteral("host"));
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
