// Two secure channels on loopback: messages and files over TLS with pinned
// keys, and everything that must be refused within the bounds: a changed
// key either way (warned about once per key), a client without a certificate, garbage, a stalled or
// trickling handshake, a crowd of handshakes from one address or from several, and
// more established connections than may be held.
#include "SecureChannel.h"
#include "StreamFrame.h"
#include "TlsListener.h"
#include "TlsSetup.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
const QHostAddress kLoopback(QHostAddress::LocalHost);

struct Side
{
    QTemporaryDir home;
    std::unique_ptr<SecureChannel> channel;
    QString name;

    explicit Side(const QString &computer)
        : channel(std::make_unique<SecureChannel>(home.path(), 0))
        , name(computer)
    {
    }
};
} // namespace

class TestSecureChannel : public QObject
{
    Q_OBJECT

    std::unique_ptr<Side> m_a;
    std::unique_ptr<Side> m_b;

    // `from` hears `to`'s presence and announcement, and pins its key once
    // its own handshake proves it.
    static bool announce(Side &from, Side &to)
    {
        from.channel->notePresence(to.name, kLoopback);
        from.channel->takeAnnouncement(to.channel->announcement(to.name), kLoopback, from.name);
        return QTest::qWaitFor([&] { return from.channel->hasPinnedKey(to.name); }, 10000);
    }

    // Posts `text` from `from` to `to` over TLS; whether it was acknowledged.
    static bool post(Side &from, Side &to, const QString &text, const QString &fromName = QString())
    {
        if (!from.channel->prepareMessageClient(to.name))
            return false;
        SecureMsgClient *client = from.channel->messageClient();
        QSignalSpy finished(client, &TMsgClient::finished);
        QSignalSpy failed(client, &TMsgClient::failed);
        client->setHost(u"127.0.0.1"_s);
        client->setFromName(fromName.isEmpty() ? from.name : fromName);
        client->postText(text);
        if (!QTest::qWaitFor([&] { return !finished.isEmpty() || !failed.isEmpty(); }, 15000))
            return false;
        return !finished.isEmpty() && finished.first().first().toByteArray().startsWith("OK");
    }

private Q_SLOTS:
    void init()
    {
        m_a = std::make_unique<Side>(u"PC-A"_s);
        m_b = std::make_unique<Side>(u"PC-B"_s);
        QVERIFY(m_a->channel->isAvailable() && m_b->channel->isAvailable());
        QVERIFY(m_a->channel->listen(kLoopback));
        QVERIFY(m_b->channel->listen(kLoopback));
    }
    void cleanup()
    {
        m_a.reset();
        m_b.reset();
    }

