#include "BringUpOnce.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

// The main window brought up for every received message: once for a burst,
// again once the user has left it.
class TestBringUpOnce : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onceForABurstAgainAfterTheUserLeftIt()
    {
        QWidget window;
        int broughtUp = 0;
        BringUpOnce once(&window, [&] {
            ++broughtUp;
            window.show();
            window.activateWindow();
        });
        for (int i = 0; i < 5; ++i)
            once.request();
        QCOMPARE(broughtUp, 1);
        QTRY_VERIFY(window.isActiveWindow());
        once.request();
        QCOMPARE(broughtUp, 1);

        // The user works in another window: the next message calls them back, once.
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!window.isActiveWindow());
        once.request();
        once.request();
        QCOMPARE(broughtUp, 2);
        QTRY_VERIFY(window.isActiveWindow());

        // Hidden (Esc, the tray) or minimised: shown again by the next message.
        window.hide();
        once.request();
        QCOMPARE(broughtUp, 3);
        QVERIFY(window.isVisible());
        window.showMinimized();
        once.request();
        QCOMPARE(broughtUp, 4);
    }

    void againAfterTheRequestsPause()
    {
        QWidget window;
        int broughtUp = 0;
        BringUpOnce once(&window, [&] {
            ++broughtUp;
            window.show();
        }, 200);
        once.request();
        once.request();
        QCOMPARE(broughtUp, 1);
        // A message after a quiet spell starts a new burst, whatever the focus did.
        QElapsedTimer quiet;
        quiet.start();
        QTRY_VERIFY(quiet.elapsed() > 250);
        once.request();
        QCOMPARE(broughtUp, 2);
    }
};

QTEST_MAIN(TestBringUpOnce)
#include "tst_bringuponce.moc"
