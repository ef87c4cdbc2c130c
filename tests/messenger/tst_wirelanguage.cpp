// What goes on the wire and into files does not depend on the interface's
// language: two cores on loopback run the same exchange under Russian and under
// English, and every datagram, message, auto-answer and history entry is the same.
#include "Cp1251.h"
#include "IncomingEntry.h"
#include "IniFile.h"
#include "InterfaceTranslation.h"
#include "Messenger.h"
#include "MsgFrame.h"
#include "UdpChannel.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Transcript = std::map<QString, QByteArray>;

MessengerEnvironment loopback(const QString &home)
{
    MessengerEnvironment env;
    env.settingsPath = QDir(home).filePath(u"Zavolin.ini"_s);
    env.dataFolder = home;
    env.datagramPort = 0;
    env.broadcastHost = u"127.0.0.1"_s;
    env.broadcastPort = 9;
    env.messagePort = 0;
    env.streamPort = 0;
    env.securePort = 0;
    env.listenAddress = QHostAddress(QHostAddress::LocalHost);
    return env;
}

// Stands in for another computer: keeps the bytes of one message and acknowledges it.
class MessageCatcher : public QTcpServer
{
public:
    QByteArray bytes;
    bool complete = false;

    MessageCatcher()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray chunk = socket->readAll();
                bytes += chunk;
                if (m_parser.feed(chunk) == MsgFrameParser::Status::Complete && !complete) {
                    complete = true;
                    socket->write(MsgFrame::acknowledgement());
                }
            });
        });
    }

private:
    MsgFrameParser m_parser;
};

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The same exchange whatever the language; key announcements differ by run
// (each core makes its own key), and so do the clock's digits in the history.
void exchange(Transcript &out)
{
    QTemporaryDir homeA;
    QTemporaryDir homeB;
    Messenger a(loopback(homeA.path()));
    Messenger b(loopback(homeB.path()));
    TUdpServer peer; // hears what B broadcasts
    peer.setDefaultPort(0);
    QByteArray datagrams;
    QObject::connect(&peer, &TUdpServer::datagramReceived, &peer, [&](const QByteArray &datagram) {
        if (!datagram.startsWith('$'))
            datagrams += datagram + '\n';
    });
    MessageCatcher catcher;
    QVERIFY(peer.setActive(true) && catcher.listen(QHostAddress::LocalHost));
    for (Messenger *core : {&a, &b}) {
        core->listen();
        core->options().load(IniFile(core->environment().settingsPath));
    }
    b.setPeerDatagramPort(peer.localPort());
    a.goOnline(u"PC-A"_s);
    b.goOnline(u"PC-B"_s);
    a.setPeerDatagramPort(b.datagramPort());
    b.setPeerMessagePort(a.messagePort());
    QSignalSpy came(&b, &Messenger::contactCame);
    a.refreshContacts();
    QTRY_COMPARE_WITH_TIMEOUT(came.size(), 1, 5000);

    a.setPeerMessagePort(catcher.serverPort());
    const Recipient catcherB{u"127.0.0.1"_s, u"PC-B"_s, {}};
    a.send({catcherB}, u"Привет, мир"_s, nullptr, nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(catcher.complete, 5000);
    a.recordSent(u"Привет, мир"_s, u"PC-B"_s);

    b.setAutoAnswer(true);
    QSignalSpy shownOnA(&a, &Messenger::incomingShown);
    a.setPeerMessagePort(b.messagePort());
    a.send({catcherB}, u"ты здесь?"_s, nullptr, nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(shownOnA.size(), 1, 5000);
    const auto reply = shownOnA.first().first().value<IncomingEntry>();
    b.shutdown();
    QTRY_VERIFY_WITH_TIMEOUT(datagrams.contains("#PC-B"), 5000);

    const QByteArray history = contentOf(QDir(homeA.path()).filePath(u"Log.txt"_s));
    out = {{u"datagrams"_s, datagrams},
           {u"message"_s, catcher.bytes},
           // The header above it is the window's own and speaks the interface's language.
           {u"auto-answer"_s, Cp1251::encode(reply.text)},
           {u"history"_s, QString::fromLatin1(history).replace(QRegularExpression(u"\\d"_s), u"#"_s).toLatin1()}};
}

} // namespace

class TestWireLanguage : public QObject
{
    Q_OBJECT

    Transcript m_russian;
    Transcript m_english;

private Q_SLOTS:
    void initTestCase()
    {
        exchange(m_russian);
        if (QTest::currentTestFailed())
            return;
        const InterfaceTranslation english(InterfaceLanguage::English);
        // Proves the English interface is really on while the exchange runs.
        QVERIFY(english.complete());
        QCOMPARE(QCoreApplication::translate("MessageBoxes", "Ошибка"), u"Error"_s);
        exchange(m_english);
    }

    void sameInEveryLanguage_data()
    {
        QTest::addColumn<QString>("what");
        for (const char *what : {"datagrams", "message", "auto-answer", "history"})
            QTest::newRow(what) << QString::fromLatin1(what);
    }

    void sameInEveryLanguage()
    {
        QFETCH(QString, what);
        QVERIFY2(!m_russian[what].isEmpty(), "the exchange did not run");
        QCOMPARE(m_english[what], m_russian[what]);
    }
};

QTEST_GUILESS_MAIN(TestWireLanguage)
#include "tst_wirelanguage.moc"