    // Only our own handshake pins; a message over TLS pins nothing on the side that receives it.
    void messageGoesOverTlsAndOnlyProofPins()
    {
        QSignalSpy pinnedOnA(&m_a->channel->trust(), &KeyTrust::keyPinned);
        QVERIFY(announce(*m_a, *m_b));
        QCOMPARE(pinnedOnA.size(), 1);
        QCOMPARE(m_a->channel->pins().pin(u"PC-B"_s)->fingerprint, m_b->channel->identity().fingerprint());
        QCOMPARE(m_a->channel->pins().pin(u"PC-B"_s)->address, u"127.0.0.1"_s);

        QSignalSpy received(&m_b->channel->messageServer(), &TMsgServer::messageReceived);
        QVERIFY(post(*m_a, *m_b, u"Привет по секрету"_s));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().at(0).toString(), u"PC-A"_s);
        QCOMPARE(received.first().at(1).toString(), u"Привет по секрету"_s);
        QCOMPARE(received.first().at(3).toString(), m_a->channel->identity().fingerprint());
        QVERIFY(!m_b->channel->hasPinnedKey(u"PC-A"_s));
        QCOMPARE(m_b->channel->trust().judge(u"PC-A"_s, m_a->channel->identity().fingerprint(), u"127.0.0.1"_s).origin,
                 KeyTrust::Origin::Open);
        QVERIFY(post(*m_a, *m_b, u"ещё"_s));
        QTRY_COMPARE(received.size(), 2);
    }

    void messagesOneAfterAnotherShareAConnectionUntilItIsGone()
    {
        TMsgServer &server = m_b->channel->messageServer();
        QSignalSpy contacts(&server, &TTcpServerBase::clientContact);
        announce(*m_a, *m_b);
        QTRY_COMPARE(contacts.size(), 1); // the check of B's key
        QSignalSpy received(&server, &TMsgServer::messageReceived);
        QVERIFY(post(*m_a, *m_b, u"раз"_s));
        QVERIFY(post(*m_a, *m_b, u"два"_s));
        QVERIFY(post(*m_a, *m_b, u"три"_s));
        QTRY_COMPARE(received.size(), 3);
        QCOMPARE(contacts.size(), 2); // one handshake for the three
        QCOMPARE(received.at(2).at(1).toString(), u"три"_s);

        // The server drops the idle connection; the next message takes a fresh one, once.
        server.setIdleTimeout(50);
        QTRY_COMPARE(server.connectionCount(), 0);
        QVERIFY(post(*m_a, *m_b, u"четыре"_s));
        QTRY_COMPARE(received.size(), 4);
        QCOMPARE(contacts.size(), 3);
        QCOMPARE(received.at(3).at(1).toString(), u"четыре"_s);

        // Another key now expected of the same address: the kept connection does not serve it.
        server.setIdleTimeout(TTcpServerBase::kIdleBoundMs);
        QVERIFY(post(*m_a, *m_b, u"пять"_s));
        SecureMsgClient *client = m_a->channel->messageClient();
        QSignalSpy failed(client, &TMsgClient::failed);
        client->setExpectedKey(QString(64, u'0'));
        client->postText(u"шесть"_s);
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), u"Server key differs from the pinned one"_s);
        QCOMPARE(received.size(), 5);
    }

    void fileGoesOverTls()
    {
        announce(*m_a, *m_b);
        announce(*m_b, *m_a);
        QSignalSpy received(&m_b->channel->streamServer(), &TStrmServer::streamReceived);
        QVERIFY(m_a->channel->prepareStreamClient(u"PC-B"_s));
        SecureStrmClient *client = m_a->channel->streamClient();
        QSignalSpy finished(client, &TStrmClient::finished);
        const QByteArray content(300 * 1024, 'z');
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(content);
        QVERIFY(buffer->open(QIODevice::ReadOnly));
        client->setHost(u"127.0.0.1"_s);
        client->setFromName(u"/home/a/file.bin"_s);
        client->postStream(std::move(buffer));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 15000);
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.first().first().value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Complete);
        QCOMPARE(stream.receivedSize(), content.size());
    }

    // Larger than what a TLS connection buffers and no multiple of the
    // chunks the receiver writes: every byte arrives, in order.
    void largeFileArrivesWholeOverTls()
    {
        announce(*m_a, *m_b);
        announce(*m_b, *m_a);
        QSignalSpy received(&m_b->channel->streamServer(), &TStrmServer::streamReceived);
        QVERIFY(m_a->channel->prepareStreamClient(u"PC-B"_s));
        SecureStrmClient *client = m_a->channel->streamClient();
        QSignalSpy finished(client, &TStrmClient::finished);
        QByteArray content(3 * 1024 * 1024 + 12345, Qt::Uninitialized);
        for (qsizetype i = 0; i < content.size(); ++i)
            content[i] = char((i * 7 + i / 65536) & 0xff);
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(content);
        QVERIFY(buffer->open(QIODevice::ReadOnly));
        client->setHost(u"127.0.0.1"_s);
        client->setFromName(u"big.bin"_s);
        client->postStream(std::move(buffer));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QVERIFY(finished.first().first().toByteArray().startsWith("OK"));
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.first().first().value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Complete);
        QFile spool(stream.spoolPath());
        QVERIFY(spool.open(QIODevice::ReadOnly));
        QVERIFY(spool.readAll() == content);
    }

    // Bytes short of a whole chunk that come with the close are still counted.
    void streamCutShortOverTlsIsIncompleteWithWhatCame()
    {
        announce(*m_b, *m_a);
        QSignalSpy received(&m_b->channel->streamServer(), &TStrmServer::streamReceived);
        QSslSocket socket;
        socket.setSslConfiguration(TlsSetup::client(m_a->channel->identity(), TlsSetup::kStreamProtocol));
        socket.connectToHostEncrypted(u"127.0.0.1"_s, m_b->channel->serverPort());
        QVERIFY(QSignalSpy(&socket, &QSslSocket::encrypted).wait(15000));
        socket.write(StreamFrame::encodeHeader("cut.bin", 100000) + QByteArray(70000, 'c'));
        QTRY_COMPARE(socket.encryptedBytesToWrite() + socket.bytesToWrite(), qint64(0));
        socket.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 15000);
        const auto stream = received.first().first().value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Incomplete);
        QCOMPARE(stream.announcedSize(), qint64(100000));
        QCOMPARE(stream.receivedSize(), qint64(70000));
    }

    // A key that is not the one pinned to the name it claims speaks as an open sender would.
    void anotherKeyClaimingAPinnedNameIsNotTakenForIt()
    {
        QVERIFY(announce(*m_b, *m_a)); // B pinned A
        Side intruder(u"PC-C"_s);
        QVERIFY(announce(intruder, *m_b));
        QSignalSpy received(&m_b->channel->messageServer(), &TMsgServer::messageReceived);
        QSignalSpy changed(&m_b->channel->trust(), &KeyTrust::keyChanged);
        QVERIFY(post(intruder, *m_b, u"I am A"_s, u"PC-A"_s));
        QTRY_COMPARE(received.size(), 1);
        const QString key = received.first().at(3).toString();
        QCOMPARE(m_b->channel->trust().judge(u"PC-A"_s, key, u"127.0.0.1"_s).origin, KeyTrust::Origin::Unverified);
        QCOMPARE(m_b->channel->trust().judge(u"PC-A"_s, m_a->channel->identity().fingerprint(), u"127.0.0.1"_s).level,
                 TrustLevel::FirstUse);
        // The check it starts asks A's own host, which proves the pinned key: nothing changed.
        QTest::qWait(300);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(m_b->channel->pins().pin(u"PC-A"_s)->fingerprint, m_a->channel->identity().fingerprint());
    }

    // An announcement of another key proves nothing: it neither warns nor closes the way to the pinned key.
    void forgedAnnouncementNeitherWarnsNorBlocks()
    {
        QVERIFY(announce(*m_a, *m_b));
        QSignalSpy changed(&m_a->channel->trust(), &KeyTrust::keyChanged);
        Side forger(u"PC-B"_s); // another key, and no listener behind its announcement
        m_a->channel->takeAnnouncement(KeyAnnouncement{u"PC-B"_s, 1, forger.channel->identity().fingerprint()}.encode(),
                                       kLoopback, m_a->name);
        QTest::qWait(300);
        QCOMPARE(changed.size(), 0);
        QVERIFY(post(*m_a, *m_b, u"still secret"_s));
        QCOMPARE(m_a->channel->pins().pin(u"PC-B"_s)->fingerprint, m_b->channel->identity().fingerprint());
    }

    // No announcement told of the other key: the message client meets it in
    // the handshake, and the user is warned as of an announced one, once per key.
    void messageToAServerWithAnotherKeyWarnsOncePerKey()
    {
        QVERIFY(m_a->channel->pins().pinFirst(u"PC-B"_s, m_b->channel->identity().fingerprint()));
        Side impostor(u"PC-B"_s);
        QVERIFY(impostor.channel->listen(kLoopback));
        m_a->channel->setPeerPort(impostor.channel->serverPort());
        QSignalSpy warned(&m_a->channel->trust(), &KeyTrust::keyChanged);
        QSignalSpy received(&impostor.channel->messageServer(), &TMsgServer::messageReceived);
        QVERIFY(!post(*m_a, impostor, u"secret"_s));
        QCOMPARE(warned.size(), 1);
        QCOMPARE(warned.first().at(0).toString(), u"PC-B"_s);
        QCOMPARE(warned.first().at(1).toString(), u"127.0.0.1"_s);
        QCOMPARE(warned.first().at(2).toString(), m_b->channel->identity().fingerprint());
        QCOMPARE(warned.first().at(3).toString(), impostor.channel->identity().fingerprint());
        QCOMPARE(m_a->channel->trust().candidates(u"PC-B"_s).first().fingerprint, impostor.channel->identity().fingerprint());

        // The same key again, by message or by file: already said.
        QVERIFY(!post(*m_a, impostor, u"secret again"_s));
        std::unique_ptr<TStrmClient> file = m_a->channel->makeStreamClient(u"PC-B"_s);
        QVERIFY(file);
        QSignalSpy fileFailed(file.get(), &TStrmClient::failed);
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData("data");
        QVERIFY(buffer->open(QIODevice::ReadOnly));
        file->setHost(u"127.0.0.1"_s);
        file->setFromName(u"f"_s);
        file->postStream(std::move(buffer));
        QTRY_COMPARE_WITH_TIMEOUT(fileFailed.size(), 1, 15000);
        QCOMPARE(warned.size(), 1);

        // Yet another key under the name is news again.
        Side second(u"PC-B"_s);
        QVERIFY(second.channel->listen(kLoopback));
        m_a->channel->setPeerPort(second.channel->serverPort());
        QVERIFY(!post(*m_a, second, u"secret"_s));
        QCOMPARE(warned.size(), 2);
        QCOMPARE(warned.last().at(3).toString(), second.channel->identity().fingerprint());
        QCOMPARE(received.size(), 0);
        // The pin stays until the user accepts a key, and then it is exactly the one accepted.
        QCOMPARE(m_a->channel->pins().pin(u"PC-B"_s)->fingerprint, m_b->channel->identity().fingerprint());
        QVERIFY(m_a->channel->trust().accept(u"PC-B"_s, impostor.channel->identity().fingerprint()));
        QCOMPARE(m_a->channel->pins().pin(u"PC-B"_s)->fingerprint, impostor.channel->identity().fingerprint());
    }

    // What happened to the identity is said by the channel, whether it was
    // replaced or could not be made at all.
    void identityTroubleIsSaid()
    {
        QTemporaryDir home;
        const QString path = QDir(home.path()).filePath(QString::fromLatin1(Identity::kFileName));
        QFile garbage(path);
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("not a key") > 0);
        garbage.close();
        {
            auto replaced = std::make_unique<SecureChannel>(home.path(), 0);
            QVERIFY(replaced->isAvailable());
            QVERIFY(replaced->identityNotice().contains(u"заменён новым"_s));
        }
        QVERIFY(QFile::remove(path) && QFile::remove(path + u".unreadable"_s));
        QVERIFY(QDir().mkpath(path)); // neither readable nor replaceable
        QVERIFY(QDir().mkpath(path + u".unreadable/kept"_s));
        auto none = std::make_unique<SecureChannel>(home.path(), 0);
        QVERIFY(!none->isAvailable());
        QVERIFY(none->identityNotice().contains(u"защищённый канал недоступен"_s));
        QVERIFY(!none->listen(kLoopback));
        QVERIFY(!none->prepareMessageClient(u"PC-B"_s));
    }

    void handshakesOutOfBoundsAreRefused()
    {
        m_b->channel->setHandshakeBound(300);
        const quint16 port = m_b->channel->serverPort();
        QSignalSpy refused(findChild<TlsListener>(*m_b), &TlsListener::connectionRefused);

        QTcpSocket garbage;
        garbage.connectToHost(kLoopback, port);
        QVERIFY(garbage.waitForConnected(5000));
        garbage.write(QByteArray(4096, '\x16'));
        QTRY_COMPARE_WITH_TIMEOUT(garbage.state(), QAbstractSocket::UnconnectedState, 5000);

        QTcpSocket silent;
        silent.connectToHost(kLoopback, port);
        QVERIFY(silent.waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(silent.state(), QAbstractSocket::UnconnectedState, 5000);

        // A TLS client without a certificate of its own.
        QSslSocket anonymous;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setProtocol(QSsl::TlsV1_3OrLater);
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        config.setAllowedNextProtocols({"zavolin-msg/1"});
        anonymous.setSslConfiguration(config);
        anonymous.connectToHostEncrypted(u"127.0.0.1"_s, port);
        QTRY_COMPARE_WITH_TIMEOUT(anonymous.state(), QAbstractSocket::UnconnectedState, 5000);

        QTRY_COMPARE(refused.size(), 3);
        QCOMPARE(findChild<TlsListener>(*m_b)->handshakesInProgress(), 0);
        QCOMPARE(m_b->channel->messageServer().connectionCount(), 0);
    }

    // A peer that keeps a handshake alive with a byte now and then is cut at
    // the same bound as a silent one; one address holds only so many
    // handshakes at a time, and a place comes free as one ends.
    void tricklingAndCrowdingHandshakesAreBounded()
    {
        m_b->channel->setHandshakeBound(300);
        const quint16 port = m_b->channel->serverPort();
        TlsListener *listener = findChild<TlsListener>(*m_b);
        QSignalSpy refused(listener, &TlsListener::connectionRefused);

        QTcpSocket trickle;
        trickle.connectToHost(kLoopback, port);
        QVERIFY(trickle.waitForConnected(5000));
        // A record header announcing a long ClientHello, then its body a byte at a time.
        trickle.write(QByteArray::fromHex("1603014000"));
        QTimer drip;
        connect(&drip, &QTimer::timeout, &trickle, [&trickle] { trickle.write("\x01", 1); });
        drip.start(20);
        QTRY_COMPARE_WITH_TIMEOUT(trickle.state(), QAbstractSocket::UnconnectedState, 5000);
        drip.stop();
        QTRY_COMPARE(refused.size(), 1);
        QCOMPARE(refused.first().at(1).toString(), u"handshake not complete in time"_s);

        m_b->channel->setHandshakeBound(60000);
        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        for (int i = 0; i < TlsListener::kMaxHandshakesPerAddress; ++i) {
            crowd.push_back(std::make_unique<QTcpSocket>());
            crowd.back()->connectToHost(kLoopback, port);
        }
        QTRY_COMPARE(listener->handshakesInProgress(), TlsListener::kMaxHandshakesPerAddress);
        QTcpSocket oneMore;
        oneMore.connectToHost(kLoopback, port);
        QTRY_COMPARE_WITH_TIMEOUT(oneMore.state(), QAbstractSocket::UnconnectedState, 5000);
        QTRY_COMPARE(refused.size(), 2);
        QCOMPARE(refused.last().at(1).toString(), u"too many handshakes from one address"_s);
        QCOMPARE(listener->handshakesInProgress(), TlsListener::kMaxHandshakesPerAddress);

        crowd.front()->abort();
        QTRY_COMPARE(listener->handshakesInProgress(), TlsListener::kMaxHandshakesPerAddress - 1);
        QTcpSocket next;
        next.connectToHost(kLoopback, port);
        QTRY_COMPARE(listener->handshakesInProgress(), TlsListener::kMaxHandshakesPerAddress);
        QCOMPARE(refused.size(), 3); // the aborted one; the next was let in
        crowd.clear();
        next.abort();
        QTRY_COMPARE(listener->handshakesInProgress(), 0);
    }

    // Past the overall bound, handshakes from any address wait in the
    // system's queue, and are taken as others end.
    void handshakesAreBoundedOverall()
    {
        m_b->channel->setHandshakeBound(60000);
        TlsListener *listener = findChild<TlsListener>(*m_b);
        std::vector<std::unique_ptr<QTcpSocket>> crowd(3 * TlsListener::kMaxHandshakesPerAddress);
        static_assert(3 * TlsListener::kMaxHandshakesPerAddress > TlsListener::kMaxHandshakes);
        for (std::size_t i = 0; i < crowd.size(); ++i) {
            crowd[i] = std::make_unique<QTcpSocket>();
            QVERIFY(crowd[i]->bind(QHostAddress(u"127.0.0.%1"_s.arg(2 + i % 3))));
            crowd[i]->connectToHost(kLoopback, m_b->channel->serverPort());
        }
        QTRY_COMPARE(listener->handshakesInProgress(), TlsListener::kMaxHandshakes);
        QVERIFY(listener->isHeldFor(GatedTcpServer::Handshakes));
        for (std::size_t i = 0; i < crowd.size(); ++i) {
            if (i % 3 != 0)
                crowd[i].reset();
        }
        QTRY_COMPARE(listener->handshakesInProgress(), TlsListener::kMaxHandshakesPerAddress);
    }

    void establishedConnectionsAreBounded_data()
    {
        QTest::addColumn<int>("overall");
        QTest::addColumn<int>("perAddress");
        QTest::addColumn<int>("idleAfterMs");
        QTest::addColumn<int>("closed"); // which of three connections, in order
        QTest::newRow("overall: the oldest idle one makes room") << 2 << 64 << 0 << 0;
        QTest::newRow("per address: the oldest idle one makes room") << 64 << 2 << 0 << 0;
        QTest::newRow("none idle: the newcomer is refused") << 2 << 64 << 60000 << 2;
    }
    void establishedConnectionsAreBounded()
    {
        QFETCH(int, overall);
        QFETCH(int, perAddress);
        QFETCH(int, idleAfterMs);
        QFETCH(int, closed);
        TlsListener *listener = findChild<TlsListener>(*m_b);
        listener->setConnectionBounds(overall, perAddress, idleAfterMs);
        std::vector<std::unique_ptr<QSslSocket>> clients(3);
        for (int i = 0; i < 3; ++i) {
            clients[i] = std::make_unique<QSslSocket>();
            clients[i]->setSslConfiguration(TlsSetup::client(m_a->channel->identity(), "zavolin-msg/1"));
            clients[i]->connectToHostEncrypted(u"127.0.0.1"_s, m_b->channel->serverPort());
            QTRY_COMPARE(listener->connectionsHeld(), std::min(i + 1, 2)); // one at a time: "oldest" is defined
            QTRY_COMPARE(listener->handshakesInProgress(), 0);
        }
        QTRY_COMPARE(clients[closed]->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(m_b->channel->messageServer().connectionCount(), 2);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(clients[i]->state() == QAbstractSocket::ConnectedState, i != closed);
    }

private:
    static TlsListener *findChild(Side &side) { return side.channel->findChild<TlsListener *>(); }
    template <typename T>
    static T *findChild(Side &side) { return side.channel->findChild<T *>(); }
};

QTEST_GUILESS_MAIN(TestSecureChannel)
#include "tst_securechannel.moc"
