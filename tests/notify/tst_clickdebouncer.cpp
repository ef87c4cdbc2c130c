#include "ClickDebouncer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>

namespace {

constexpr int kInterval = 120;

} // namespace

class TestClickDebouncer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsToTheDesktopDoubleClickTime()
    {
        ClickDebouncer debouncer;
        QCOMPARE(debouncer.interval(), QGuiApplication::styleHints()->mouseDoubleClickInterval());
    }

    // c = click, d = double click, all within one double-click time.
    void oneGestureActivatesOnce_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<bool>("atOnce");
        QTest::newRow("single click") << QStringLiteral("c") << false;
        QTest::newRow("two clicks, no double") << QStringLiteral("cc") << false;
        QTest::newRow("click, double") << QStringLiteral("cd") << true;
        QTest::newRow("click, click, double") << QStringLiteral("ccd") << true;
        QTest::newRow("click, double, click") << QStringLiteral("cdc") << true;
        QTest::newRow("double alone") << QStringLiteral("d") << true;
        QTest::newRow("double twice") << QStringLiteral("cdcd") << true;
    }

    void oneGestureActivatesOnce()
    {
        QFETCH(QString, events);
        QFETCH(bool, atOnce);
        ClickDebouncer debouncer;
        debouncer.setInterval(kInterval);
        QSignalSpy activated(&debouncer, &ClickDebouncer::activated);

        for (const QChar event : events) {
            if (event == u'c')
                debouncer.click();
            else
                debouncer.doubleClick();
        }

        QCOMPARE(activated.count(), atOnce ? 1 : 0);
        if (!atOnce)
            QVERIFY(activated.wait(5 * kInterval));
        QVERIFY(!activated.wait(3 * kInterval)); // and nothing more
        QCOMPARE(activated.count(), 1);
    }

    void singleClickWaitsForTheDoubleClickTime()
    {
        ClickDebouncer debouncer;
        debouncer.setInterval(kInterval);
        QSignalSpy activated(&debouncer, &ClickDebouncer::activated);
        QElapsedTimer clock;
        clock.start();
        debouncer.click();
        QVERIFY(activated.wait(10 * kInterval));
        QVERIFY2(clock.elapsed() >= kInterval - 1, qPrintable(QString::number(clock.elapsed())));
    }

    void separateClicksActivateEachTime()
    {
        ClickDebouncer debouncer;
        debouncer.setInterval(kInterval);
        QSignalSpy activated(&debouncer, &ClickDebouncer::activated);
        debouncer.click();
        QVERIFY(activated.wait(10 * kInterval));
        debouncer.click();
        QVERIFY(activated.wait(10 * kInterval));
        debouncer.doubleClick();
        QCOMPARE(activated.count(), 3);
        QVERIFY(!activated.wait(3 * kInterval));
        debouncer.doubleClick();
        QCOMPARE(activated.count(), 4);
    }
};

QTEST_MAIN(TestClickDebouncer)
#include "tst_clickdebouncer.moc"
