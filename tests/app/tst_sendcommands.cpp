// The command line's sends on loopback: with the recipient's key in the
// home's pins, a file goes over the secure channel and nothing reaches the
// open one; a home that cannot make an identity of its own sends nothing at
// all to a pinned recipient, while an unpinned one is served in the open.
#include "Identity.h"
#include "PinStore.h"
#include "SecureChannel.h"
#include "SendCommand.h"
#include "SendFileCommand.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
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
};

QTEST_GUILESS_MAIN(TestSendCommands)
#include "tst_sendcommands.moc"
