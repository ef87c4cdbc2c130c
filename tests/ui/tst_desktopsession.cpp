#include "DesktopSession.h"

#include <QSignalSpy>
#include <QTest>

class TestDesktopSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endingIsReportedOnce()
    {
        DesktopSession session;
        QSignalSpy ending(&session, &DesktopSession::sessionEnding);
        QVERIFY(!session.isEnding());

        session.notifyEnding();
        session.notifyEnding(); // the session manager may ask again

        QCOMPARE(ending.count(), 1);
        QVERIFY(session.isEnding());
    }

    void quietWithoutASessionManager()
    {
        DesktopSession session;
        QSignalSpy ending(&session, &DesktopSession::sessionEnding);
        QCoreApplication::processEvents();
        QCOMPARE(ending.count(), 0);
    }
};

QTEST_MAIN(TestDesktopSession)
#include "tst_desktopsession.moc"
