#include "Cp1251.h"
#include "OperatorBook.h"
#include "ServerProcess.h"
#include "SmsSender.h"
#include "SmtpClient.h"
#include "TestDependency.h"
#include "WebGateway.h"

#include <QFile>
#include <QHostInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kLogin = u"sms@example.org"_s;
const QString kGateway = u"79001234567@sms.example.org"_s;

struct Outcome
{
    bool ok = false;
    QString error;
};

// Runs one step and waits for its end, which must come once.
Outcome run(TSmtpClient &client, TSmtpClient::Step step)
{
    QSignalSpy done(&client, &TSmtpClient::done);
    QSignalSpy failed(&client, &TSmtpClient::failed);
    switch (step) {
    case TSmtpClient::Step::Connect:
        client.Connect();
        break;
    case TSmtpClient::Step::SendMail:
        client.SendMail();
        break;
    case TSmtpClient::Step::Disconnect:
        client.Disconnect();
        break;
    }
    // The step ends after the call, never inside it.
    if (done.count() + failed.count() != 0)
        return {false, u"ended inside the call"_s};
    if (!QTest::qWaitFor([&] { return done.count() + failed.count() > 0; }, 40000))
        return {false, u"no end"_s};
    if (done.count() + failed.count() != 1)
        return {false, u"more than one end"_s};
    if (!done.isEmpty())
        return {done.at(0).at(0).value<TSmtpClient::Step>() == step, {}};
    return {false, failed.at(0).at(1).toString()};
}

// A mail server played by the test, for what no real server does on purpose:
// replies that are no numbers, refusals it goes past, hanging up instead of
// answering, dripping a byte at a time. Replies are looked up by the verb of
// the line received ("HELO", "RCPT", "." for the end of data, "greeting");
// "<close>" hangs up, "<silent>" answers nothing, "<drip>" sends a digit every
// 20 ms and never ends the line.
class ScriptedServer : public QObject
{
public:
    QHash<QByteArray, QByteArray> replies;
    QByteArrayList commands;

    ScriptedServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::accept);
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QByteArray reply(const QByteArray &verb) const
    {
        static const QHash<QByteArray, QByteArray> usual{
            {"greeting", "220 sms.example.org ready\r\n"}, {"DATA", "354 go ahead\r\n"}, {"QUIT", "221 bye\r\n"}};
        return replies.value(verb, usual.value(verb, "250 OK\r\n"));
    }

    void answer(QTcpSocket *socket, const QByteArray &verb)
    {
        const QByteArray text = reply(verb);
        if (text == "<close>") {
            socket->disconnectFromHost();
        } else if (text == "<drip>") {
            auto *drip = new QTimer(socket);
            connect(drip, &QTimer::timeout, socket, [socket] { socket->write("2"); });
            drip->start(20);
        } else if (text != "<silent>") {
            socket->write(text);
        }
    }

    void accept()
    {
        QTcpSocket *socket = m_server.nextPendingConnection();
        socket->setParent(this);
        answer(socket, "greeting");
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine();
                if (m_inData) {
                    if (line == ".\r\n") {
                        m_inData = false;
                        answer(socket, ".");
                    }
                    continue;
                }
                commands.append(line.trimmed());
                const QByteArray verb = line.trimmed().split(' ').first().split(':').first().toUpper();
                answer(socket, verb);
                m_inData = verb == "DATA" && reply(verb).startsWith("354");
            }
        });
    }

    QTcpServer m_server;
    bool m_inData = false;
};

} // namespace

