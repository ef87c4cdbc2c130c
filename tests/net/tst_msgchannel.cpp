#include "MsgChannel.h"
#include "RawPeer.h"
#include "MsgFrame.h"
#include "SocketLimits.h"

#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

#include <sys/resource.h>

// Everything here runs on loopback with ports chosen by the system.
class TestMsgChannel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TMsgServer> m_server;

    void startServer()
    {
        m_server = std::make_unique<TMsgServer>();
        m_server->setPort(0);
        QVERIFY(m_server->listen(QHostAddress(QHostAddress::LocalHost)));
    }

    // Messages "two" and "three", each acknowledged before the next, from
    // inside a handler that keeps the first one's delivery busy.
    void postTwoAndThree()
    {
        QTcpSocket second, third;
        for (auto [socket, request] : {std::pair{&second, "0002PC0003two"}, std::pair{&third, "0002PC0005three"}}) {
            socket->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
            socket->write(request);
            QTRY_COMPARE(socket->bytesAvailable(), MsgFrame::kAckSize);
        }
    }

    std::unique_ptr<TMsgClient> clientFor(quint16 port, const QString &from = QStringLiteral("PC1"))
    {
        auto client = std::make_unique<TMsgClient>();
        client->setHost(QStringLiteral("127.0.0.1"));
        client->setPort(port);
        client->setFromName(from);
        return client;
    }

    // A raw peer that sends the given bytes and reports what it gets back. It
    // waits on the event loop, since the server under test shares this thread.
    static QByteArray rawExchange(quint16 port, const QByteArray &bytes, bool closeAfterSend = false)
    {
        return RawPeer::exchange(port, bytes, closeAfterSend ? RawPeer::After::Close : RawPeer::After::WaitForReply);
    }

    // The same from a chosen loopback source address (any 127.x.y.z).
    static QByteArray rawExchange(quint16 port, const QByteArray &bytes, const QHostAddress &source)
    {
        return RawPeer::exchange(port, bytes, RawPeer::After::WaitForReply, source);
    }

