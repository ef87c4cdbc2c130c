#include "SendFlow.h"

#include <QTest>

using namespace Qt::StringLiterals;
using SendFlow::Refusal;

Q_DECLARE_METATYPE(Refusal)

// Whom a typed message goes to, what is refused before any connection, and
// what the wire and the history get.
class TestSendFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plans_data()
    {
        QTest::addColumn<bool>("toAll");
        QTest::addColumn<QList<int>>("selected"); // toAll: one row per contact
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Refusal>("refusal");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QString>("history");

        const QString hi = u"Привет\r\nмир"_s;
        const QString full(SendFlow::kMaxBytes, u'я'); // one byte a letter in the code page
        const QString over = full + u'я';
        const QString all = u"ОТПРАВЛЕНО ВСЕМ: "_s;
        QTest::newRow("no contact") << false << QList<int>() << -1 << hi << Refusal::NoContact << QList<int>()
                                    << hi << hi;
        QTest::newRow("no text") << false << QList<int>{2} << 2 << QString() << Refusal::NoText << QList<int>()
                                 << QString() << QString();
        QTest::newRow("current alone") << false << QList<int>{5} << 3 << hi << Refusal::None << QList<int>{3} << hi
                                       << hi;
        // One contact is told of its own failure: the limit is not checked up front.
        QTest::newRow("one, too long") << false << QList<int>() << 0 << over << Refusal::None << QList<int>{0}
                                       << over << over;
        QTest::newRow("several, in list order") << false << QList<int>{4, 1, 2} << 4 << hi << Refusal::None
                                                << QList<int>{1, 2, 4} << hi << hi;
        QTest::newRow("several, at the limit") << false << QList<int>{0, 1} << 0 << full << Refusal::None
                                               << QList<int>{0, 1} << full << full;
        QTest::newRow("several, too long") << false << QList<int>{0, 1} << 0 << over << Refusal::TooLong
                                           << QList<int>{0, 1} << over << over;
        QTest::newRow("all") << true << QList<int>{0, 1, 2} << -1 << hi << Refusal::None << QList<int>{0, 1, 2}
                             << all + u"\r\n"_s + hi << all + hi;
        QTest::newRow("all, nobody listed") << true << QList<int>() << -1 << hi << Refusal::None << QList<int>()
                                            << all + u"\r\n"_s + hi << all + hi;
        QTest::newRow("all, no text") << true << QList<int>{0} << -1 << QString() << Refusal::NoTextForAll
                                      << QList<int>() << QString() << QString();
        // The heading counts: a text that fits alone is too long for everyone.
        QTest::newRow("all, too long with the heading") << true << QList<int>{0} << -1 << full << Refusal::TooLong
                                                        << QList<int>() << all + u"\r\n"_s + full << all + full;
    }

    void plans()
    {
        QFETCH(bool, toAll);
        QFETCH(QList<int>, selected);
        QFETCH(int, current);
        QFETCH(QString, text);
        const SendFlow::Plan plan = toAll ? SendFlow::toAll(int(selected.size()), text, true)
                                          : SendFlow::toSelected(selected, current, text);
        QTEST(plan.refusal, "refusal");
        QTEST(plan.rows, "rows");
        QTEST(plan.wireText, "wire");
        QTEST(plan.historyText, "history");
        QCOMPARE(plan.single, !toAll && selected.size() < 2);
        QCOMPARE(plan.askFirst, toAll && plan.refusal == Refusal::None);
        if (plan.refusal == Refusal::TooLong)
            QCOMPARE(plan.bytes, plan.wireText.size());
    }
};

QTEST_GUILESS_MAIN(TestSendFlow)
#include "tst_sendflow.moc"