class TestSmtpClient : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_log;
    ServerProcess *m_server = nullptr;
    QString m_cert;
    QString m_key;

    bool startServer(const QString &mode, QStringList extra = {})
    {
        delete m_server;
        m_server = new ServerProcess;
        QFile::remove(m_log.filePath(u"transcript"_s));
        QFile::remove(m_log.filePath(u"messages"_s));
        if (!m_server->start(u"smtp_server.py"_s, QStringList{mode, m_log.path()} + extra)) {
            qWarning().noquote() << m_server->reason();
            return false;
        }
        return true;
    }

    void prepare(TSmtpClient &client)
    {
        client.setHost(u"127.0.0.1"_s);
        client.setPort(m_server->port());
        client.postMessage().FromAddress = kLogin;
        client.postMessage().ToAddress = {kGateway};
        client.postMessage().Body = {u"Hello"_s, u".dotted line"_s, u"Привет"_s};
    }

    QByteArray transcript() const
    {
        QFile file(m_log.filePath(u"transcript"_s));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QList<QJsonObject> messages() const
    {
        QList<QJsonObject> result;
        QFile file(m_log.filePath(u"messages"_s));
        if (!file.open(QIODevice::ReadOnly))
            return result;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                result.append(QJsonDocument::fromJson(line).object());
        }
        return result;
    }

    static QByteArray helo() { return "HELO " + QHostInfo::localHostName().toLatin1() + "\r\n"; }

    static QByteArray oneSmsTranscript()
    {
        return helo() + "RSET\r\nMAIL FROM:<sms@example.org>\r\nRCPT TO:<79001234567@sms.example.org>\r\nDATA\r\n"
               "From: <sms@example.org>\r\nTo: 79001234567@sms.example.org\r\nMime-Version: 1.0\r\n"
               "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\n"
               "Hello\r\n..dotted line\r\n" + Cp1251::encode(u"Привет") + "\r\n.\r\nQUIT\r\n";
    }

    void makeCertificate()
    {
        if (!m_cert.isEmpty())
            return;
        QProcess openssl;
        m_cert = m_log.filePath(u"cert.pem"_s);
        m_key = m_log.filePath(u"key.pem"_s);
        openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-days"_s,
                                     u"1"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s,
                                     u"subjectAltName=IP:127.0.0.1"_s, u"-keyout"_s, m_key, u"-out"_s, m_cert});
        QVERIFY(openssl.waitForFinished(60000));
        QCOMPARE(openssl.exitCode(), 0);
    }

    QList<QSslCertificate> trusted() const { return QSslCertificate::fromPath(m_cert); }

