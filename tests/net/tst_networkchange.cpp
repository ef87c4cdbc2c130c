// The network coming and going: a burst of changes settles into one, the
// interfaces a broadcast leaves by, copies of one broadcast that arrive
// by two networks, a datagram sent with no network up, and the kernel's
// reports of links and addresses, on veth pairs made in the test's own
// network namespace.
#include "BroadcastCopies.h"
#include "BroadcastTargets.h"
#include "ChangeSettler.h"
#include "NetworkWatch.h"
#include "UdpChannel.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

quint32 ip(const char *text)
{
    return QHostAddress(QString::fromLatin1(text)).toIPv4Address();
}

QNetworkAddressEntry entry(const char *address, int prefix, const char *broadcast)
{
    QNetworkAddressEntry e;
    e.setIp(QHostAddress(QString::fromLatin1(address)));
    e.setPrefixLength(prefix);
    if (broadcast)
        e.setBroadcast(QHostAddress(QString::fromLatin1(broadcast)));
    return e;
}

// Only loopback: the test runs in a network namespace of its own, where it may add links.
bool inPrivateNamespace()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    return std::all_of(interfaces.begin(), interfaces.end(),
                       [](const QNetworkInterface &i) { return i.flags().testFlag(QNetworkInterface::IsLoopBack); });
}

QString runIp(const QStringList &arguments)
{
    QProcess ip;
    ip.start(u"ip"_s, arguments);
    if (!ip.waitForFinished(10000) || ip.exitStatus() != QProcess::NormalExit)
        return u"ip "_s + arguments.join(u' ') + u": did not run"_s;
    if (ip.exitCode() != 0)
        return u"ip "_s + arguments.join(u' ') + u": "_s + QString::fromLocal8Bit(ip.readAllStandardError()).trimmed();
    return {};
}

} // namespace

