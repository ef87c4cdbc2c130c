// The command line's sends on loopback: with the recipient's key in the
// home's pins, a file goes over the secure channel and nothing reaches the
// open one; a home that cannot make an identity of its own sends nothing at
// all to a pinned recipient, while an unpinned one is served in the open. A
// message's lines go out in CR LF and the message into the history.
#include "Cp1251.h"
#include "HistoryLog.h"
#include "Identity.h"
#include "OwnName.h"
#include "PinStore.h"
#include "SecureChannel.h"
#include "SendCommand.h"
#include "SendFileCommand.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString kHost = u"127.0.0.1"_s;
const QString kSomeKey = QString(64, u'A');

// An identity file that can be neither read nor replaced: the data folder has no identity.
void blockIdentity(const QString &home)
{
    const QString path = QDir(home).filePath(QString::fromLatin1(Identity::kFileName));
    QVERIFY(QDir().mkpath(path));
    QVERIFY(QDir().mkpath(path + u".unreadable/kept"_s));
}

void pin(const QString &home, const QString &name, const QString &fingerprint)
{
    QVERIFY(PinStore(QDir(home).filePath(QString::fromLatin1(PinStore::kFileName))).pinFirst(name, fingerprint));
}
} // namespace

class TestSendCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileToAPinnedHostGoesOverTlsOnly()
    {
        QTemporaryDir homeA;
        QTemporaryDir homeB;
        // Each knows the other's key, as after announcements.
        pin(homeA.path(), kHost, Identity::loadOrCreate(homeB.path()).fingerprint());
        pin(homeB.path(), u"PC-A"_s, Identity::loadOrCreate(homeA.path()).fingerprint());
        SecureChannel receiver(homeB.path(), 0);
        QVERIFY(receiver.listen(QHostAddress::LocalHost));
        QTcpServer open;
        QVERIFY(open.listen(QHostAddress::LocalHost));

        QTemporaryDir files;
        const QString path = QDir(files.path()).filePath(u"plan.bin"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray content(200 * 1024, 's');
        file.write(content);
        file.close();

        SendFileCommand command(kHost, {path}, homeA.path(), receiver.serverPort());
        command.setPort(open.serverPort());
        QVERIFY(command.isSecure());
        QSignalSpy received(&receiver.streamServer(), &TStrmServer::streamReceived);
        QSignalSpy done(&command, &SendFileCommand::done);
        command.start();
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 15000);
        QCOMPARE(done.first().first().toInt(), 0);
        QTRY_COMPARE(received.size(), 1);
        const auto stream = received.first().first().value<ReceivedStream>();
        QCOMPARE(stream.status(), ReceivedStream::Status::Complete);
        QFile spool(stream.spoolPath());
        QVERIFY(spool.open(QIODevice::ReadOnly));
        QVERIFY(spool.readAll() == content);
        QVERIFY(!open.hasPendingConnections());
    }

    void withoutAnIdentityAPinnedHostGetsNothing_data()
    {
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<bool>("file");
        QTest::newRow("message, pinned") << true << false;
        QTest::newRow("file, pinned") << true << true;
        // The open server is where an open send would arrive.
        QTest::newRow("message, no pin") << false << false;
        QTest::newRow("file, no pin") << false << true;
    }
    void withoutAnIdentityAPinnedHostGetsNothing()
    {
        QFETCH(bool, pinned);
        QFETCH(bool, file);
        QTemporaryDir home;
        blockIdentity(home.path());
        QVERIFY(!Identity::loadOrCreate(home.path()).isValid());
        if (pinned)
            pin(home.path(), kHost, kSomeKey);
        QTcpServer open;
        QVERIFY(open.listen(QHostAddress::LocalHost));
        QSignalSpy contacted(&open, &QTcpServer::newConnection);

        QTemporaryDir files;
        const QString path = QDir(files.path()).filePath(u"f.txt"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        f.close();
        std::unique_ptr<QObject> command;
        int exitCode = -1;
        if (file) {
            auto send = std::make_unique<SendFileCommand>(kHost, QStringList{path}, home.path(), 1);
            send->setPort(open.serverPort());
            connect(send.get(), &SendFileCommand::done, this, [&exitCode](int code) { exitCode = code; });
            QMetaObject::invokeMethod(send.get(), &SendFileCommand::start, Qt::QueuedConnection);
            command = std::move(send);
        } else {
            auto send = std::make_unique<SendCommand>(kHost, u"текст"_s, home.path(), 1);
            send->setPort(open.serverPort());
            connect(send.get(), &SendCommand::done, this, [&exitCode](int code) { exitCode = code; });
            QMetaObject::invokeMethod(send.get(), &SendCommand::start, Qt::QueuedConnection);
            command = std::move(send);
        }
        if (pinned) {
            QTRY_VERIFY(exitCode != -1);
            QCOMPARE(exitCode, 1);
            QCOMPARE(contacted.size(), 0);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(contacted.size(), 1, 15000);
        }
    }

    void twoLinesGoOutInCrLfAndIntoTheHistory_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("history on by default") << QByteArray("[Aliases]\r\n127.0.0.1=Srv\r\n") << true;
        QTest::newRow("history off") << QByteArray("[Form]\r\nCh15=0\r\n") << false;
    }
    void twoLinesGoOutInCrLfAndIntoTheHistory()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, recorded);
        QTemporaryDir home;
        const QString ini = QDir(home.path()).filePath(u"Zavolin.ini"_s);
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size());
        file.close();
        // The receiver's side of one exchange: both fields, then the acknowledgement.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QByteArray wire;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, peer, [&wire, peer] {
                wire += peer->readAll();
                const int name = wire.left(4).toInt();
                if (wire.size() >= 8 + name && wire.size() == 8 + name + wire.mid(4 + name, 4).toInt())
                    peer->write("OK" + QByteArray(14, ' '));
            });
        });

        SendCommand command(kHost, u"первая\nвторая"_s, home.path(), 1);
        command.setPort(server.serverPort());
        command.setSettingsFile(ini);
        QSignalSpy done(&command, &SendCommand::done);
        const QDateTime before = QDateTime::currentDateTime();
        command.start();
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 15000);
        const QDateTime after = QDateTime::currentDateTime();
        QCOMPARE(done.first().first().toInt(), 0);
        const QByteArray text = Cp1251::encode(u"первая\r\nвторая"_s);
        QVERIFY(wire.endsWith("0014" + text));

        QFile log(QDir(home.path()).filePath(u"Log.txt"_s));
        QCOMPARE(log.exists(), recorded);
        if (!recorded)
            return;
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray entry = log.readAll();
        // Stamped with the moment of the acknowledgement.
        bool matched = false;
        for (QDateTime at = before.addSecs(-1); at <= after.addSecs(1) && !matched; at = at.addSecs(1))
            matched = entry == HistoryLog::entry(u"первая\r\nвторая"_s, OwnName::current(), u"Srv"_s, at);
        QVERIFY2(matched, entry.constData());
    }
};

QTEST_GUILESS_MAIN(TestSendCommands)
#include "tst_sendcommands.moc"