private Q_SLOTS:
    void cleanup()
    {
        delete m_server;
        m_server = nullptr;
    }

    void oneSmsGoesOutExactlyAndEmptiesTheRecipients()
    {
        if (!startServer(u"plain"_s))
            ZV_MISSING_DEPENDENCY(qPrintable(m_server->reason()));
        TSmtpClient client;
        prepare(client);
        client.postMessage().ToAddress = {u"Gateway <79001234567@sms.example.org>"_s};
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        QVERIFY(client.isConnected());
        QVERIFY(run(client, TSmtpClient::Step::SendMail).ok);
        QVERIFY(client.postMessage().ToAddress.isEmpty());
        QCOMPARE(client.postMessage().Body.size(), 3); // the text stays
        QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok);
        QVERIFY(!client.isConnected());

        QByteArray expected = oneSmsTranscript();
        expected.replace("To: 79001234567@sms.example.org", "To: Gateway <79001234567@sms.example.org>");
        QCOMPARE(transcript(), expected);
        const QList<QJsonObject> received = messages();
        QCOMPARE(received.size(), 1);
        QCOMPARE(received[0][u"to"_s].toVariant().toStringList(), QStringList{kGateway});
        // Unstuffed by the server: the line is the user's again.
        QVERIFY(received[0][u"content"_s].toString().contains(u"\r\n.dotted line\r\n"_s));

        // The same client goes again.
        client.postMessage().ToAddress = {kGateway};
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        QVERIFY(run(client, TSmtpClient::Step::SendMail).ok);
        QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok);
        QCOMPARE(messages().size(), 2);
    }

    void multiLineRepliesKeepTheDialogueInStep()
    {
        if (!startServer(u"multiline"_s))
            ZV_MISSING_DEPENDENCY(qPrintable(m_server->reason()));
        TSmtpClient client;
        prepare(client);
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        QVERIFY(run(client, TSmtpClient::Step::SendMail).ok);
        QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok);
        // HELO only after the whole greeting, each command after the whole previous reply.
        QCOMPARE(transcript(), oneSmsTranscript());
        QCOMPARE(messages().size(), 1);
    }

    void refusalsEndTheirStep()
    {
        if (!startServer(u"helo501"_s))
            ZV_MISSING_DEPENDENCY(qPrintable(m_server->reason()));
        {
            TSmtpClient client;
            prepare(client);
            const Outcome connect = run(client, TSmtpClient::Step::Connect);
            QVERIFY(!connect.ok);
            // The refusal names HELO, not a login that never took place.
            QCOMPARE(connect.error, u"HELO refused: 501 Syntax: HELO hostname\r\n"_s);
            QVERIFY(!client.isConnected());
            QTRY_COMPARE(transcript(), helo() + "QUIT\r\n");
            QVERIFY(!client.busy());
        }

        QVERIFY(startServer(u"rcpt550"_s));
        TSmtpClient client;
        prepare(client);
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        const Outcome send = run(client, TSmtpClient::Step::SendMail);
        QVERIFY(!send.ok);
        // The server's reply line, with its line end, after the refused exchange.
        QVERIFY2(send.error.startsWith(u"DATA refused: 503 "_s) && send.error.endsWith(u"\r\n"_s),
                 qPrintable(send.error));
        QCOMPARE(client.postMessage().ToAddress, QStringList{kGateway}); // kept after a failure
        QVERIFY(client.isConnected());
        QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok);
        QVERIFY(transcript().endsWith("RCPT TO:<79001234567@sms.example.org>\r\nDATA\r\nQUIT\r\n"));
        QVERIFY(messages().isEmpty());
    }

    void aServerThatClosesIsAFailure()
    {
        if (!startServer(u"close_after_mail"_s))
            ZV_MISSING_DEPENDENCY(qPrintable(m_server->reason()));
        TSmtpClient client;
        prepare(client);
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        const Outcome send = run(client, TSmtpClient::Step::SendMail);
        QVERIFY(!send.ok);
        QCOMPARE(send.error, u"MAIL FROM: Connection closed by the server"_s);
        QCOMPARE(client.postMessage().ToAddress, QStringList{kGateway});
        QVERIFY(!client.busy());
        QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok); // nothing left to close
        QVERIFY(!transcript().contains("RCPT"));
    }

    void sendMailNeedsConnectionAndHeader()
    {
        if (!startServer(u"plain"_s))
            ZV_MISSING_DEPENDENCY(qPrintable(m_server->reason()));
        TSmtpClient client;
        prepare(client);
        Outcome send = run(client, TSmtpClient::Step::SendMail);
        QCOMPARE(send.error, u"Not Connected"_s);

        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        client.postMessage().ToAddress.clear();
        send = run(client, TSmtpClient::Step::SendMail);
        QCOMPARE(send.error, u"Incomplete Header"_s);
        QVERIFY(client.isConnected()); // still ours to QUIT
        client.postMessage().ToAddress = {kGateway};
        client.postMessage().FromAddress.clear();
        QCOMPARE(run(client, TSmtpClient::Step::SendMail).error, u"Incomplete Header"_s);

        const Outcome again = run(client, TSmtpClient::Step::Connect);
        QCOMPARE(again.error, u"Already connected"_s);
        QVERIFY(client.isConnected()); // the open connection was left alone
        QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok);
        QCOMPARE(transcript(), helo() + "QUIT\r\n");
    }

    void tlsAndLoginWhenSwitchedOn()
    {
        makeCertificate();
        if (!startServer(u"starttls_auth"_s, {m_cert, m_key}))
            ZV_MISSING_DEPENDENCY(qPrintable(m_server->reason()));
        {
            TSmtpClient client;
            prepare(client);
            client.setSecurity(TSmtpClient::Security::StartTls);
            client.setExtraCaCertificates(trusted());
            client.setAuthentication(true, kLogin, u"s3cret"_s);
            QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
            QVERIFY(run(client, TSmtpClient::Step::SendMail).ok);
            QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok);
            const QList<QJsonObject> received = messages();
            QCOMPARE(received.size(), 1);
            QVERIFY(received[0][u"tls"_s].toBool());
            QCOMPARE(received[0][u"login"_s].toString(), kLogin);
            // Nothing but the greeting's answer and STARTTLS travelled in the clear.
            QVERIFY(transcript().startsWith("EHLO " + QHostInfo::localHostName().toLatin1() + "\r\nSTARTTLS\r\n"));
        }
        {
            TSmtpClient client;
            prepare(client);
            client.setSecurity(TSmtpClient::Security::StartTls);
            client.setExtraCaCertificates(trusted());
            client.setAuthentication(true, kLogin, u"wrong"_s);
            const Outcome connect = run(client, TSmtpClient::Step::Connect);
            QVERIFY2(connect.error.startsWith(u"AUTH refused: 535"_s), qPrintable(connect.error));
        }
        {
            // An authority we do not know: no dialogue past STARTTLS.
            TSmtpClient client;
            prepare(client);
            client.setSecurity(TSmtpClient::Security::StartTls);
            client.setAuthentication(true, kLogin, u"s3cret"_s);
            const Outcome connect = run(client, TSmtpClient::Step::Connect);
            QVERIFY2(connect.error.startsWith(u"TLS handshake: "_s), qPrintable(connect.error));
        }
        QCOMPARE(messages().size(), 1);

        QVERIFY(startServer(u"tls"_s, {m_cert, m_key}));
        TSmtpClient client;
        prepare(client);
        client.setSecurity(TSmtpClient::Security::Tls);
        client.setExtraCaCertificates(trusted());
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        QVERIFY(run(client, TSmtpClient::Step::SendMail).ok);
        QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok);
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages()[0][u"tls"_s].toBool());
    }

    void noPasswordInTheClear()
    {
        if (!startServer(u"plain"_s))
            ZV_MISSING_DEPENDENCY(qPrintable(m_server->reason()));
        TSmtpClient client;
        prepare(client);
        client.setAuthentication(true, kLogin, u"s3cret"_s);
        const Outcome connect = run(client, TSmtpClient::Step::Connect);
        QCOMPARE(connect.error, u"AUTH: the password is only sent over TLS"_s);
        QTRY_VERIFY(transcript().endsWith("QUIT\r\n"));
        QVERIFY(!transcript().contains("AUTH"));
    }

