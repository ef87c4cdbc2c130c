#include "SmtpClient.h"

#include "Cp1251.h"
#include "SmtpReply.h"

#include <QBuffer>
#include <QHostInfo>
#include <QSslConfiguration>
#include <QSslSocket>

namespace {

// A reply line longer than this (or a reply of more lines) is no SMTP server
// talking; the read buffer stays small and the wait bound ends the dialogue.
constexpr qint64 kReadBuffer = 64 * 1024;
constexpr int kMaxReplyLines = 256;

const QString kClosed = QStringLiteral("Connection closed by the server");
// Shown in a failure, so a server's junk cannot fill a message box.
constexpr qsizetype kMaxShownReply = 200;

// A command argument is one line: a line break in an address or a name would
// smuggle a command of its own into the dialogue.
QString oneLine(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

bool offers(const QByteArrayList &extensions, QByteArrayView keyword)
{
    for (const QByteArray &line : extensions) {
        if (line == keyword || line.startsWith(keyword.toByteArray() + ' '))
            return true;
    }
    return false;
}

QByteArrayList authMechanisms(const QByteArrayList &extensions)
{
    for (const QByteArray &line : extensions) {
        if (line.startsWith("AUTH ") || line.startsWith("AUTH="))
            return line.mid(5).simplified().split(' ');
    }
    return {};
}

} // namespace

TSmtpClient::TSmtpClient(QObject *parent)
    : TTcpSock(kDefaultPort, parent)
{
    m_tlsTimer.setSingleShot(true);
    connect(&m_tlsTimer, &QTimer::timeout, this, [this] {
        if (m_afterTls)
            fail(QStringLiteral("timed out"));
    });
    // The socket's own wait starts again with every byte, so a server that
    // drips a byte now and then would hold a send for ever: a reply has a
    // bound as a whole, and so has the whole dialogue.
    m_replyTimer.setSingleShot(true);
    connect(&m_replyTimer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("no reply within %1 ms").arg(m_replyBoundMs));
    });
    m_dialogueTimer.setSingleShot(true);
    connect(&m_dialogueTimer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("the dialogue took longer than %1 ms").arg(m_dialogueBoundMs));
    });
    connect(this, &TTcpSock::disconnected, this, [this] {
        m_replyTimer.stop();
        m_dialogueTimer.stop();
    });
}

QString TSmtpClient::refusal(const QByteArray &line) const
{
    return m_command + QStringLiteral(" refused: ") + Cp1251::decode(line);
}

void TSmtpClient::setAuthentication(bool on, const QString &login, const QString &password)
{
    m_auth = on;
    m_login = login;
    m_password = password;
}

bool TSmtpClient::isConnected() const
{
    return socket() && socket()->state() == QAbstractSocket::ConnectedState;
}

QString TSmtpClient::heloName() const
{
    if (!m_userId.isEmpty())
        return oneLine(m_userId);
    const QString local = QHostInfo::localHostName();
    return local.isEmpty() ? QStringLiteral("localhost") : local;
}

QTcpSocket *TSmtpClient::createSocket()
{
    QTcpSocket *socket = nullptr;
    if (m_security != Security::None) {
        auto *ssl = new QSslSocket(this);
        QSslConfiguration config = ssl->sslConfiguration();
        if (!m_extraCa.isEmpty()) {
            QList<QSslCertificate> all = config.caCertificates();
            all += m_extraCa;
            config.setCaCertificates(all);
        }
        ssl->setSslConfiguration(config);
        connect(ssl, &QSslSocket::encrypted, this, [this] {
            m_tlsTimer.stop();
            m_encrypted = true;
            if (auto next = std::exchange(m_afterTls, nullptr))
                next();
        });
        connect(ssl, &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) {
            m_afterTls = nullptr;
            m_tlsTimer.stop();
            fail(errors.isEmpty() ? QStringLiteral("failed") : errors.first().errorString());
        });
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
    }
    socket->setReadBufferSize(kReadBuffer);
    return socket;
}

