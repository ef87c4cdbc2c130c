#include "PortalShortcuts.h"
#include "TestDependency.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

} // namespace

// A stand-in for the desktop portal on the test's own bus: answers requests
// the way the portal does (a Response signal on the request's own path) and
// records what it was asked.
class FakePortal : public QDBusVirtualObject
{
public:
    explicit FakePortal(const QDBusConnection &bus)
        : m_bus(bus)
    {
    }

    bool offersInterface = true;
    uint sessionResponse = 0;
    int versionQueries = 0;
    int sessionRequests = 0;
    QString bindSignature;
    QMap<QString, QVariantMap> boundShortcuts;
    QString session;
    QStringList closedSessions;

    void activate(const QString &sessionPath, const QString &id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(sessionPath)) << id << qulonglong(1234) << QVariantMap();
        m_bus.send(signal);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QString member = message.member();
        if (member == QLatin1String("Get")) {
            ++versionQueries;
            if (!offersInterface || message.arguments().value(0).toString() != kInterface) {
                m_bus.send(message.createErrorReply(QDBusError::UnknownInterface, QStringLiteral("no such interface")));
                return true;
            }
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
            return true;
        }
        if (member == QLatin1String("CreateSession")) {
            ++sessionRequests;
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(0));
            session = kPath + QStringLiteral("/session/") + senderPart(message) + QLatin1Char('/')
                      + options.value(QStringLiteral("session_handle_token")).toString();
            answer(message, options, sessionResponse, {{QStringLiteral("session_handle"), session}});
            return true;
        }
        if (member == QLatin1String("BindShortcuts")) {
            bindSignature = message.signature();
            const QDBusArgument list = message.arguments().value(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                boundShortcuts.insert(id, properties);
            }
            list.endArray();
            answer(message, qdbus_cast<QVariantMap>(message.arguments().value(3)), 0, {});
            return true;
        }
        if (member == QLatin1String("Close")) {
            closedSessions.append(message.path());
            m_bus.send(message.createReply());
            return true;
        }
        return false;
    }

private:
    static QString senderPart(const QDBusMessage &message)
    {
        return message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    }

    void answer(const QDBusMessage &message, const QVariantMap &options, uint response, const QVariantMap &results)
    {
        const QString request = kPath + QStringLiteral("/request/") + senderPart(message) + QLatin1Char('/')
                                + options.value(QStringLiteral("handle_token")).toString();
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage signal = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                         QStringLiteral("Response"));
        signal << response << results;
        m_bus.send(signal);
    }

    QDBusConnection m_bus;
};

// Runs on a private session bus (dbus-run-session); without one it skips.
class TestPortalShortcuts : public QObject
{
    Q_OBJECT

private:
    QDBusConnection portalBus() { return QDBusConnection(QStringLiteral("portal")); }