private:
    void preparePlayed(TSmtpClient &client, const ScriptedServer &server)
    {
        client.setHost(u"127.0.0.1"_s);
        client.setPort(server.port());
        client.postMessage().FromAddress = kLogin;
        client.postMessage().ToAddress = {kGateway};
        client.postMessage().Body = {u"Hello"_s};
    }

    // One SMS through SmsSender, as the window and --sms send it.
    struct SmsOutcome
    {
        int sent = 0;
        QStringList failures;
    };
    SmsOutcome sendSms(const ScriptedServer &server, TSmtpClient &client)
    {
        QTemporaryDir dir;
        QFile ways(dir.filePath(u"dataoss.lst"_s));
        if (!ways.open(QIODevice::WriteOnly))
            return {0, {u"no operator file"_s}};
        ways.write("[Mail]\r\nMail=<%s@sms.example.org>\r\n");
        ways.close();
        SmsSender sender(&client);
        QSignalSpy sent(&sender, &SmsSender::mailSent);
        QSignalSpy failed(&sender, &SmsSender::mailFailed);
        QSignalSpy finished(&sender, &SmsSender::finished);
        SmtpSettings settings;
        settings.server = u"127.0.0.1"_s;
        settings.port = QString::number(server.port());
        settings.login = kLogin;
        sender.send({u"Mail"_s, u"79001234567"_s, u"Hi"_s},
                    OperatorBook(dir.filePath(u"oss.lst"_s), ways.fileName()), settings);
        if (!finished.wait(20000))
            return {0, {u"never finished"_s}};
        SmsOutcome outcome{int(sent.count()), {}};
        for (const QList<QVariant> &failure : failed)
            outcome.failures.append(failure.at(1).toString());
        return outcome;
    }