void TSmtpClient::Connect()
{
    if (isBusy()) {
        // Another step holds the connection; it must not be disturbed.
        QTimer::singleShot(0, this, [this] { Q_EMIT failed(Step::Connect, QStringLiteral("Already connected")); });
        return;
    }
    m_busyBeforeConnect = m_busy;
    m_busy = true;
    m_step = Step::Connect;
    m_inStep = true;
    m_encrypted = false;
    m_extensions.clear();
    m_quitReason.clear();
    m_awaitingQuit = false;
    m_command = QStringLiteral("connect");
    if (m_security != Security::None && !QSslSocket::supportsSsl()) {
        m_inStep = false;
        m_busy = m_busyBeforeConnect;
        report(Step::Connect, QStringLiteral("TLS is not available on this system"));
        return;
    }
    if (begin())
        m_dialogueTimer.start(m_dialogueBoundMs);
    connectThen([this] {
        if (m_security == Security::Tls)
            startTls([this] { greet(); });
        else
            greet();
    });
}

void TSmtpClient::greet()
{
    m_command = QStringLiteral("greeting");
    readReply([this](qint64 number, const QByteArray &line) {
        if (number >= 400) {
            quitThenFail(refusal(line));
            return;
        }
        hello();
    });
}

void TSmtpClient::hello()
{
    // EHLO only where our own extensions need it, so the plain dialogue stays HELO.
    const bool extended = m_security != Security::None || m_auth;
    const QString verb = extended ? QStringLiteral("EHLO") : QStringLiteral("HELO");
    command(verb, verb + u' ' + heloName(),
            [this](qint64 number, const QByteArray &line) { afterHello(number, line); });
}

void TSmtpClient::afterHello(qint64 number, const QByteArray &line)
{
    if (number >= 300) {
        quitThenFail(refusal(line));
        return;
    }
    m_extensions = SmtpReply::extensions(m_replyLines);
    if (m_security == Security::StartTls && !m_encrypted) {
        if (!offers(m_extensions, "STARTTLS")) {
            quitThenFail(QStringLiteral("EHLO: the server offers no STARTTLS"));
            return;
        }
        command(QStringLiteral("STARTTLS"), QStringLiteral("STARTTLS"), [this](qint64 number, const QByteArray &line) {
            if (number != 220) {
                quitThenFail(refusal(line));
                return;
            }
            // What the server said before encryption no longer counts.
            startTls([this] { hello(); });
        });
        return;
    }
    if (m_auth)
        authenticate();
    else
        connectSucceeded();
}

void TSmtpClient::startTls(std::function<void()> next)
{
    auto *ssl = qobject_cast<QSslSocket *>(socket());
    if (!ssl) {
        fail(QStringLiteral("TLS is not available on this system"));
        return;
    }
    m_afterTls = std::move(next);
    m_command = QStringLiteral("TLS handshake");
    m_tlsTimer.start(timeOut() > 0 ? timeOut() : m_replyBoundMs);
    ssl->setPeerVerifyName(host());
    ssl->startClientEncryption();
}

void TSmtpClient::authenticate()
{
    if (!m_encrypted) {
        quitThenFail(QStringLiteral("AUTH: the password is only sent over TLS"));
        return;
    }
    const QByteArrayList mechanisms = authMechanisms(m_extensions);
    if (mechanisms.contains("PLAIN")) {
        const QByteArray token = QByteArray(1, '\0') + m_login.toUtf8() + '\0' + m_password.toUtf8();
        command(QStringLiteral("AUTH"), QStringLiteral("AUTH PLAIN ") + QString::fromLatin1(token.toBase64()),
                [this](qint64 number, const QByteArray &line) {
                    number == 235 ? connectSucceeded() : quitThenFail(refusal(line));
                });
    } else if (mechanisms.contains("LOGIN")) {
        authLogin();
    } else {
        quitThenFail(QStringLiteral("AUTH: Authentication failed (no mechanism in common)"));
    }
}

