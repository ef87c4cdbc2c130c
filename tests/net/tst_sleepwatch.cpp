// The resume from sleep as logind tells it: PrepareForSleep(true) before
// sleeping, PrepareForSleep(false) after waking; only the second is a resume.
// logind is played on a private session bus.
#include "SleepWatch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSleepWatch : public QObject
{
    Q_OBJECT

    static void prepareForSleep(QDBusConnection &bus, bool sleeping)
    {
        QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/login1"_s,
                                                         u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
        signal << sleeping;
        QVERIFY(bus.send(signal));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QDBusConnection::sessionBus().isConnected())
            return;
        if (qEnvironmentVariable("CI") == u"true")
            QFAIL("no session bus: dbus-run-session (Debian package dbus) is missing");
        QSKIP("no session bus: run under dbus-run-session");
    }

    void onlyTheWakingUpIsAResume()
    {
        QDBusConnection logind = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"logind"_s);
        QVERIFY(logind.registerService(u"org.freedesktop.login1"_s));
        SleepWatch watch(QDBusConnection::sessionBus());
        QVERIFY(watch.isWatching());
        QSignalSpy resumed(&watch, &SleepWatch::resumed);

        prepareForSleep(logind, true);
        prepareForSleep(logind, false);
        QVERIFY(resumed.wait(5000));
        // The marker: a second resume arrives after anything the sleep might have caused.
        prepareForSleep(logind, false);
        QTRY_COMPARE(resumed.count(), 2);
    }

    void anotherSenderIsNotLogind()
    {
        SleepWatch watch(QDBusConnection::sessionBus());
        QSignalSpy resumed(&watch, &SleepWatch::resumed);
        QDBusConnection stranger = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"stranger"_s);
        prepareForSleep(stranger, false);
        QDBusConnection logind = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"logind"_s);
        prepareForSleep(logind, false); // the marker, from the owner of the name
        QVERIFY(resumed.wait(5000));
        QCOMPARE(resumed.count(), 1);
    }

    void withoutABusNothingIsWatched()
    {
        SleepWatch watch(QDBusConnection(u"never-connected"_s));
        QVERIFY(!watch.isWatching());
    }
};

QTEST_GUILESS_MAIN(TestSleepWatch)
#include "tst_sleepwatch.moc"
