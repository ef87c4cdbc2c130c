#include "MsgFrame.h"
#include "SpoolFile.h"
#include "StreamFrame.h"
#include "StrmChannel.h"
#include "RawPeer.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(size);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

std::unique_ptr<QIODevice> bufferOf(const QByteArray &bytes)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

// Claims a size the format cannot carry without holding any of it.
class HugeDevice : public QIODevice
{
public:
    explicit HugeDevice(qint64 size)
        : m_size(size)
    {
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        std::fill_n(data, maxSize, 'x');
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 m_size;
};

} // namespace

// Everything here runs on loopback with ports chosen by the system.
class TestStrmChannel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_spoolDir;
    std::unique_ptr<TStrmServer> m_server;

    std::unique_ptr<TStrmClient> clientFor(quint16 port, const QString &from = QStringLiteral("C:\\A\\b.txt"))
    {
        auto client = std::make_unique<TStrmClient>();
        client->setHost(QStringLiteral("127.0.0.1"));
        client->setPort(port);
        client->setFromName(from);
        return client;
    }

    QStringList spoolFiles() const
    {
        return QDir(m_spoolDir->path()).entryList(QDir::Files | QDir::Hidden);
    }

    // A raw peer: sends the bytes, optionally closes, and returns what came back.
    static QByteArray rawExchange(quint16 port, const QByteArray &bytes, bool closeAfterSend = false)
    {
        return RawPeer::exchange(port, bytes, closeAfterSend ? RawPeer::After::Close : RawPeer::After::WaitForReply);
    }

    static QByteArray fileContent(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private Q_SLOTS:
    void init()
    {
        m_spoolDir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<TStrmServer>();
        m_server->setPort(0);
        const QString folder = m_spoolDir->path();
        m_server->setSpoolFolder([folder] { return folder; });
        QVERIFY(m_server->listen(QHostAddress(QHostAddress::LocalHost)));
    }

    void cleanup()
    {
        m_server.reset();
        m_spoolDir.reset();
    }

    void headerIsByteExact_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("five bytes") << QByteArray("C:\\A\\b.txt") << qint64(5)
                                    << QByteArray("0010C:\\A\\b.txt         5");
        QTest::newRow("empty file") << QByteArray("x") << qint64(0) << QByteArray("0001x         0");
        QTest::newRow("largest") << QByteArray() << StreamFrame::kMaxCount << QByteArray("00002147483647");
    }

    void headerIsByteExact()
    {
        QFETCH(QByteArray, name);
        QFETCH(qint64, count);
        QFETCH(QByteArray, header);
        QCOMPARE(StreamFrame::encodeHeader(name, count), header);
    }

    void countParsing_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<qint64>("count");
        QTest::newRow("right-aligned") << QByteArray("         5") << qint64(5);
        QTest::newRow("zero") << QByteArray("         0") << qint64(0);
        QTest::newRow("leading zeros") << QByteArray("0000000042") << qint64(42);
        QTest::newRow("2^31 - 1") << QByteArray("2147483647") << qint64(2147483647);
        QTest::newRow("2^31") << QByteArray("2147483648") << qint64(-1);
        QTest::newRow("9999999999") << QByteArray("9999999999") << qint64(-1);
        QTest::newRow("negative") << QByteArray("        -5") << qint64(-1);
        QTest::newRow("plus") << QByteArray("        +5") << qint64(-1);
        QTest::newRow("trailing blank") << QByteArray("        5 ") << qint64(-1);
        QTest::newRow("all blanks") << QByteArray("          ") << qint64(-1);
        QTest::newRow("letters") << QByteArray("      0x10") << qint64(-1);
        QTest::newRow("short") << QByteArray("        5") << qint64(-1);
    }

    void countParsing()
    {
        QFETCH(QByteArray, field);
        QFETCH(qint64, count);
        QCOMPARE(StreamFrame::parseCount(field), count);
    }

    void headerParserTakesNothingBeyondTheHeader()
    {
        const QByteArray wire = StreamFrame::encodeHeader("PC\\f.txt", 3) + "abc";
        StreamHeaderParser parser;
        qsizetype offset = 0;
        while (parser.status() == StreamHeaderParser::Status::NeedMore) {
            QVERIFY(parser.wanted() > 0);
            qsizetype used = 0;
            parser.feed(QByteArrayView(wire).sliced(offset, 1), &used);
            offset += used;
        }
        QCOMPARE(parser.status(), StreamHeaderParser::Status::Complete);
        QCOMPARE(offset, wire.size() - 3);
        QCOMPARE(parser.fromName(), QByteArray("PC\\f.txt"));
        QCOMPARE(parser.count(), qint64(3));

        StreamHeaderParser whole;
        qsizetype used = 0;
        QCOMPARE(whole.feed(wire, &used), StreamHeaderParser::Status::Complete);
        QCOMPARE(used, wire.size() - 3);

        StreamHeaderParser bad;
        QCOMPARE(bad.feed("00x1a         1"), StreamHeaderParser::Status::Malformed);
        StreamHeaderParser badCount;
        QCOMPARE(badCount.feed("0001a2147483648"), StreamHeaderParser::Status::Malformed);
    }

    void clientWritesExactBytesAndReturnsTheAcknowledgement()
    {
        QTcpServer fake;
        QVERIFY(fake.listen(QHostAddress::LocalHost));
        QByteArray seen;
        const QByteArray expected = QByteArray("0010C:\\A\\b.txt         5") + "hello";
        connect(&fake, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = fake.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [&seen, &expected, s] {
                seen += s->readAll();
                if (seen.size() >= expected.size())
                    s->write(MsgFrame::acknowledgement());
            });
        });
        auto client = clientFor(fake.serverPort());
        QSignalSpy finished(client.get(), &TStrmClient::finished);
        QSignalSpy progress(client.get(), &TTcpSock::packetSent);
        client->postStream(bufferOf("hello"));
        QVERIFY(finished.wait(5000));
        QCOMPARE(seen, expected);
        QCOMPARE(finished.at(0).at(0).toByteArray(), MsgFrame::acknowledgement());
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toLongLong(), qint64(5));
        QCOMPARE(progress.last().at(1).toLongLong(), qint64(5));
    }

    void streamsRoundTripThroughTheSpool_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::newRow("empty") << qsizetype(0);
        QTest::newRow("one byte") << qsizetype(1);
        QTest::newRow("chunk - 1") << qsizetype(65535);
        QTest::newRow("chunk") << qsizetype(65536);
        QTest::newRow("chunk + 1") << qsizetype(65537);
        QTest::newRow("3 MiB + 7") << qsizetype(3 * 1024 * 1024 + 7);
    }

    void streamsRoundTripThroughTheSpool()
    {
        QFETCH(qsizetype, size);
        const QByteArray bytes = randomBytes(size);
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        auto client = clientFor(m_server->serverPort(), QStringLiteral("C:\\Докs\\отчёт.txt"));
        QSignalSpy finished(client.get(), &TStrmClient::finished);
        client->postStream(bufferOf(bytes));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.at(0).at(0).toByteArray(), MsgFrame::acknowledgement());
        QTRY_COMPARE(received.size(), 1);
        auto stream = received.at(0).at(0).value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Complete);
        QCOMPARE(stream.fromName(), QStringLiteral("C:\\Докs\\отчёт.txt"));
        QCOMPARE(stream.peer(), QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(stream.receivedSize(), qint64(size));
        QCOMPARE(QFileInfo(stream.spoolPath()).absolutePath(), QFileInfo(m_spoolDir->path()).absoluteFilePath());
        QVERIFY(TStrmServer::isSpoolFileName(QFileInfo(stream.spoolPath()).fileName()));
        QVERIFY(fileContent(stream.spoolPath()) == bytes);

        // The spool file goes with the last copy of the value.
        const QString path = stream.spoolPath();
        stream = {};
        received.clear();
        QVERIFY(!QFile::exists(path));
    }

    void releasedSpoolFileStays()
    {
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        auto client = clientFor(m_server->serverPort());
        client->postStream(bufferOf("kept"));
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.takeFirst().at(0).value<ReceivedStream>();
        const QString moved = m_spoolDir->filePath(QStringLiteral("moved"));
        QVERIFY(QFile::rename(stream.spoolPath(), moved));
        QFile::copy(moved, stream.spoolPath()); // a file back at the old name must survive too
        stream.release();
        const QString path = stream.spoolPath();
        { [[maybe_unused]] const ReceivedStream gone = stream; }
        QVERIFY(QFile::exists(path));
    }

    void badHeadersCloseWithoutAcknowledgementAndServingGoesOn_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("name length") << QByteArray("00x3PC1         1a");
        QTest::newRow("count 2^31") << QByteArray("0003PC12147483648a");
        QTest::newRow("negative count") << QByteArray("0003PC1        -1a");
        QTest::newRow("count in letters") << QByteArray("0003PC1five bytes");
        QTest::newRow("count left-aligned") << QByteArray("0003PC11         a");
    }

    void badHeadersCloseWithoutAcknowledgementAndServingGoesOn()
    {
        QFETCH(QByteArray, request);
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        QSignalSpy dropped(m_server.get(), &TStrmServer::connectionDropped);
        const quint16 port = m_server->serverPort();
        QCOMPARE(rawExchange(port, request), QByteArray());
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(rawExchange(port, "0003PC1         1a"), MsgFrame::acknowledgement());
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).value<ReceivedStream>().status(), ReceivedStream::Status::Complete);
    }

    void zeroByteStreamIsAcknowledgedWithAnEmptyFile()
    {
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        QCOMPARE(rawExchange(m_server->serverPort(), "0001e         0"), MsgFrame::acknowledgement());
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.at(0).at(0).value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Complete);
        QCOMPARE(QFileInfo(stream.spoolPath()).size(), qint64(0));
    }

    void truncatedStreamIsDeliveredIncompleteAndItsSpoolRemoved()
    {
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        const QByteArray request = StreamFrame::encodeHeader("C:\\t.bin", 100) + QByteArray(40, 'z');
        rawExchange(m_server->serverPort(), request, /*closeAfterSend=*/true);
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.at(0).at(0).value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Incomplete);
        QCOMPARE(stream.fromName(), QStringLiteral("C:\\t.bin"));
        QCOMPARE(stream.announcedSize(), qint64(100));
        QCOMPARE(stream.receivedSize(), qint64(40));
        QVERIFY(stream.spoolPath().isEmpty());
        QTRY_COMPARE(spoolFiles(), QStringList());
        QCOMPARE(m_server->connectionCount(), 0);
    }

    void silentSenderIsDroppedAndItsStreamIncomplete()
    {
        m_server->setIdleTimeout(200);
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        QTRY_COMPARE(socket.state(), QAbstractSocket::ConnectedState);
        socket.write(StreamFrame::encodeHeader("C:\\slow.bin", 10) + "12345");
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 5000);
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.at(0).at(0).value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Incomplete);
        QCOMPARE(stream.receivedSize(), qint64(5));
        QCOMPARE(spoolFiles(), QStringList());
    }

    void trickledHeaderIsClosedAtItsDeadlineButNotASlowBody()
    {
        // Both send a byte every 40 ms, well inside the idle bound. Only the
        // header has a deadline; the bytes after it may take their time.
        m_server->setHeaderDeadline(300);
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        const QByteArray header = StreamFrame::encodeHeader("C:\\slow.bin", 12);
        const QByteArray body = "twelve bytes";
        QTcpSocket trickler, slowBody;
        trickler.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        slowBody.connectToHost(QHostAddress::LocalHost, m_server->serverPort());
        QTRY_VERIFY(trickler.state() == QAbstractSocket::ConnectedState
                    && slowBody.state() == QAbstractSocket::ConnectedState);
        slowBody.write(header);
        qsizetype headerSent = 0, bodySent = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] {
            if (headerSent < header.size() && trickler.state() == QAbstractSocket::ConnectedState)
                trickler.write(header.mid(headerSent++, 1));
            if (bodySent < body.size() && slowBody.state() == QAbstractSocket::ConnectedState)
                slowBody.write(body.mid(bodySent++, 1));
        });
        tick.start(40);
        QTRY_COMPARE_WITH_TIMEOUT(trickler.state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(headerSent < header.size());
        QTRY_COMPARE_WITH_TIMEOUT(slowBody.bytesAvailable(), MsgFrame::kAckSize, 5000);
        QCOMPARE(received.size(), 1); // the trickler never got as far as a stream
        const auto stream = received.at(0).at(0).value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Complete);
        QCOMPARE(fileContent(stream.spoolPath()), body);
    }

    void largeStreamIsSpooledAsItArrives()
    {
        // Bounded memory shows as bytes on disk long before the end: the
        // receiver writes each chunk out instead of holding the stream.
        constexpr qint64 kSize = 48 * 1024 * 1024;
        QTemporaryFile source;
        QVERIFY(source.open());
        const QByteArray block = randomBytes(1024 * 1024);
        for (qint64 i = 0; i < kSize / block.size(); ++i)
            source.write(block);
        source.flush();
        auto file = std::make_unique<QFile>(source.fileName());
        QVERIFY(file->open(QIODevice::ReadOnly));

        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        QSignalSpy started(m_server.get(), &TStrmServer::streamStarted);
        QSignalSpy progress(m_server.get(), &TStrmServer::streamProgress);
        QElapsedTimer clock;
        clock.start();
        auto client = clientFor(m_server->serverPort());
        qint64 spooledMidway = -1;
        connect(client.get(), &TTcpSock::packetSent, this, [&](qint64 sent, qint64 total) {
            if (spooledMidway < 0 && sent >= total / 2) {
                const QStringList files = spoolFiles();
                spooledMidway = files.size() == 1 ? QFileInfo(m_spoolDir->filePath(files.at(0))).size() : 0;
            }
        });
        QSignalSpy finished(client.get(), &TStrmClient::finished);
        client->postStream(std::move(file));
        QVERIFY(finished.wait(30000));
        QTRY_COMPARE(received.size(), 1);
        QVERIFY2(spooledMidway > kSize / 4, qPrintable(QString::number(spooledMidway)));
        const auto stream = received.at(0).at(0).value<ReceivedStream>();

        // Announced before its bytes, followed a few times a second, not per chunk.
        QCOMPARE(started.size(), 1);
        const auto offer = started.at(0).at(0).value<StreamOffer>();
        QVERIFY(offer.id > 0);
        QCOMPARE(offer.id, stream.streamId());
        QCOMPARE(offer.size, kSize);
        QCOMPARE(offer.fromName, QStringLiteral("C:\\A\\b.txt"));
        QVERIFY2(progress.size() <= clock.elapsed() / 250 + 1,
                 qPrintable(QStringLiteral("%1 reports in %2 ms").arg(progress.size()).arg(clock.elapsed())));
        qint64 before = 0;
        for (const QList<QVariant> &report : std::as_const(progress)) {
            QCOMPARE(report.at(0).toInt(), offer.id);
            QVERIFY(report.at(1).toLongLong() > before && report.at(1).toLongLong() < kSize);
            before = report.at(1).toLongLong();
        }
        QCOMPARE(QFileInfo(stream.spoolPath()).size(), kSize);
        QFile spooled(stream.spoolPath());
        QVERIFY(spooled.open(QIODevice::ReadOnly));
        for (qint64 i = 0; i < kSize / block.size(); ++i)
            QVERIFY(spooled.read(block.size()) == block);
    }

    void noRoomForTheSpoolRefusesWithoutAcknowledgement()
    {
        m_server->setSpoolFolder([] { return QStringLiteral("/nonexistent/zavolin"); });
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", "/nonexistent/zavolin-tmp");
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        const QByteArray reply = rawExchange(m_server->serverPort(), StreamFrame::encodeHeader("C:\\n", 3) + "abc");
        qputenv("TMPDIR", saved);
        QCOMPARE(reply, QByteArray());
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.at(0).at(0).value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::NotStored);
        QCOMPARE(stream.announcedSize(), qint64(3));
        QVERIFY(!stream.error().isEmpty());
    }

    void refusalsComeBeforeConnecting()
    {
        QSignalSpy contacts(m_server.get(), &TTcpServerBase::clientContact);
        auto client = clientFor(m_server->serverPort(), QString(10000, u'x'));
        QSignalSpy failed(client.get(), &TStrmClient::failed);
        client->postStream(bufferOf("abc"));
        QVERIFY(failed.wait(2000));
        QVERIFY(failed.at(0).at(0).toString().contains(QStringLiteral("9999")));
        client->setFromName(QStringLiteral("C:\\big.iso"));
        client->postStream(std::make_unique<HugeDevice>(StreamFrame::kMaxCount + 1));
        QVERIFY(failed.wait(2000));
        QVERIFY(failed.at(1).at(0).toString().contains(QStringLiteral("2147483648")));
        QCOMPARE(contacts.size(), 0);
    }

    void stalledReceiverEndsTheSendAndCancelStopsIt_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("time-out") << false;
        QTest::newRow("cancel") << true;
    }

    void stalledReceiverEndsTheSendAndCancelStopsIt()
    {
        QFETCH(bool, cancel);
        QTcpServer mute; // accepts, never reads: the system's buffers fill up
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        connect(&mute, &QTcpServer::newConnection, this, [&mute] {
            mute.nextPendingConnection()->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 64 * 1024);
        });
        auto client = clientFor(mute.serverPort());
        // Small buffers on both sides: the stall comes after little data, however slow the machine.
        connect(client.get(), &TTcpSock::connected, this, [&client] {
            if (auto *socket = client->findChild<QTcpSocket *>())
                socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 64 * 1024);
        });
        if (!cancel)
            client->setTimeOut(300);
        QSignalSpy failed(client.get(), &TStrmClient::failed);
        QSignalSpy progress(client.get(), &TTcpSock::packetSent);
        client->postStream(std::make_unique<HugeDevice>(StreamFrame::kMaxCount));
        if (cancel) {
            QVERIFY(progress.wait(5000));
            client->cancel();
        } // a loaded machine may reach the bound before any progress is reported: both end the same
        QVERIFY(failed.size() == 1 || failed.wait(30000));
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Socket send aborted"));
        QVERIFY(!client->isBusy());
    }

    void slowReceiverGetsTheWholeStreamBeforeTheReplyBoundStarts()
    {
        // A peer that drains a slow link: it takes the bytes steadily but
        // needs far longer than the bound for those still queued after the
        // last write. Each wait without progress stays well within the bound.
        // The receiver's window opens only every few reads (a segment's worth),
        // so the bound leaves room for timers a loaded machine runs late.
        constexpr qint64 kSize = 1024 * 1024;
        constexpr int kBoundMs = 2000;
        constexpr int kTickMs = 25;
        constexpr qint64 kPerTick = 8 * 1024;
        QTcpServer slow;
        QVERIFY(slow.listen(QHostAddress::LocalHost));
        QPointer<QTcpSocket> peer;
        qint64 taken = 0;
        QTimer reader;
        connect(&slow, &QTcpServer::newConnection, this, [&] {
            peer = slow.nextPendingConnection();
            peer->setReadBufferSize(kPerTick); // the rest waits in the system's buffers
            reader.start(kTickMs);
        });
        const qint64 wanted = StreamFrame::encodeHeader("C:\\A\\b.txt", kSize).size() + kSize;
        connect(&reader, &QTimer::timeout, this, [&] {
            if (!peer)
                return;
            taken += peer->read(kPerTick).size();
            if (taken == wanted) {
                peer->write(MsgFrame::acknowledgement());
                reader.stop();
            }
        });
        auto client = clientFor(slow.serverPort());
        client->setTimeOut(kBoundMs);
        // Room for all of it on our side: the whole stream is written at once.
        connect(client.get(), &TTcpSock::connected, this, [&client] {
            if (auto *socket = client->findChild<QTcpSocket *>())
                socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, int(2 * kSize));
        });
        QElapsedTimer clock;
        qint64 writtenAt = -1;
        connect(client.get(), &TStrmClient::messageSent, this, [&] { writtenAt = clock.elapsed(); });
        QSignalSpy finished(client.get(), &TStrmClient::finished);
        QSignalSpy failed(client.get(), &TStrmClient::failed);
        clock.start();
        client->postStream(bufferOf(randomBytes(kSize)));
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty() || !failed.isEmpty(); }, 60000));
        QVERIFY2(failed.isEmpty(), qPrintable(u"%1 after the last write at %2 ms, at %3 ms"_s.arg(
                                       failed.value(0).value(0).toString()).arg(writtenAt).arg(clock.elapsed())));
        QCOMPARE(finished.at(0).at(0).toByteArray(), MsgFrame::acknowledgement());
        QCOMPARE(taken, wanted);
    }

    void receiverThatStopsTakingEndsTheSendAfterTheBound()
    {
        QTcpServer mute; // accepts, never reads
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        auto client = clientFor(mute.serverPort());
        client->setTimeOut(300);
        connect(client.get(), &TTcpSock::connected, this, [&client] {
            if (auto *socket = client->findChild<QTcpSocket *>())
                socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4 * 1024 * 1024);
        });
        QSignalSpy sent(client.get(), &TStrmClient::messageSent);
        QSignalSpy failed(client.get(), &TStrmClient::failed);
        client->postStream(bufferOf(randomBytes(512 * 1024)));
        QVERIFY(failed.wait(10000));
        QCOMPARE(failed.at(0).at(0).toString(), u"Socket send aborted"_s);
        QVERIFY(!client->isBusy());
    }

    void streamIsDecidedOnBeforeAnyByteIsStored()
    {
        QList<StreamOffer> offers;
        m_server->setAdmission([&offers](const StreamOffer &offer) {
            offers.append(offer);
            return StreamAdmission::refuse(u"name refused"_s, u"told"_s);
        });
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        QSignalSpy dropped(m_server.get(), &TStrmServer::connectionDropped);
        const QByteArray reply =
            rawExchange(m_server->serverPort(), StreamFrame::encodeHeader("C:\\.evil", 5000) + QByteArray(5000, 'e'));
        QCOMPARE(reply, QByteArray());
        QCOMPARE(offers.size(), 1);
        QCOMPARE(offers.at(0).fromName, u"C:\\.evil"_s);
        QCOMPARE(offers.at(0).size, qint64(5000));
        QCOMPARE(offers.at(0).peer, QHostAddress(QHostAddress::LocalHost));
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.at(0).at(0).value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Refused);
        QCOMPARE(stream.error(), u"told"_s);
        QCOMPARE(dropped.value(0).value(0).toString(), u"name refused"_s);
        QCOMPARE(spoolFiles(), QStringList());
        QCOMPARE(m_server->spooledFiles(), 0);
    }

    void onlyFolderIsNeverTradedForTheTemporaryOne()
    {
        const QString missing = m_spoolDir->filePath(u"gone"_s);
        m_server->setAdmission([missing](const StreamOffer &) { return StreamAdmission::spoolIn(missing, true); });
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        QCOMPARE(rawExchange(m_server->serverPort(), StreamFrame::encodeHeader("C:\\n", 3) + "abc"), QByteArray());
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.at(0).at(0).value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::NotStored);
        QCOMPARE(stream.folder(), missing);
        QVERIFY(!stream.noRoom());

        // More than the file system has: refused up front, named as no room.
        const QString folder = m_spoolDir->path();
        m_server->setAdmission([folder](const StreamOffer &) { return StreamAdmission::spoolIn(folder, true); });
        if (QStorageInfo(folder).bytesAvailable() >= StreamFrame::kMaxCount)
            return; // too much room here to try
        QCOMPARE(rawExchange(m_server->serverPort(), StreamFrame::encodeHeader("C:\\n", StreamFrame::kMaxCount) + "abc"),
                 QByteArray());
        QTRY_COMPARE(received.size(), 2);
        const auto huge = received.at(1).at(0).value<ReceivedStream>();
        QCOMPARE(huge.status(), ReceivedStream::Status::NotStored);
        QCOMPARE(huge.folder(), folder);
        QVERIFY(huge.noRoom());
        QCOMPARE(spoolFiles(), QStringList());
    }

    void whatWaitsInSpoolFilesIsBounded()
    {
        m_server->setSpoolLimits(2, 100);
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        QSignalSpy limited(m_server.get(), &TStrmServer::spoolLimitReached);
        const quint16 port = m_server->serverPort();
        const QByteArray ack = MsgFrame::acknowledgement();
        QCOMPARE(rawExchange(port, StreamFrame::encodeHeader("C:\\1", 10) + "0123456789"), ack);
        QCOMPARE(rawExchange(port, StreamFrame::encodeHeader("C:\\2", 10) + "0123456789"), ack);
        QTRY_COMPARE(received.size(), 2); // both wait, held by the spy
        QCOMPARE(m_server->spooledFiles(), 2);
        QCOMPARE(m_server->spooledBytes(), qint64(20));
        // Refused without acknowledgement and without a trace on disk; said once.
        QCOMPARE(rawExchange(port, StreamFrame::encodeHeader("C:\\3", 1) + "x"), QByteArray());
        QCOMPARE(rawExchange(port, StreamFrame::encodeHeader("C:\\4", 1) + "x"), QByteArray());
        QCOMPARE(limited.size(), 1);
        QCOMPARE(spoolFiles().size(), 2);

        // Saved (moved away) or dropped, a waiting file makes room.
        received.at(0).at(0).value<ReceivedStream>().release();
        QCOMPARE(m_server->spooledFiles(), 1);
        received.removeLast();
        QCOMPARE(m_server->spooledFiles(), 0);
        QCOMPARE(rawExchange(port, StreamFrame::encodeHeader("C:\\5", 90) + QByteArray(90, '5')), ack);
        QCOMPARE(rawExchange(port, StreamFrame::encodeHeader("C:\\6", 11) + QByteArray(11, '6')), QByteArray());
        QCOMPARE(limited.size(), 2);
        QCOMPARE(rawExchange(port, StreamFrame::encodeHeader("C:\\7", 10) + QByteArray(10, '7')), ack);
        QTRY_COMPARE(received.size(), 3);
    }

    void waitingSpoolFilesAreLockedAgainstCleaners()
    {
        QSignalSpy received(m_server.get(), &TStrmServer::streamReceived);
        QCOMPARE(rawExchange(m_server->serverPort(), StreamFrame::encodeHeader("C:\\w", 4) + "wait"),
                 MsgFrame::acknowledgement());
        QTRY_COMPARE(received.size(), 1);
        const QString path = received.at(0).at(0).value<ReceivedStream>().spoolPath();
        QCOMPARE(SpoolFile::removeStale(m_spoolDir->path()), 0);
        QCOMPARE(fileContent(path), QByteArray("wait"));
        received.clear();
        QVERIFY(!QFile::exists(path));
    }

    void receiverGoneMidStreamFailsTheSend()
    {
        QTcpServer rude;
        QVERIFY(rude.listen(QHostAddress::LocalHost));
        connect(&rude, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = rude.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [s] {
                s->readAll();
                s->abort();
            });
        });
        auto client = clientFor(rude.serverPort());
        QSignalSpy failed(client.get(), &TStrmClient::failed);
        client->postStream(std::make_unique<HugeDevice>(StreamFrame::kMaxCount));
        QVERIFY(failed.wait(10000));
        QVERIFY(!client->isBusy());
    }
};

QTEST_GUILESS_MAIN(TestStrmChannel)
#include "tst_strmchannel.moc"