class TestNetworkChange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aBurstOfChangesSettlesIntoOne()
    {
        ChangeSettler settler(50ms, 1000ms);
        QSignalSpy settled(&settler, &ChangeSettler::settled);
        QVERIFY(!settler.isSettling()); // idle: no timer
        for (int i = 0; i < 5; ++i)
            settler.noteChange();
        QVERIFY(settled.wait(5000));
        QCOMPARE(settled.count(), 1);
        QVERIFY(!settler.isSettling()); // nothing more is on its way

        settler.noteChange(); // a later change is a burst of its own
        QVERIFY(settled.wait(5000));
        QCOMPARE(settled.count(), 2);
    }

    void changesThatNeverPauseStillSettle()
    {
        ChangeSettler settler(200ms, 400ms);
        QSignalSpy settled(&settler, &ChangeSettler::settled);
        QTimer flapping; // a link that keeps changing, faster than the quiet time
        connect(&flapping, &QTimer::timeout, &settler, &ChangeSettler::noteChange);
        flapping.start(20ms);
        settler.noteChange();
        QVERIFY(settled.wait(5000));
        QVERIFY(flapping.isActive());
        QCOMPARE(settled.count(), 1);
    }

    void limitedBroadcastLeavesByEachUsableInterface()
    {
        using F = QNetworkInterface::InterfaceFlag;
        const QNetworkInterface::InterfaceFlags usable = F::IsUp | F::IsRunning | F::CanBroadcast;
        const QList<BroadcastTargets::Interface> interfaces{
            {u"lo"_s, usable | F::IsLoopBack, {entry("127.0.0.1", 8, "127.255.255.255")}, 1},
            {u"eth0"_s, usable, {entry("fe80::1", 64, nullptr), entry("10.1.0.5", 24, "10.1.0.255"),
                                 entry("10.2.0.5", 24, "10.2.0.255")}, 2},
            {u"wlan0"_s, F::IsUp | F::CanBroadcast, {entry("10.3.0.5", 24, "10.3.0.255")}, 3}, // no link
            {u"eth1"_s, F::IsRunning | F::CanBroadcast, {entry("10.4.0.5", 24, "10.4.0.255")}, 4}, // down
            {u"tun0"_s, F::IsUp | F::IsRunning | F::IsPointToPoint, {entry("10.8.0.2", 32, nullptr)}, 5},
            {u"eth2"_s, usable, {entry("192.168.7.9", 16, "192.168.255.255")}, 6},
            {u"eth3"_s, usable, {entry("10.1.0.6", 24, "10.1.0.255")}, 7}, // the same network on another wire
            {u"eth4"_s, usable, {}, 8},                                      // up, no IPv4 address
            {u"eth5"_s, usable, {entry("10.9.0.1", 24, nullptr)}, 9},      // no broadcast address of its own
        };
        using T = BroadcastTargets::Target;
        QCOMPARE(BroadcastTargets::limited(interfaces),
                 (QList<T>{T{2, ip("10.1.0.5"), u"eth0"_s, ip("10.1.0.255")},
                           T{6, ip("192.168.7.9"), u"eth2"_s, ip("192.168.255.255")},
                           T{7, ip("10.1.0.6"), u"eth3"_s, ip("10.1.0.255")}, T{9, ip("10.9.0.1"), u"eth5"_s, 0}}));
        QVERIFY(BroadcastTargets::limited({}).isEmpty());
    }

    void aCopyByAnotherNetworkIsDroppedARepeatIsKept()
    {
        BroadcastCopies copies;
        const quint64 first = 1, second = 2;
        const quint32 host = ip("10.1.0.7");
        QVERIFY(!copies.isCopy("&line", host, first, 0));
        QVERIFY(copies.isCopy("&line", host, second, 3));      // the same send, by the other network
        QVERIFY(!copies.isCopy("&other", host, second, 4));    // other bytes are another datagram
        QVERIFY(!copies.isCopy("&line", host, first, 10));     // said again: a new send...
        QVERIFY(copies.isCopy("&line", host, second, 11));     // ...with its own copy
        QVERIFY(!copies.isCopy("&line", host, second, 12));    // and again, by the second network first
        QVERIFY(!copies.isCopy("&line", host, first, 12 + BroadcastCopies::kWindowMs + 1)); // long after: new
        for (int i = 0; i < 2 * BroadcastCopies::kRemembered; ++i)
            QVERIFY(!copies.isCopy(QByteArray::number(i), host, first, 20000)); // a flood stays bounded
    }

    // Our own sends come back once per network, each from our address there.
    void ourOwnAddressesAreOneSender()
    {
        BroadcastCopies copies([](quint32 address) { return address == ip("10.1.0.5") || address == ip("10.2.0.5"); });
        QVERIFY(!copies.isCopy("%ZED", ip("10.1.0.5"), 1, 0));
        QVERIFY(copies.isCopy("%ZED", ip("10.2.0.5"), 2, 1));
        QVERIFY(!copies.isCopy("%ZED", ip("10.1.0.8"), 3, 2)); // another computer
    }

    // From here on the test needs a namespace of its own; links are added in order.
    void noNetworkIsReportedAsSuch()
    {
        if (!inPrivateNamespace())
            QSKIP("only in a private network namespace: unshare -rn");
        TUdpClient client; // the limited broadcast, with nothing but loopback up
        client.setPort(9);
        QString error;
        QVERIFY(!client.send("%PC1", &error));
        QVERIFY(client.failedForNoNetwork());
        QVERIFY2(error.startsWith(u"Socket Error # 10051"_s), qPrintable(error));

        client.setHost(u"127.0.0.1"_s); // what the loopback tests use: unchanged
        QVERIFY(client.send("%PC1"));
        QVERIFY(!client.failedForNoNetwork());
    }

    void linksAndAddressesAreWatchedAndBroadcastsReachEveryNetwork()
    {
        if (!inPrivateNamespace())
            QSKIP("only in a private network namespace: unshare -rn");
        NetworkWatch watch(NetworkWatch::KernelOnly); // a reachability backend would add changes of its own
        QVERIFY(watch.isWatchingKernel());
        QSignalSpy changed(&watch, &NetworkWatch::changed);

        // Two networks, each a veth pair; the far ends stand for the wires.
        const QList<QStringList> setUp{
            {u"link"_s, u"add"_s, u"zvn0"_s, u"type"_s, u"veth"_s, u"peer"_s, u"name"_s, u"zvn0p"_s},
            {u"link"_s, u"add"_s, u"zvn1"_s, u"type"_s, u"veth"_s, u"peer"_s, u"name"_s, u"zvn1p"_s},
            {u"addr"_s, u"add"_s, u"10.201.0.1/24"_s, u"broadcast"_s, u"+"_s, u"dev"_s, u"zvn0"_s},
            {u"addr"_s, u"add"_s, u"10.202.0.1/24"_s, u"broadcast"_s, u"+"_s, u"dev"_s, u"zvn1"_s},
            {u"link"_s, u"set"_s, u"zvn0p"_s, u"up"_s},  {u"link"_s, u"set"_s, u"zvn1p"_s, u"up"_s},
            {u"link"_s, u"set"_s, u"zvn0"_s, u"up"_s},   {u"link"_s, u"set"_s, u"zvn1"_s, u"up"_s},
        };
        m_madeLinks = true;
        for (const QStringList &step : setUp) {
            const QString failed = runIp(step);
            if (!failed.isEmpty()) {
                if (qEnvironmentVariable("CI") == u"true")
                    QFAIL(qPrintable(failed));
                QSKIP(qPrintable(failed));
            }
        }
        QVERIFY(changed.wait(5000));
        QTRY_VERIFY(!BroadcastTargets::limited().isEmpty());
        QCOMPARE(changed.count(), 1); // the whole burst, once

        // Each broadcast leaves once per network; our own listener hears it once.
        QStringList ways;
        for (const BroadcastTargets::Target &t : BroadcastTargets::limited())
            ways << t.name + u' ' + QHostAddress(t.source).toString();
        QCOMPARE(ways, (QStringList{u"zvn0 10.201.0.1"_s, u"zvn1 10.202.0.1"_s}));
        TUdpServer server;
        server.setDefaultPort(0);
        QVERIFY(server.setActive(true));
        QSignalSpy heard(&server, &TUdpServer::datagramReceived);
        TUdpClient client;
        client.setPort(server.localPort());
        QVERIFY(client.send("&one line"));
        QVERIFY(client.send("&marker"));
        QTRY_VERIFY(std::any_of(heard.begin(), heard.end(),
                                [](const QList<QVariant> &args) { return args.at(0).toByteArray() == "&marker"; }));
        QStringList lines;
        for (const QList<QVariant> &args : std::as_const(heard))
            lines << QString::fromLatin1(args.at(0).toByteArray());
        QCOMPARE(lines.count(u"&one line"_s), 1);

        // A changed address is a change; the same address reported again is not.
        QVERIFY(runIp({u"addr"_s, u"replace"_s, u"10.201.0.1/24"_s, u"broadcast"_s, u"+"_s, u"dev"_s, u"zvn0"_s,
                       u"valid_lft"_s, u"3600"_s, u"preferred_lft"_s, u"3600"_s}).isEmpty());
        QVERIFY(runIp({u"addr"_s, u"del"_s, u"10.202.0.1/24"_s, u"dev"_s, u"zvn1"_s}).isEmpty());
        QVERIFY(runIp({u"addr"_s, u"add"_s, u"10.202.0.7/24"_s, u"broadcast"_s, u"+"_s, u"dev"_s, u"zvn1"_s}).isEmpty());
        QVERIFY(changed.wait(5000));
        QCOMPARE(changed.count(), 2);

        // A link going down is a change.
        QVERIFY(runIp({u"link"_s, u"set"_s, u"zvn0"_s, u"down"_s}).isEmpty());
        QVERIFY(changed.wait(5000));
        QCOMPARE(changed.count(), 3);
    }

    void cleanupTestCase()
    {
        if (m_madeLinks) {
            runIp({u"link"_s, u"del"_s, u"zvn0"_s});
            runIp({u"link"_s, u"del"_s, u"zvn1"_s});
        }
    }

private:
    bool m_madeLinks = false;
};

QTEST_GUILESS_MAIN(TestNetworkChange)
#include "tst_networkchange.moc"
