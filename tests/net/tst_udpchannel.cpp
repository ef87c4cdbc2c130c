#include "UdpChannel.h"

#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

// Datagrams stay on loopback (127.0.0.x), on a port the system picks.
class TestUdpChannel : public QObject
{
    Q_OBJECT

private:
    TUdpServer m_server;
    TUdpClient m_client;

    QByteArray nextData(QSignalSpy &spy, int index)
    {
        if (spy.size() <= index && !spy.wait(3000))
            return "<nothing>";
        return spy.at(index).at(0).toByteArray();
    }

private Q_SLOTS:
    void init()
    {
        m_server.setDefaultPort(0);
        QVERIFY2(m_server.setActive(true), qPrintable(m_server.errorString()));
        m_client.setHost(QStringLiteral("127.0.0.1"));
        m_client.setPort(m_server.localPort());
    }

    void cleanup()
    {
        m_server.setActive(false);
        m_server.setPacing(0);
    }

    void datagramsArriveWholeInOrderWithTheirSender()
    {
        QSignalSpy received(&m_server, &TUdpServer::datagramReceived);
        const QByteArray largest(TUdpServer::kDefaultBufferSize, '\xE9');
        for (const QByteArray &d : {QByteArray("%PC1"), QByteArray("(PC1"), largest})
            QVERIFY(m_client.send(d));
        QCOMPARE(nextData(received, 0), QByteArray("%PC1"));
        QCOMPARE(nextData(received, 1), QByteArray("(PC1"));
        QCOMPARE(nextData(received, 2), largest);
        QCOMPARE(received.at(0).at(1).value<QHostAddress>(), QHostAddress(QHostAddress::LocalHost));
        QVERIFY(received.at(0).at(2).toUInt() != 0);
    }

    void emptyAndOversizeDatagramsAreDroppedAndListeningGoesOn()
    {
        QSignalSpy received(&m_server, &TUdpServer::datagramReceived);
        QSignalSpy dropped(&m_server, &TUdpServer::datagramDropped);
        QVERIFY(m_client.send(QByteArray()));
        QVERIFY(m_client.send(QByteArray(TUdpServer::kDefaultBufferSize + 1, 'x')));
        QVERIFY(m_client.send("#PC1"));
        QCOMPARE(nextData(received, 0), QByteArray("#PC1"));
        QTRY_COMPARE(dropped.size(), 2);
        QCOMPARE(dropped.at(0).at(0).toString(), QStringLiteral("UDP Receive Error = 0."));
        QCOMPARE(received.size(), 1); // never a truncated copy of the large one
    }