    void publish(FakePortal *portal)
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"));
        QVERIFY(bus.registerVirtualObject(kPath, portal, QDBusConnection::SubPath));
        QVERIFY(bus.registerService(kService));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            ZV_MISSING_DEPENDENCY("no session bus: run under dbus-run-session (Debian package dbus)");
    }

    void cleanup()
    {
        QDBusConnection bus = portalBus();
        if (bus.isConnected()) {
            bus.unregisterService(kService);
            bus.unregisterObject(kPath, QDBusConnection::UnregisterTree);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
    }

    void onlyWaylandNeedsThePortal()
    {
        QVERIFY(PortalShortcuts::isNeededOn(QStringLiteral("wayland")));
        QVERIFY(PortalShortcuts::isNeededOn(QStringLiteral("wayland-egl")));
        QVERIFY(!PortalShortcuts::isNeededOn(QStringLiteral("xcb")));
        QVERIFY(!PortalShortcuts::isNeededOn(QStringLiteral("offscreen")));
    }

    void bindsBothKeysAndReportsOnlyOurPresses()
    {
        FakePortal portal(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal")));
        publish(&portal);

        PortalShortcuts keys;
        QSignalSpy bound(&keys, &PortalShortcuts::bound);
        QSignalSpy pressed(&keys, &PortalShortcuts::pressed);
        QVERIFY(keys.start());
        QVERIFY(keys.start()); // a second start asks for nothing more
        QVERIFY(bound.wait(5000));
        QVERIFY(keys.isBound());
        QCOMPARE(portal.sessionRequests, 1);
        QCOMPARE(portal.bindSignature, QStringLiteral("oa(sa{sv})sa{sv}"));
        QCOMPARE(portal.boundShortcuts.size(), 2);
        QCOMPARE(portal.boundShortcuts.value(QString::fromLatin1(PortalShortcuts::kIdQ))
                     .value(QStringLiteral("preferred_trigger")).toString(),
                 QStringLiteral("CTRL+q"));
        QCOMPARE(portal.boundShortcuts.value(QString::fromLatin1(PortalShortcuts::kIdR))
                     .value(QStringLiteral("preferred_trigger")).toString(),
                 QStringLiteral("CTRL+r"));
        QVERIFY(!portal.boundShortcuts.value(QString::fromLatin1(PortalShortcuts::kIdQ))
                     .value(QStringLiteral("description")).toString().isEmpty());

        // Another program's session and ids we never bound are not ours;
        // the signals arrive in order, so the last one proves the first were seen.
        portal.activate(portal.session + QStringLiteral("x"), QString::fromLatin1(PortalShortcuts::kIdQ));
        portal.activate(portal.session, QStringLiteral("something-else"));
        portal.activate(portal.session, QString::fromLatin1(PortalShortcuts::kIdR));
        QVERIFY(pressed.wait(5000));
        QCOMPARE(pressed.size(), 1);
        QCOMPARE(pressed.at(0).at(0).toInt(), int('R'));
        portal.activate(portal.session, QString::fromLatin1(PortalShortcuts::kIdQ));
        QTRY_COMPARE(pressed.size(), 2);
        QCOMPARE(pressed.at(1).at(0).toInt(), int('Q'));

        // Stopping closes the session; later presses are not reported.
        const QString session = portal.session;
        keys.stop();
        QVERIFY(!keys.isBound());
        QTRY_COMPARE(portal.closedSessions, QStringList{session});
        portal.activate(session, QString::fromLatin1(PortalShortcuts::kIdQ));
        QVERIFY(!pressed.wait(200)); // bounded: the press would arrive within a round trip
        QCOMPARE(pressed.size(), 2);
    }

    void portalWithoutTheInterfaceIsSilent()
    {
        FakePortal portal(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal")));
        portal.offersInterface = false;
        publish(&portal);

        PortalShortcuts keys;
        QSignalSpy bound(&keys, &PortalShortcuts::bound);
        QVERIFY(keys.start());
        QTRY_COMPARE(portal.versionQueries, 1);
        QVERIFY(!bound.wait(200));
        QCOMPARE(portal.sessionRequests, 0);
        QVERIFY(!keys.isBound());
    }

    void refusedSessionBindsNothing()
    {
        FakePortal portal(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal")));
        portal.sessionResponse = 1; // the user said no
        publish(&portal);

        PortalShortcuts keys;
        QSignalSpy bound(&keys, &PortalShortcuts::bound);
        QVERIFY(keys.start());
        QTRY_COMPARE(portal.sessionRequests, 1);
        QVERIFY(!bound.wait(200));
        QVERIFY(portal.bindSignature.isEmpty());
        keys.stop();
        QVERIFY(portal.closedSessions.isEmpty());
    }

    void noPortalIsNoError()
    {
        PortalShortcuts keys;
        QSignalSpy bound(&keys, &PortalShortcuts::bound);
        QVERIFY(keys.start()); // answered by an error later, silently
        QVERIFY(!bound.wait(200));
        keys.stop();
    }

    void noBusMeansNoKeys()
    {
        PortalShortcuts keys(QDBusConnection(QStringLiteral("never-connected")));
        QVERIFY(!keys.start());
        QVERIFY(!keys.isBound());
    }
};

QTEST_GUILESS_MAIN(TestPortalShortcuts)
#include "tst_portalshortcuts.moc"
