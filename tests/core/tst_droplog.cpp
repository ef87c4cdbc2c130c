#include "DropLog.h"

#include <QTest>

// A peer that sends garbage without end must not write the log without end.
class TestDropLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesTheFirstFewWithTheirReasonAndCountsTheRest()
    {
        static QStringList logged;
        logged.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &context, const QString &text) {
                logged << QString::fromLatin1(context.category) + QStringLiteral(": ") + text;
            });
        DropLog log(QStringLiteral("datagram"), 3);
        for (int i = 0; i < 1000; ++i)
            log.record(QStringLiteral("too long (%1)").arg(i));
        qInstallMessageHandler(previous);
        QCOMPARE(logged, QStringList({QStringLiteral("zavolin.net: datagram dropped: too long (0)"),
                                      QStringLiteral("zavolin.net: datagram dropped: too long (1)"),
                                      QStringLiteral("zavolin.net: datagram dropped: too long (2)")}));
    }
};

QTEST_GUILESS_MAIN(TestDropLog)
#include "tst_droplog.moc"