    // The same bytes by another path (a destination not ours) are a copy only from the same sender.
    void sameBytesFromAnotherSenderAreHeard()
    {
        QSignalSpy received(&m_server, &TUdpServer::datagramReceived);
        QUdpSocket one, other;
        QVERIFY(one.bind(QHostAddress(u"127.0.0.2"_s), 0) && other.bind(QHostAddress(u"127.0.0.4"_s), 0));
        for (auto [socket, to] : {std::pair{&one, "127.0.0.3"}, {&one, "127.0.0.5"}, {&other, "127.0.0.5"}})
            socket->writeDatagram("%ZED", QHostAddress(QString::fromLatin1(to)), m_server.localPort());
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received.at(1).at(1).value<QHostAddress>(), QHostAddress(u"127.0.0.4"_s));
    }

    void burstIsDeliveredCompletelyAndInOrder()
    {
        QSignalSpy received(&m_server, &TUdpServer::datagramReceived);
        constexpr int kCount = 200; // within what the default socket buffer holds
        for (int i = 0; i < kCount; ++i)
            QVERIFY(m_client.send(QByteArray::number(i)));
        QTRY_COMPARE(received.size(), kCount);
        for (int i = 0; i < kCount; ++i)
            QCOMPARE(received.at(i).at(0).toByteArray(), QByteArray::number(i));
    }

    // Paced, what waits in the socket is handed on within one pass of the event
    // loop, in order; a handler that deactivates the server stops the rest.
    void pacedBurstIsHandedOnTogetherUntilDeactivated_data()
    {
        QTest::addColumn<int>("stopAt"); // the datagram whose handler deactivates, or 0
        QTest::addColumn<int>("delivered");
        QTest::newRow("whole burst") << 0 << 50;
        QTest::newRow("deactivated by the tenth") << 10 << 10;
    }

    void pacedBurstIsHandedOnTogetherUntilDeactivated()
    {
        QFETCH(int, stopAt);
        QFETCH(int, delivered);
        m_server.setPacing(16);
        QByteArrayList got;
        int beforeNextPass = -1;
        QObject context;
        connect(&m_server, &TUdpServer::datagramReceived, &context, [&](const QByteArray &data) {
            got.append(data);
            if (got.size() == 1)
                QMetaObject::invokeMethod(&context, [&] { beforeNextPass = int(got.size()); }, Qt::QueuedConnection);
            if (got.size() == stopAt)
                m_server.setActive(false);
        });
        for (int i = 0; i < 50; ++i)
            QVERIFY(m_client.send(QByteArray::number(i)));
        QTRY_VERIFY(beforeNextPass >= 0);
        QCOMPARE(beforeNextPass, delivered);
        QCOMPARE(got.size(), delivered);
        QCOMPARE(got.last(), QByteArray::number(delivered - 1));
    }

    void portInUseIsReportedAndDeactivationStopsDelivery()
    {
        TUdpServer second;
        second.setDefaultPort(m_server.localPort());
        QVERIFY(!second.setActive(true));
        QCOMPARE(second.errorString(),
                 QStringLiteral("Could not bind socket. Address and port are already in use."));

        QSignalSpy received(&m_server, &TUdpServer::datagramReceived);
        QVERIFY(m_client.send("%PC1"));
        const quint16 port = m_server.localPort();
        m_server.setActive(false);
        m_server.setDefaultPort(port);
        // Listening again on the same port: only what is sent now arrives,
        // so the datagram sent before the deactivation was never delivered.
        QVERIFY(m_server.setActive(true));
        QVERIFY(m_client.send("(PC1"));
        QCOMPARE(nextData(received, 0), QByteArray("(PC1"));
        QCOMPARE(received.size(), 1);
    }

    void namesAreLookedUpWithoutBlockingAndWaitingDatagramsFollow()
    {
        QSignalSpy received(&m_server, &TUdpServer::datagramReceived);
        TUdpClient client;
        QSignalSpy lookedUp(&client, &TUdpClient::hostLookedUp);
        client.setHost(QStringLiteral("127.1")); // a form only the resolver reads as 127.0.0.1
        client.setPort(m_server.localPort());
        QVERIFY(client.send("%PC1"));
        QVERIFY(client.send("(PC1"));
        QVERIFY(lookedUp.size() == 1 || lookedUp.wait(5000));
        QCOMPARE(lookedUp.first().at(0).toBool(), true);
        QCOMPARE(nextData(received, 0), QByteArray("%PC1"));
        QCOMPARE(nextData(received, 1), QByteArray("(PC1"));

        // A name that does not resolve: what waited is dropped, later sends fail.
        client.setHost(QStringLiteral("no-such-host.invalid"));
        for (int i = 0; i < TUdpClient::kMaxWaiting; ++i)
            QVERIFY(client.send("x"));
        QString error;
        QVERIFY(!client.send("x", &error)); // no more than that waits
        QVERIFY(lookedUp.size() == 2 || lookedUp.wait(15000));
        QCOMPARE(lookedUp.last().at(0).toBool(), false);
        QVERIFY(!client.send("x", &error));
        QVERIFY2(error.startsWith(QStringLiteral("Socket Error # 10039")), qPrintable(error));
    }

    void sendErrorsAreReportedNotThrown()
    {
        QString error;
        QVERIFY(!m_client.send(QByteArray(70000, 'x'), &error));
        QCOMPARE(error, QStringLiteral("Package Size Too Big."));
    }
};

QTEST_GUILESS_MAIN(TestUdpChannel)
#include "tst_udpchannel.moc"