private Q_SLOTS:
    // A server that is none must not pass for one that took the mail.
    void repliesThatAreNoNumbersFail()
    {
        {
            ScriptedServer server;
            server.replies = {{"greeting", "hello\r\n"}, {"HELO", "hello\r\n"}, {"RSET", "hello\r\n"},
                              {"MAIL", "hello\r\n"}, {"RCPT", "hello\r\n"}, {"DATA", "hello\r\n"},
                              {".", "hello\r\n"}, {"QUIT", "hello\r\n"}};
            TSmtpClient client;
            const SmsOutcome sms = sendSms(server, client);
            QCOMPARE(sms.sent, 0);
            QCOMPARE(sms.failures, QStringList{u"greeting: not an SMTP reply: hello"_s});
        }
        ScriptedServer server;
        server.replies = {{"RSET", "hello\r\n"}};
        TSmtpClient client;
        preparePlayed(client, server);
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        QCOMPARE(run(client, TSmtpClient::Step::SendMail).error, u"RSET: not an SMTP reply: hello"_s);
        QCOMPARE(client.postMessage().ToAddress, QStringList{kGateway});
    }

    // The mail went to nobody: the send fails even where the server takes
    // DATA and the end of data all the same.
    void aRefusedRecipientFailsTheSend()
    {
        ScriptedServer server;
        server.replies = {{"RCPT", "550 5.1.1 no such user\r\n"}};
        TSmtpClient client;
        preparePlayed(client, server);
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        QCOMPARE(run(client, TSmtpClient::Step::SendMail).error, u"RCPT TO refused: 550 5.1.1 no such user\r\n"_s);
        QCOMPARE(client.postMessage().ToAddress, QStringList{kGateway});
        QVERIFY(run(client, TSmtpClient::Step::Disconnect).ok);
        QVERIFY(server.commands.contains("DATA"));

        TSmtpClient again;
        const SmsOutcome sms = sendSms(server, again);
        QCOMPARE(sms.sent, 0);
        QCOMPARE(sms.failures, QStringList{u"RCPT TO refused: 550 5.1.1 no such user\r\n"_s});
    }

    // After the end of data was accepted the SMS is on its way: a server that
    // hangs up on QUIT, or never answers it, has lost nothing.
    void anUnansweredQuitAfterTheMailIsASuccess()
    {
        for (const QByteArray quit : {QByteArray("<close>"), QByteArray("<silent>")}) {
            ScriptedServer server;
            server.replies = {{"QUIT", quit}};
            TSmtpClient client;
            client.setReplyBound(300);
            const SmsOutcome sms = sendSms(server, client);
            QVERIFY2(sms.failures.isEmpty(), qPrintable(sms.failures.join(u'|')));
            QCOMPARE(sms.sent, 1);
            QVERIFY(!client.isConnected());
        }
        // A QUIT refused is still told.
        ScriptedServer server;
        server.replies = {{"QUIT", "554 no\r\n"}};
        TSmtpClient client;
        const SmsOutcome sms = sendSms(server, client);
        QCOMPARE(sms.failures, QStringList{u"QUIT refused: 554 no\r\n"_s});
    }

    // The socket's own wait starts again with every byte; a reply as a whole
    // and the dialogue as a whole have bounds of their own.
    void aDrippingServerIsBounded()
    {
        ScriptedServer server;
        server.replies = {{"HELO", "<drip>"}};
        TSmtpClient client;
        preparePlayed(client, server);
        client.setReplyBound(300);
        Outcome connect = run(client, TSmtpClient::Step::Connect);
        QCOMPARE(connect.error, u"HELO: no reply within 300 ms"_s);
        QVERIFY(!client.isConnected());
        QVERIFY(!client.busy());

        server.replies = {{"RCPT", "<drip>"}};
        client.setReplyBound(60000);
        client.setDialogueBound(500);
        QVERIFY(run(client, TSmtpClient::Step::Connect).ok);
        QCOMPARE(run(client, TSmtpClient::Step::SendMail).error, u"RCPT TO: the dialogue took longer than 500 ms"_s);
        QVERIFY(!client.isConnected());
    }

    void webWayRequestsTheFilledAddress()
    {
        ServerProcess http;
        QVERIFY2(http.start(u"http_server.py"_s, {}), qPrintable(http.reason()));
        const QString base = u"http://127.0.0.1:%1"_s.arg(http.port());
        WebGateway gateway;
        QSignalSpy finished(&gateway, &WebGateway::finished);

        gateway.get(WebGateway::url(base + u"/send?phone=%s&text=%s"_s, u"+79001234567"_s, u"Привет мир"_s));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(http.lines(1), QStringList{
            u"GET /send?phone=%2B79001234567&text=%CF%F0%E8%E2%E5%F2%20%EC%E8%F0 HTTP/1.1"_s});

        gateway.get(QUrl(base + u"/redirect"_s));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(1).at(0).toBool(), true);
        QCOMPARE(http.lines(3).mid(1), (QStringList{u"GET /redirect HTTP/1.1"_s, u"GET /landed HTTP/1.1"_s}));

        // Reasons go to the log: the host and the status, never the address
        // with the phone, the text or a key.
        gateway.get(QUrl(base + u"/broken?phone=79001234567&key=k3y"_s));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(2).at(0).toBool(), false);
        QCOMPARE(finished.at(2).at(1).toString(), u"127.0.0.1: HTTP 500"_s);

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        gateway.get(QUrl(u"http://127.0.0.1:%1/send?phone=79001234567&key=k3y"_s.arg(port)));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(3).at(1).toString(), u"127.0.0.1: ConnectionRefusedError"_s);
        gateway.get(QUrl(u"ftp://sms.example.net/send?phone=79001234567"_s));
        QVERIFY(finished.wait(20000));
        QVERIFY(!finished.at(4).at(1).toString().contains(u"79001234567"_s));
        QVERIFY(!finished.at(4).at(1).toString().contains(u"sms.example.net/send"_s));
    }

    void oneSmsBothWaysAndOnlyToItsOwnGateway()
    {
        if (!startServer(u"plain"_s))
            ZV_MISSING_DEPENDENCY(qPrintable(m_server->reason()));
        ServerProcess http;
        QVERIFY2(http.start(u"http_server.py"_s, {}), qPrintable(http.reason()));
        QTemporaryDir dir;
        QFile ways(dir.filePath(u"dataoss.lst"_s));
        QVERIFY(ways.open(QIODevice::WriteOnly));
        ways.write(u"[Both]\r\nWeb='http://127.0.0.1:%1/sms?p=%s&t=%s'\r\nMail='%s@sms.example.org'\r\n"_s
                       .arg(http.port()).toLatin1());
        ways.close();
        const OperatorBook operators(dir.filePath(u"oss.lst"_s), ways.fileName());

        TSmtpClient client;
        // Left behind by an earlier failed send: must not get this SMS.
        client.postMessage().ToAddress = {u"earlier@sms.example.org"_s};
        SmsSender sender(&client);
        QSignalSpy web(&sender, &SmsSender::webFinished);
        QSignalSpy mailed(&sender, &SmsSender::mailSent);
        QSignalSpy finished(&sender, &SmsSender::finished);
        SmtpSettings settings;
        settings.server = u"127.0.0.1"_s;
        settings.port = QString::number(m_server->port());
        settings.login = kLogin;
        sender.send({u"Both"_s, u"79001234567"_s, u"  Hi\r\n"_s}, operators, settings);
        QVERIFY(finished.wait(40000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(web.count(), 1);
        QCOMPARE(mailed.count(), 1);
        // The web way gets the text as typed, the mail a trimmed one.
        QCOMPARE(http.lines(1), QStringList{u"GET /sms?p=79001234567&t=%20%20Hi%0D%0A HTTP/1.1"_s});
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages()[0][u"to"_s].toVariant().toStringList(), QStringList{kGateway});
        QVERIFY(messages()[0][u"content"_s].toString().endsWith(u"\r\n\r\nHi\r\n"_s));
    }
};

QTEST_GUILESS_MAIN(TestSmtpClient)
#include "tst_smtpclient.moc"