void TSmtpClient::authLogin()
{
    const QString auth = QStringLiteral("AUTH");
    command(auth, QStringLiteral("AUTH LOGIN"), [this, auth](qint64 number, const QByteArray &line) {
        if (number != 334) {
            quitThenFail(refusal(line));
            return;
        }
        command(auth, QString::fromLatin1(m_login.toUtf8().toBase64()), [this, auth](qint64 number, const QByteArray &line) {
            if (number != 334) {
                quitThenFail(refusal(line));
                return;
            }
            command(auth, QString::fromLatin1(m_password.toUtf8().toBase64()),
                    [this](qint64 number, const QByteArray &line) {
                        number == 235 ? connectSucceeded() : quitThenFail(refusal(line));
                    });
        });
    });
}

void TSmtpClient::connectSucceeded()
{
    m_inStep = false;
    m_busy = m_busyBeforeConnect;
    Q_EMIT done(Step::Connect);
}

void TSmtpClient::quitThenFail(const QString &error)
{
    // Whatever the server answers to QUIT, or if it never does, the step ends
    // with the failure that made us quit.
    m_quitReason = error;
    write("QUIT\r\n");
    m_replyTimer.start(m_replyBoundMs);
    readLine([this, error](const QByteArray &) { fail(error); });
}

void TSmtpClient::SendMail()
{
    if (m_busy)
        return;
    m_busy = true;
    m_step = Step::SendMail;
    if (!isConnected() || !isBusy()) {
        m_busy = false;
        report(Step::SendMail, QStringLiteral("Not Connected"));
        return;
    }
    if (m_post.FromAddress.isEmpty()
        || (m_post.ToAddress.isEmpty() && m_post.ToCarbonCopy.isEmpty() && m_post.ToBlindCarbonCopy.isEmpty())) {
        m_busy = false;
        report(Step::SendMail, QStringLiteral("Incomplete Header"));
        return;
    }
    m_inStep = true;
    m_recipientRefusal.clear();
    command(QStringLiteral("RSET"), QStringLiteral("RSET"), [this](qint64 number, const QByteArray &line) {
        if (number >= 400)
            return refuse(refusal(line));
        command(QStringLiteral("MAIL FROM"), QStringLiteral("MAIL FROM:<") + m_post.FromAddress + u'>',
                [this](qint64 number, const QByteArray &line) {
                    if (number >= 400)
                        return refuse(refusal(line));
                    sendRecipients(m_post.ToAddress + m_post.ToCarbonCopy + m_post.ToBlindCarbonCopy);
                });
    });
}

void TSmtpClient::sendRecipients(QStringList addresses)
{
    while (!addresses.isEmpty() && SmtpMessage::extractAddress(addresses.first()).isEmpty())
        addresses.removeFirst();
    if (addresses.isEmpty()) {
        sendData();
        return;
    }
    const QString address = SmtpMessage::extractAddress(addresses.takeFirst());
    // A refused recipient does not stop the others, but the send fails in the
    // end: the mail did not reach everyone it was for.
    command(QStringLiteral("RCPT TO"), QStringLiteral("RCPT TO:<") + address + u'>',
            [this, addresses](qint64 number, const QByteArray &line) {
                if ((number < 200 || number >= 300) && m_recipientRefusal.isEmpty())
                    m_recipientRefusal = refusal(line);
                sendRecipients(addresses);
            });
}

