// When presence datagrams leave: replies spread and merged per address,
// the IP list announced at a bounded rate, the start-up announcement repeated.
#include "PresenceTraffic.h"

#include <QTest>

class TestPresenceTraffic : public QObject
{
    Q_OBJECT

    struct Sent
    {
        QList<QByteArray> datagrams;
        quint32 to;
    };
    QList<Sent> m_sent;
    PresenceTraffic::Send recorder()
    {
        return [this](const QList<QByteArray> &d, quint32 to) { m_sent.append({d, to}); };
    }

private Q_SLOTS:
    void init() { m_sent.clear(); }

    void repliesWaitAndGoTogetherPerAddress()
    {
        PresenceTraffic traffic(recorder());
        traffic.replyLater(1, {"%A"});
        traffic.replyLater(2, {"%A"});
        traffic.replyLater(1, {"(A"});
        for (int newcomer = 0; newcomer < 100; ++newcomer)
            traffic.replyLater(1, {"%A"}); // many names behind one address
        QVERIFY(m_sent.isEmpty()); // never in the handler that heard the newcomer
        QTRY_COMPARE(m_sent.size(), 2);
        for (const Sent &s : std::as_const(m_sent))
            QCOMPARE(s.datagrams, s.to == 1 ? (QList<QByteArray>{"%A", "(A"}) : QList<QByteArray>{"%A"});
    }

    void listedAddressesAreAnnouncedToAFewAtATime()
    {
        PresenceTraffic traffic(recorder());
        QList<quint32> addresses;
        for (quint32 i = 1; i <= 3 * PresenceTraffic::kPerTick + 5; ++i)
            addresses << i;
        traffic.announceTo(addresses, "%A");
        QCOMPARE(m_sent.size(), PresenceTraffic::kPerTick);
        QTRY_COMPARE(m_sent.size(), addresses.size());
        QCOMPARE(m_sent.last().to, addresses.last());
        QCOMPARE(traffic.waitingAnnouncements(), 0);
    }

    void startUpAnnouncementIsRepeatedAFewTimesThenStops()
    {
        PresenceTraffic traffic(recorder());
        traffic.setRepeatScale(0.01);
        traffic.startRepeats([] { return QList<QByteArray>{"%A"}; });
        const int repeats = int(std::size(PresenceTraffic::kRepeatGapsMs));
        QTRY_COMPARE_WITH_TIMEOUT(m_sent.size(), repeats, 20000);
        for (const Sent &s : std::as_const(m_sent))
            QCOMPARE(s.to, PresenceTraffic::kBroadcast);
        traffic.replyLater(9, {"%A"}); // and nothing but this follows
        QTRY_COMPARE(m_sent.size(), repeats + 1);
        QCOMPARE(m_sent.last().to, quint32(9));
    }
};

QTEST_GUILESS_MAIN(TestPresenceTraffic)
#include "tst_presencetraffic.moc"
