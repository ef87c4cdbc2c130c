#include "SystemFormats.h"

#include <QTest>

// Stamps are reused within a second, as messages come in bursts: a reused
// stamp must never be one for another second or another day.
class TestSystemFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stampsAreNeverStale()
    {
        const QDate day(2026, 12, 7);
        const QList<QDateTime> moments{
            {day, QTime(9, 5, 3, 0)},         {day, QTime(9, 5, 3, 999)},   {day, QTime(9, 5, 4, 0)},
            {day, QTime(9, 5, 3, 500)},       {day.addDays(1), QTime(9, 5, 3, 500)},
            {day.addMonths(1), QTime(9, 5, 3, 500)}, {day, QTime(21, 5, 3, 500)},
            {day, QTime(9, 6, 3, 500)},       {day, QTime(0, 0, 0)},        {day.addDays(-1), QTime(23, 59, 59, 999)},
            {day, QTime(0, 0, 0)},
        };
        QStringList stamps;
        for (const QDateTime &moment : moments) {
            const QString stamp = SystemFormats::dateTime(moment);
            QCOMPARE(stamp, SystemFormats::shortDate(moment.date()) + u' ' + SystemFormats::longTime(moment.time()));
            stamps << stamp;
        }
        // Seconds show in every locale's long time; the milliseconds never do.
        QCOMPARE(stamps[0], stamps[1]);
        QVERIFY(stamps[1] != stamps[2]);
        QCOMPARE(stamps[3], stamps[0]);
        QVERIFY(stamps[4] != stamps[3]);
        QVERIFY(stamps[5] != stamps[4]);
        QVERIFY(stamps[6] != stamps[3]);
        QVERIFY(stamps[7] != stamps[3]);
        QVERIFY(stamps[9] != stamps[8]);
        QCOMPARE(stamps[10], stamps[8]);
    }

    // What windows show follows the interface's language; what files and
    // datagrams carry keeps the system's format whatever language is chosen.
    void windowsFollowTheChosenLanguageFilesDoNot()
    {
        const QDateTime moment(QDate(2026, 12, 7), QTime(21, 5, 3));
        const QString system = SystemFormats::dateTime(moment);
        QCOMPARE(ShownFormats::dateTime(moment), system); // nothing chosen: the system's
        for (const QLocale::Language language : {QLocale::English, QLocale::Russian}) {
            QLocale::setDefault(QLocale(language));
            QCOMPARE(SystemFormats::dateTime(moment), system);
            QCOMPARE(ShownFormats::dateTime(moment).section(u' ', 0, 0),
                     QLocale(language).toString(moment.date(), QLocale::ShortFormat));
            QVERIFY(ShownFormats::longTime(moment.time()).contains(u"05:03"));
        }
        QLocale::setDefault(QLocale::system());
    }
};

QTEST_GUILESS_MAIN(TestSystemFormats)
#include "tst_systemformats.moc"
