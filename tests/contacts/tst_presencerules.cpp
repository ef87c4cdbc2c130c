// Which repeated presence is answered, which datagram is a copy, which
// IP-list lines are announced to, and who holds a port, each as a table of cases.
#include "BroadcastCopies.h"
#include "IpListTargets.h"
#include "PortOwner.h"
#include "PresenceRecovery.h"

#include <QHostAddress>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPresenceRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Steps: 'a' we answered the peer, 'n' / 'N' we answered it as a newcomer
    // that wrote to us alone / broadcast, 'u' its `%` to us alone, 'b' its
    // broadcast `%` (expected answer in the step's result), 'o' / 'w' resends
    // due with nothing / something waiting unread (their count); each at its own time.
    void repeatedPresenceIsAnsweredOnlyWhileThePeerMayNotKnowUs_data()
    {
        QTest::addColumn<QString>("steps");   // letter@ms, space-separated
        QTest::addColumn<QString>("answers"); // 1/0 per 'b' step, ! per answered 'u', resends per 'o'/'w'
        QTest::newRow("answered, its reply lost: a repeat is answered") << u"a@0 b@1000"_s << u"1"_s;
        QTest::newRow("it heard us: its repeats are not") << u"a@0 u@200 b@1000 b@3000 b@7000"_s << u"000"_s;
        QTest::newRow("never answered: answered, then not within a second") << u"b@0 b@500 b@1500"_s << u"101"_s;
        QTest::newRow("heard us long ago: restarted or refreshing") << u"u@0 b@20000 b@20500"_s << u"10"_s;
        QTest::newRow("to us alone: the first is its answer, a resend is answered once per span")
            << u"u@0 u@5000 u@6500 u@60000"_s << u"!!"_s;
        QTest::newRow("a newcomer that wrote to us alone heard us: its repeats are not answered")
            << u"n@0 b@1000 b@3000 b@7000 b@15000"_s << u"0000"_s;
        QTest::newRow("a newcomer that broadcast: our answer is resent, not answered again")
            << u"N@0 b@1000 b@3000"_s << u"00"_s;
        QTest::newRow("a newcomer that broadcast and then answered us") << u"N@0 u@300 b@1000 o@2000 b@15000"_s << u"000"_s;
        QTest::newRow("no answer: resent after 2, 4 and 8 s, then never")
            << u"N@0 o@1999 o@2000 o@6000 o@14000 o@40000"_s << u"01110"_s;
        QTest::newRow("its answer waits unread") << u"N@0 w@2000 u@2100 o@2200"_s << u"00"_s;
        QTest::newRow("behind for long, then caught up") << u"N@0 w@2000 w@30000 o@30001"_s << u"001"_s;
    }
    void repeatedPresenceIsAnsweredOnlyWhileThePeerMayNotKnowUs()
    {
        QFETCH(QString, steps);
        QFETCH(QString, answers);
        PresenceRecovery recovery;
        QString got;
        for (const QString &step : steps.split(u' ')) {
            const qint64 at = step.mid(2).toLongLong();
            if (step[0] == u'a')
                recovery.answered(7, at);
            else if (step[0] == u'n' || step[0] == u'N')
                recovery.answeredNewcomer(7, step[0] == u'N', at);
            else if (step[0] == u'o' || step[0] == u'w')
                got += QString::number(recovery.overdue(at, step[0] == u'w').size());
            else
            {
                const bool answered = recovery.shouldAnswer(7, step[0] == u'b', at);
                got += step[0] == u'u' ? (answered ? u'!' : u'-') : (answered ? u'1' : u'0');
            }
        }
        got.remove(u'-');
        QCOMPARE(got, answers);
    }

    // Arrivals of "%PEER" from one sender: destination and interface, at ms.
    void onlyBroadcastsArriveAsCopies_data()
    {
        QTest::addColumn<QString>("arrivals"); // b: 255.255.255.255, d: directed broadcast, u: our address; then interface@ms
        QTest::addColumn<QString>("handled");  // 1/0 per arrival
        QTest::newRow("its answer to us alone after its broadcast") << u"b1@0 u1@200"_s << u"11"_s;
        QTest::newRow("to us alone, then its broadcast") << u"u1@0 b1@100"_s << u"11"_s;
        QTest::newRow("to us alone again: a resend") << u"u1@0 u1@1000"_s << u"11"_s;
        QTest::newRow("limited and directed broadcast of one send") << u"b1@0 d1@3"_s << u"10"_s;
        QTest::newRow("a broadcast after to us alone, by two networks") << u"u1@0 b1@10 b2@12"_s << u"110"_s;
    }
    void onlyBroadcastsArriveAsCopies()
    {
        QFETCH(QString, arrivals);
        QFETCH(QString, handled);
        const quint32 ours = QHostAddress(u"10.1.0.5"_s).toIPv4Address();
        BroadcastCopies copies([ours](quint32 address) { return address == ours; });
        const quint32 sender = QHostAddress(u"10.1.0.9"_s).toIPv4Address();
        QString got;
        for (const QString &arrival : arrivals.split(u' ')) {
            const quint32 to = arrival[0] == u'u'   ? ours
                               : arrival[0] == u'd' ? QHostAddress(u"10.1.0.255"_s).toIPv4Address()
                                                    : 0xFFFFFFFFu;
            const quint64 path = BroadcastCopies::path(arrival.mid(1, 1).toUInt(), to);
            got += copies.isCopy("%PEER", sender, path, arrival.mid(3).toLongLong()) ? u'0' : u'1';
        }
        QCOMPARE(got, handled);
    }

    void ipListLinesGiveAddressesToAnnounceTo_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("first"); // empty: announced to nobody
        QTest::addColumn<uint>("count");
        QTest::newRow("address") << u"192.168.2.7"_s << u"192.168.2.7"_s << 1u;
        QTest::newRow("blanks around") << u"  10.0.0.1 "_s << u"10.0.0.1"_s << 1u;
        QTest::newRow("/24") << u"192.168.2.0/24"_s << u"192.168.2.1"_s << 254u;
        QTest::newRow("/22 from inside") << u"10.1.5.9/22"_s << u"10.1.4.1"_s << 1022u;
        QTest::newRow("/31 pair") << u"10.2.0.9/31"_s << u"10.2.0.8"_s << 2u;
        QTest::newRow("/32") << u"10.2.0.9/32"_s << u"10.2.0.9"_s << 1u;
        QTest::newRow("/21 too wide") << u"10.0.0.0/21"_s << QString() << 0u;
        QTest::newRow("name") << u"BUH"_s << QString() << 0u;
        QTest::newRow("bad prefix") << u"10.0.0.0/x"_s << QString() << 0u;
        QTest::newRow("limited broadcast") << u"255.255.255.255"_s << QString() << 0u;
        QTest::newRow("IPv6") << u"fe80::1"_s << QString() << 0u;
    }
    void ipListLinesGiveAddressesToAnnounceTo()
    {
        QFETCH(QString, line);
        QFETCH(QString, first);
        QFETCH(uint, count);
        const IpListTargets::Line parsed = IpListTargets::parse(line);
        QCOMPARE(parsed.valid, !first.isEmpty());
        if (parsed.valid) {
            QCOMPARE(QHostAddress(parsed.first).toString(), first);
            QCOMPARE(parsed.count, count);
        }
    }

    void ipListAddressesAreUniqueAndBounded()
    {
        const QStringList lines{u"10.0.0.5"_s, u"10.0.0.0/24"_s, u"BUH"_s, u"10.0.0.5"_s};
        const QList<quint32> all = IpListTargets::addresses(lines);
        QCOMPARE(all.size(), 254);
        QCOMPARE(QHostAddress(all.first()).toString(), u"10.0.0.5"_s);
        QStringList many;
        for (int i = 0; i < 40; ++i)
            many << u"10.%1.0.0/22"_s.arg(i);
        QCOMPARE(IpListTargets::addresses(many).size(), IpListTargets::kMostAddresses);
    }

    void holderOfAPortIsFoundInTheSocketTable_data()
    {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("found");
        QTest::addColumn<uint>("uid");
        QTest::newRow("UDP 6711") << int(PortOwner::Protocol::Udp) << 6711 << true << 1001u;
        QTest::newRow("UDP elsewhere") << int(PortOwner::Protocol::Udp) << 6712 << false << 0u;
        QTest::newRow("TCP listening") << int(PortOwner::Protocol::Tcp) << 711 << true << 1000u;
        QTest::newRow("TCP connected only") << int(PortOwner::Protocol::Tcp) << 6711 << false << 0u;
    }
    void holderOfAPortIsFoundInTheSocketTable()
    {
        QFETCH(int, protocol);
        QFETCH(int, port);
        QFETCH(bool, found);
        QFETCH(uint, uid);
        const auto p = PortOwner::Protocol(protocol);
        const QString header = u"  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"_s;
        const QString table = header
                              + (p == PortOwner::Protocol::Udp
                                     ? u"  0: 00000000:1A37 00000000:0000 07 00000000:00000000 00:00000000 00000000  1001        0 4242\n"_s
                                     : u"  0: 00000000:02C7 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 77\n"
                                       "  1: 0100007F:1A37 0100007F:D431 01 00000000:00000000 00:00000000 00000000  1000        0 78\n"_s);
        uint gotUid = 0;
        quint64 inode = 0;
        QCOMPARE(PortOwner::parseTable(table, p, quint16(port), &gotUid, &inode), found);
        if (found)
            QCOMPARE(gotUid, uid);
    }
};

QTEST_GUILESS_MAIN(TestPresenceRules)
#include "tst_presencerules.moc"
