#include "ClickDebouncer.h"
#include "TrayIconUnit.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

// Offscreen there is no tray: the icon keeps its state and shows nothing.
class TestTrayIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void harmlessWithoutATray()
    {
        TTrayIcon tray;
        QVERIFY(!tray.isAvailable());
        QMenu menu;
        menu.addAction(QStringLiteral("Выход"));
        tray.setMenu(&menu);
        tray.setToolTip(QStringLiteral("Сеанс сообщений - Zavolin"));
        tray.show();
        tray.hide();
        tray.setMenu(nullptr);
        QCOMPARE(tray.toolTip(), QStringLiteral("Сеанс сообщений - Zavolin"));
    }

    void startsWithTheProgramIconAndItsBlinkFrame()
    {
        TTrayIcon tray;
        QCOMPARE(tray.iconList().size(), 2);
        QVERIFY(!tray.iconList().at(0).isNull());
        QVERIFY(!tray.iconList().at(1).isNull());
        QCOMPARE(tray.iconIndex(), 0);
        QVERIFY(!tray.isBlinking());
    }

    void longToolTipIsCut()
    {
        TTrayIcon tray;
        const QString text(200, u'ж');
        tray.setToolTip(text);
        QCOMPARE(tray.toolTip(), text.left(127));
    }

    void iconIndexIsClampedToTheList_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected");
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("second") << 1 << 1;
        QTest::newRow("past the end") << 5 << 1;
        QTest::newRow("negative") << -3 << 0;
    }

    void iconIndexIsClampedToTheList()
    {
        QFETCH(int, index);
        QFETCH(int, expected);
        TTrayIcon tray;
        tray.setIconIndex(index);
        QCOMPARE(tray.iconIndex(), expected);
    }

    void blinkingAlternatesAndStopsOnTheFirstImage()
    {
        TTrayIcon tray;
        tray.setIconIndex(1);
        tray.startBlinking();
        QVERIFY(tray.isBlinking());
        QCOMPARE(tray.iconIndex(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(tray.iconIndex(), 1, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(tray.iconIndex(), 0, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(tray.iconIndex(), 1, 2000);

        tray.stopBlinking();
        QVERIFY(!tray.isBlinking());
        QCOMPARE(tray.iconIndex(), 0);
    }

    void stoppingWhenNotBlinkingStillShowsTheFirstImage()
    {
        TTrayIcon tray;
        tray.setIconIndex(1);
        tray.stopBlinking();
        QCOMPARE(tray.iconIndex(), 0);
    }

    void blinkingWithOneImageStaysOnIt()
    {
        TTrayIcon tray;
        tray.setIconList({tray.iconList().at(0)});
        tray.startBlinking();
        QCOMPARE(tray.iconIndex(), 0);
        tray.setIconIndex(3);
        QCOMPARE(tray.iconIndex(), 0);
        tray.stopBlinking();
    }

    void clickAndDoubleClickReachClickedOnce()
    {
        TTrayIcon tray;
        tray.clickDebouncer()->setInterval(100);
        QSignalSpy clicked(&tray, &TTrayIcon::clicked);
        tray.clickDebouncer()->click();
        tray.clickDebouncer()->doubleClick();
        QCOMPARE(clicked.count(), 1);
        QVERIFY(!clicked.wait(300));
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