private Q_SLOTS:
    void initTestCase()
    {
        raiseOpenFileLimit();
    }

    void init()
    {
        startServer();
    }

    void cleanup()
    {
        m_server.reset();
    }

    void clientWritesExactBytesAndReturnsTheAcknowledgement()
    {
        QTcpServer fake;
        QVERIFY(fake.listen(QHostAddress::LocalHost));
        QByteArray seen;
        connect(&fake, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = fake.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [&seen, s] {
                seen += s->readAll();
                if (seen.size() >= 13)
                    s->write("OK              ");
            });
        });
        auto client = clientFor(fake.serverPort());
        QSignalSpy finished(client.get(), &TMsgClient::finished);
        client->postText(QStringLiteral("Hi"));
        QVERIFY(finished.wait(5000));
        QCOMPARE(seen, QByteArray("0003PC10002Hi"));
        QCOMPARE(finished.at(0).at(0).toByteArray(), MsgFrame::acknowledgement());
    }

    void messageRoundTripsThroughServer_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("PC1") << QStringLiteral("Hi");
        QTest::newRow("empty text") << QStringLiteral("PC1") << QString();
        QTest::newRow("russian, CR LF") << QStringLiteral("ВАСЯ") << QStringLiteral("Привет,\r\nмир!");
        QTest::newRow("9999 bytes") << QStringLiteral("PC1") << QString(9999, u'ж');
    }

    void messageRoundTripsThroughServer()
    {
        QFETCH(QString, from);
        QFETCH(QString, text);
        QSignalSpy received(m_server.get(), &TMsgServer::messageReceived);
        auto client = clientFor(m_server->serverPort(), from);
        QSignalSpy finished(client.get(), &TMsgClient::finished);
        client->postText(text);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.at(0).at(0).toByteArray(), MsgFrame::acknowledgement());
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toString(), from);
        QCOMPARE(received.at(0).at(1).toString(), text);
        QCOMPARE(received.at(0).at(2).value<QHostAddress>(), QHostAddress(QHostAddress::LocalHost));
    }

    void oversizeFieldsAreRefusedBeforeConnecting()
    {
        QSignalSpy contacts(m_server.get(), &TTcpServerBase::clientContact);
        auto client = clientFor(m_server->serverPort());
        QSignalSpy failed(client.get(), &TMsgClient::failed);
        client->postText(QString(10000, u'x'));
        QVERIFY(failed.wait(2000));
        QVERIFY(failed.at(0).at(0).toString().contains(QStringLiteral("9999")));
        client->setFromName(QString(10000, u'x'));
        client->postText(QStringLiteral("Hi"));
        QVERIFY(failed.wait(2000));
        QCOMPARE(contacts.size(), 0);
    }

    void badRequestsCloseWithoutAcknowledgementAndServingGoesOn()
    {
        QSignalSpy received(m_server.get(), &TMsgServer::messageReceived);
        const quint16 port = m_server->serverPort();
        QCOMPARE(rawExchange(port, "00x3PC1"), QByteArray());
        QCOMPARE(rawExchange(port, "+003PC10002Hi"), QByteArray());
        rawExchange(port, "0003PC1", /*closeAfterSend=*/true); // ends before the text length
        rawExchange(port, "0003PC10010Hi", true);               // ends inside the text
        QCOMPARE(rawExchange(port, "0003PC10002Hi"), MsgFrame::acknowledgement());
        // Delivery keeps arrival order: once a later message is out, nothing
        // of the broken requests can still come.
        QCOMPARE(rawExchange(port, "0003PC10004last"), MsgFrame::acknowledgement());
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received.at(0).at(1).toString(), QStringLiteral("Hi"));
        QCOMPARE(received.at(1).at(1).toString(), QStringLiteral("last"));
    }

    void acknowledgementPrecedesDeliveryAndEventsComeInOrder()
    {
        QStringList order;
        connect(m_server.get(), &TMsgServer::messageReceived, this,
                [&](const QString &, const QString &text) { order << text; });
        const quint16 port = m_server->serverPort();
        // Two overlapping connections: the second completes first.
        QTcpSocket first, second;
        first.connectToHost(QHostAddress::LocalHost, port);
        second.connectToHost(QHostAddress::LocalHost, port);
        QTRY_VERIFY(first.state() == QAbstractSocket::ConnectedState
                    && second.state() == QAbstractSocket::ConnectedState);
        first.write("0001A0003on");
        second.write("0001B0003two");
        QTRY_COMPARE(second.bytesAvailable(), MsgFrame::kAckSize);
        QCOMPARE(first.bytesAvailable(), 0);
        first.write("e");
        QTRY_COMPARE(first.bytesAvailable(), MsgFrame::kAckSize);
        QTRY_COMPARE(order, QStringList({QStringLiteral("two"), QStringLiteral("one")}));
    }

    void handlerNeverRunsInsideAnotherHandler()
    {
        // A handler that spins the event loop (as a blocking dialog would) must
        // not see the next message arrive inside itself.
        int depth = 0, maxDepth = 0, handled = 0;
        connect(m_server.get(), &TMsgServer::messageReceived, this, [&] {
            maxDepth = std::max(maxDepth, ++depth);
            if (handled++ == 0)
                QTest::qWait(300);
            --depth;
        });
        auto a = clientFor(m_server->serverPort());
        auto b = clientFor(m_server->serverPort());
        QSignalSpy bDone(b.get(), &TMsgClient::finished);
        a->postText(QStringLiteral("first"));
        QTimer::singleShot(50, b.get(), [&] { b->postText(QStringLiteral("second")); });
        QVERIFY(bDone.wait(3000)); // acknowledged even while the first handler is busy
        QTRY_COMPARE(handled, 2);
        QCOMPARE(maxDepth, 1);
    }

    void idleFloodDoesNotDelayARealMessage()
    {
        // Slow senders, each having sent one byte, from many addresses (one
        // address may hold only so many). Opened in waves: a single wave of
        // 1000 overflows the kernel's accept queue, and the overflow never
        // reaches us at all.
        constexpr int kIdle = 5000;
        constexpr int kWave = 100;
        constexpr int kPerAddress = 50;
        static_assert(kPerAddress <= TTcpServerBase::kMaxConnectionsPerAddress);
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        while (idle.size() < kIdle) {
            for (int i = 0; i < kWave; ++i) {
                const int n = int(idle.size()) / kPerAddress;
                idle.push_back(std::make_unique<QTcpSocket>());
                QVERIFY(idle.back()->bind(QHostAddress(QStringLiteral("127.1.%1.%2").arg(n / 200).arg(n % 200 + 1))));
                idle.back()->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
                idle.back()->write("0");
            }
            QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), int(idle.size()), 10000);
        }
        QSignalSpy received(m_server.get(), &TMsgServer::messageReceived);
        auto client = clientFor(m_server->serverPort());
        QSignalSpy finished(client.get(), &TMsgClient::finished);
        client->postText(QStringLiteral("через толпу"));
        QVERIFY(finished.wait(1000));
        QCOMPARE(finished.at(0).at(0).toByteArray(), MsgFrame::acknowledgement());
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 1000);
        QCOMPARE(m_server->connectionCount(), kIdle + 1);
    }

    void oneAddressHoldsABoundedNumberOfConnections()
    {
        QSignalSpy refused(m_server.get(), &TTcpServerBase::connectionRefused);
        constexpr int kCap = TTcpServerBase::kMaxConnectionsPerAddress;
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < kCap + 6; ++i) {
            held.push_back(std::make_unique<QTcpSocket>());
            held.back()->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        }
        QTRY_COMPARE(refused.size(), 6);
        QCOMPARE(m_server->connectionCount(), kCap);
        const auto closed = [&] {
            return std::count_if(held.begin(), held.end(), [](const auto &socket) {
                return socket->state() == QAbstractSocket::UnconnectedState;
            });
        };
        QTRY_COMPARE(closed(), 6); // closed at once, not left waiting
        QCOMPARE(refused.at(0).at(0).value<QHostAddress>(), QHostAddress(QHostAddress::LocalHost));

        // Another address is served as usual.
        QCOMPARE(rawExchange(m_server->serverPort(), "0002PC0002hi", QHostAddress(QStringLiteral("127.0.0.2"))),
                 MsgFrame::acknowledgement());

        // Connections that end give their slots back.
        for (auto &socket : held)
            socket->abort();
        QTRY_COMPARE(m_server->connectionCount(), 0);
        QCOMPARE(rawExchange(m_server->serverPort(), "0002PC0002hi"), MsgFrame::acknowledgement());
        QCOMPARE(refused.size(), 6);
    }

    void headerTrickledByteByByteIsClosedAtItsDeadline()
    {
        // Each byte keeps the idle bound at bay; the header deadline does not move.
        m_server->setHeaderDeadline(300);
        QSignalSpy received(m_server.get(), &TMsgServer::messageReceived);
        QSignalSpy dropped(m_server.get(), &TMsgServer::connectionDropped);
        const QByteArray request = "0003PC10020" + QByteArray(20, 'x');
        QTcpSocket slow;
        slow.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        qsizetype sent = 0;
        QTimer trickle;
        connect(&trickle, &QTimer::timeout, &slow, [&] {
            if (sent < request.size() && slow.state() == QAbstractSocket::ConnectedState)
                slow.write(request.mid(sent++, 1));
        });
        trickle.start(40);
        QTRY_COMPARE_WITH_TIMEOUT(slow.state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY2(sent < request.size(), "closed only after the request was whole");
        QCOMPARE(slow.readAll(), QByteArray()); // no acknowledgement
        QCOMPARE(received.size(), 0);
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(m_server->connectionCount(), 0);
        // A request that arrives whole in time is served.
        QCOMPARE(rawExchange(m_server->serverPort(), request), MsgFrame::acknowledgement());
        QTRY_COMPARE(received.size(), 1);
    }

    void closingWithABacklogHandsOverWhatWasAcknowledged()
    {
        // Three messages acknowledged while the first one's handler is still
        // busy: whoever closes the server gets the other two, in order, and
        // they are never delivered after that.
        QStringList delivered;
        QList<ReceivedMessage> taken;
        connect(m_server.get(), &TMsgServer::messageReceived, this, [&](const QString &, const QString &text) {
            delivered << text;
            if (delivered.size() > 1)
                return;
            postTwoAndThree();
            taken = m_server->takePending();
        });
        QCOMPARE(rawExchange(m_server->serverPort(), "0002PC0003one"), MsgFrame::acknowledgement());
        QTRY_COMPARE(taken.size(), 2);
        QCOMPARE(taken.at(0).text, QStringLiteral("two"));
        QCOMPARE(taken.at(1).text, QStringLiteral("three"));
        QCOMPARE(taken.at(1).fromName, QStringLiteral("PC"));
        QCOMPARE(taken.at(1).peer, QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(m_server->takePending().size(), 0);
        QCOMPARE(rawExchange(m_server->serverPort(), "0002PC0004four"), MsgFrame::acknowledgement());
        QTRY_COMPARE(delivered, QStringList({QStringLiteral("one"), QStringLiteral("four")}));
    }

    void aBacklogStopsAcceptingUntilItDrainsAndLosesNothing()
    {
        // Peers faster than the handlers: past the bound, a new connection
        // waits in the system's queue, unanswered, until the backlog is
        // handled; then it is served and delivered after the others.
        m_server->setBacklogBound(2, 0);
        QStringList delivered;
        QTcpSocket fourth;
        connect(m_server.get(), &TMsgServer::messageReceived, this, [&](const QString &, const QString &text) {
            delivered << text;
            if (delivered.size() > 1)
                return;
            postTwoAndThree();
            QVERIFY(m_server->isAcceptingPaused());
            fourth.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
            fourth.write("0002PC0004four");
            QTRY_VERIFY(fourth.state() == QAbstractSocket::ConnectedState && fourth.bytesToWrite() == 0);
            QTest::qWait(100);
            QCOMPARE(fourth.bytesAvailable(), 0);
        });
        QCOMPARE(rawExchange(m_server->serverPort(), "0002PC0003one"), MsgFrame::acknowledgement());
        QTRY_COMPARE(delivered, QStringList({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"),
                                             QStringLiteral("four")}));
        QCOMPARE(fourth.bytesAvailable(), MsgFrame::kAckSize);
        QVERIFY(!m_server->isAcceptingPaused());
    }

    void acceptingPausesWellBeforeTheDescriptorLimit()
    {
        // A crowd in a small descriptor table: accepting stops while room is
        // left for files, and takes the waiting ones once enough have gone.
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit small{512, saved.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &small), 0);
        const auto restore = qScopeGuard([&saved] { ::setrlimit(RLIMIT_NOFILE, &saved); });
        std::vector<std::unique_ptr<QTcpSocket>> crowd(200); // two descriptors each in this process
        for (std::size_t i = 0; i < crowd.size(); ++i) {
            crowd[i] = std::make_unique<QTcpSocket>();
            QVERIFY(crowd[i]->bind(QHostAddress(QStringLiteral("127.2.0.%1").arg(i / 50 + 1))));
            crowd[i]->connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        }
        QTRY_VERIFY(m_server->isAcceptingPaused());
        QVERIFY(m_server->connectionCount() < 200);
        for (QFile &file : std::vector<QFile>(100)) {
            file.setFileName(QStringLiteral("/dev/null"));
            QVERIFY2(file.open(QIODevice::ReadOnly), "no descriptor left for a file");
        }
        crowd.resize(50);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->connectionCount(), 50, 10000);
        QCOMPARE(rawExchange(m_server->serverPort(), "0002PC0002hi"), MsgFrame::acknowledgement());
    }

    void silentConnectionsAreClosed()
    {
        m_server->setIdleTimeout(200);
        QTcpSocket silent;
        silent.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(m_server->connectionCount(), 0);
    }

    void connectFailuresUseTheirTexts()
    {
        QTcpServer probe; // a port that is surely closed: bound, then released
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 closedPort = probe.serverPort();
        probe.close();

        auto client = clientFor(closedPort);
        QSignalSpy failed(client.get(), &TMsgClient::failed);
        QSignalSpy connectionFailed(client.get(), &TTcpSock::connectionFailed);
        client->postText(QStringLiteral("Hi"));
        QVERIFY(failed.wait(5000));
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Connection Failed"));
        QCOMPARE(connectionFailed.size(), 1);

        client->setHost(QStringLiteral("no-such-host.invalid"));
        client->postText(QStringLiteral("Hi"));
        QVERIFY(failed.wait(10000));
        QCOMPARE(failed.at(1).at(0).toString(), QStringLiteral("Null Remote Address"));

        client->setHost(QString());
        client->postText(QStringLiteral("Hi"));
        QVERIFY(failed.wait(2000));
        QCOMPARE(failed.at(2).at(0).toString(), QStringLiteral("Null Remote Address"));
    }

    void oneOperationAtATimeAndReusableAfterwards()
    {
        auto client = clientFor(m_server->serverPort());
        QSignalSpy finished(client.get(), &TMsgClient::finished);
        QSignalSpy failed(client.get(), &TMsgClient::failed);
        client->postText(QStringLiteral("one"));
        client->postText(QStringLiteral("two"));
        QVERIFY(failed.wait(2000));
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Already connected"));
        QTRY_COMPARE(finished.size(), 1);
        client->postText(QStringLiteral("three"));
        QTRY_COMPARE(finished.size(), 2);
        QCOMPARE(failed.size(), 1);
    }

    void serverThatNeverAnswersIsBounded()
    {
        QTcpServer mute;
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        auto client = clientFor(mute.serverPort());
        client->setTimeOut(200);
        QSignalSpy failed(client.get(), &TMsgClient::failed);
        client->postText(QStringLiteral("Hi"));
        QVERIFY(failed.wait(5000));
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Socket send aborted"));
        QVERIFY(!client->isBusy());
    }

    void serverClosingWithoutAnswerGivesEmptyReply()
    {
        QTcpServer rude;
        QVERIFY(rude.listen(QHostAddress::LocalHost));
        connect(&rude, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = rude.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [s] { s->readAll(); s->disconnectFromHost(); });
        });
        auto client = clientFor(rude.serverPort());
        QSignalSpy finished(client.get(), &TMsgClient::finished);
        QSignalSpy failed(client.get(), &TMsgClient::failed);
        client->postText(QStringLiteral("Hi"));
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.at(0).at(0).toByteArray(), QByteArray());
        QCOMPARE(failed.size(), 0);
    }

    void secondServerOnTheSamePortSaysWhy()
    {
        TMsgServer second;
        second.setPort(m_server->serverPort());
        QVERIFY(!second.listen(QHostAddress(QHostAddress::LocalHost)));
        QVERIFY(!second.errorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMsgChannel)
#include "tst_msgchannel.moc"