void TSmtpClient::sendData()
{
    command(QStringLiteral("DATA"), QStringLiteral("DATA"), [this](qint64 number, const QByteArray &line) {
        if (number >= 400)
            return refuse(refusal(line));
        QByteArray head;
        for (const QString &headerLine : SmtpMessage::headerLines(m_post, m_subType, m_charset))
            head += Cp1251::encode(oneLine(headerLine)) + "\r\n";
        head += "\r\n\r\n";
        write(head);
        auto body = std::make_unique<QBuffer>();
        body->setData(SmtpMessage::body(m_post.Body));
        body->open(QIODevice::ReadOnly);
        const qint64 size = body->size();
        m_command = QStringLiteral("message");
        sendStream(std::move(body), size, [this] {
            command(QStringLiteral("end of data"), QStringLiteral("."), [this](qint64 number, const QByteArray &line) {
                if (number >= 400)
                    return refuse(refusal(line));
                if (!m_recipientRefusal.isEmpty())
                    return refuse(m_recipientRefusal);
                if (m_clearParams) {
                    m_post.ToAddress.clear();
                    m_post.ToCarbonCopy.clear();
                    m_post.ToBlindCarbonCopy.clear();
                    m_post.Attachments.clear();
                }
                m_inStep = false;
                m_busy = false;
                Q_EMIT done(Step::SendMail);
            });
        });
    });
}

void TSmtpClient::Disconnect()
{
    m_step = Step::Disconnect;
    if (!isConnected() || !isBusy()) {
        finish();
        report(Step::Disconnect, QString());
        return;
    }
    m_inStep = true;
    m_awaitingQuit = true;
    command(QStringLiteral("QUIT"), QStringLiteral("QUIT"), [this](qint64 number, const QByteArray &line) {
        m_inStep = false;
        finish();
        if (number > 339)
            Q_EMIT failed(Step::Disconnect, refusal(line));
        else
            Q_EMIT done(Step::Disconnect);
    });
}

void TSmtpClient::command(const QString &what, const QString &text, Reply next)
{
    m_command = what;
    write(Cp1251::encode(oneLine(text)) + "\r\n");
    readReply(std::move(next));
}

void TSmtpClient::readReply(Reply next)
{
    m_replyLines.clear();
    m_replyTimer.start(m_replyBoundMs);
    readReplyLines(std::move(next));
}

void TSmtpClient::readReplyLines(Reply next)
{
    readLine([this, next = std::move(next)](const QByteArray &line) mutable {
        if (line.isEmpty()) {
            fail(kClosed);
            return;
        }
        m_replyLines.append(line);
        if (SmtpReply::continues(line)) {
            if (m_replyLines.size() >= kMaxReplyLines) {
                fail(QStringLiteral("Reply too long"));
                return;
            }
            readReplyLines(std::move(next));
            return;
        }
        m_replyTimer.stop();
        m_awaitingQuit = false;
        if (!SmtpReply::isWellFormed(line)) {
            // Taken for a number of 0 it would pass every check, and a server
            // that is none would seem to have taken the mail.
            fail(QStringLiteral("not an SMTP reply: ")
                 + Cp1251::decode(line.left(kMaxShownReply)).trimmed());
            return;
        }
        next(SmtpReply::number(line), line);
    });
}

void TSmtpClient::refuse(const QString &error)
{
    m_inStep = false;
    m_busy = false;
    Q_EMIT failed(m_step, error);
}

void TSmtpClient::report(Step step, const QString &error)
{
    QTimer::singleShot(0, this, [this, step, error] {
        if (error.isNull())
            Q_EMIT done(step);
        else
            Q_EMIT failed(step, error);
    });
}

void TSmtpClient::operationFailed(const QString &error)
{
    m_tlsTimer.stop();
    m_afterTls = nullptr;
    if (!m_inStep)
        return; // the server went away between steps; the next step finds out
    m_inStep = false;
    m_busy = m_step == Step::Connect ? m_busyBeforeConnect : false;
    if (std::exchange(m_awaitingQuit, false)) {
        // The mail was settled before QUIT; a server that hangs up or goes
        // quiet instead of answering QUIT has lost us nothing.
        Q_EMIT done(Step::Disconnect);
        return;
    }
    const QString reason = std::exchange(m_quitReason, QString());
    Q_EMIT failed(m_step, reason.isEmpty() ? m_command + QStringLiteral(": ") + error : reason);
}
