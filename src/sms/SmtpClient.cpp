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
            fail(QStringLiteral("TLS handshake timed out"));
    });
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
            fail(QStringLiteral("TLS: ") + (errors.isEmpty() ? QStringLiteral("handshake failed")
                                                              : errors.first().errorString()));
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
    if (m_security != Security::None && !QSslSocket::supportsSsl()) {
        m_inStep = false;
        m_busy = m_busyBeforeConnect;
        report(Step::Connect, QStringLiteral("TLS is not available on this system"));
        return;
    }
    begin();
    connectThen([this] {
        if (m_security == Security::Tls)
            startTls([this] { greet(); });
        else
            greet();
    });
}

void TSmtpClient::greet()
{
    readReply([this](qint64 number, const QByteArray &line) {
        if (number >= 400) {
            quitThenFail(Cp1251::decode(line));
            return;
        }
        hello();
    });
}

void TSmtpClient::hello()
{
    // EHLO only where our own extensions need it, so the plain dialogue stays HELO.
    const bool extended = m_security != Security::None || m_auth;
    command((extended ? QStringLiteral("EHLO ") : QStringLiteral("HELO ")) + heloName(),
            [this](qint64 number, const QByteArray &line) { afterHello(number, line); });
}

void TSmtpClient::afterHello(qint64 number, const QByteArray &)
{
    if (number >= 300) {
        quitThenFail(QStringLiteral("Authentication failed"));
        return;
    }
    m_extensions = SmtpReply::extensions(m_replyLines);
    if (m_security == Security::StartTls && !m_encrypted) {
        if (!offers(m_extensions, "STARTTLS")) {
            quitThenFail(QStringLiteral("The server offers no STARTTLS"));
            return;
        }
        command(QStringLiteral("STARTTLS"), [this](qint64 number, const QByteArray &line) {
            if (number != 220) {
                quitThenFail(Cp1251::decode(line));
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
    m_tlsTimer.start(timeOut() > 0 ? timeOut() : kReplyBoundMs);
    ssl->setPeerVerifyName(host());
    ssl->startClientEncryption();
}

void TSmtpClient::authenticate()
{
    if (!m_encrypted) {
        quitThenFail(QStringLiteral("The password is only sent over TLS"));
        return;
    }
    const QByteArrayList mechanisms = authMechanisms(m_extensions);
    if (mechanisms.contains("PLAIN")) {
        const QByteArray token = QByteArray(1, '\0') + m_login.toUtf8() + '\0' + m_password.toUtf8();
        command(QStringLiteral("AUTH PLAIN ") + QString::fromLatin1(token.toBase64()),
                [this](qint64 number, const QByteArray &line) {
                    number == 235 ? connectSucceeded() : quitThenFail(Cp1251::decode(line));
                });
    } else if (mechanisms.contains("LOGIN")) {
        authLogin();
    } else {
        quitThenFail(QStringLiteral("Authentication failed"));
    }
}

void TSmtpClient::authLogin()
{
    command(QStringLiteral("AUTH LOGIN"), [this](qint64 number, const QByteArray &line) {
        if (number != 334) {
            quitThenFail(Cp1251::decode(line));
            return;
        }
        command(QString::fromLatin1(m_login.toUtf8().toBase64()), [this](qint64 number, const QByteArray &line) {
            if (number != 334) {
                quitThenFail(Cp1251::decode(line));
                return;
            }
            command(QString::fromLatin1(m_password.toUtf8().toBase64()),
                    [this](qint64 number, const QByteArray &line) {
                        number == 235 ? connectSucceeded() : quitThenFail(Cp1251::decode(line));
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
    command(QStringLiteral("RSET"), [this](qint64 number, const QByteArray &line) {
        if (number >= 400)
            return refuse(Cp1251::decode(line));
        command(QStringLiteral("MAIL FROM:<") + m_post.FromAddress + u'>',
                [this](qint64 number, const QByteArray &line) {
                    if (number >= 400)
                        return refuse(Cp1251::decode(line));
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
    // A refused recipient does not stop the others; DATA tells whether anyone is left.
    command(QStringLiteral("RCPT TO:<") + address + u'>',
            [this, addresses](qint64, const QByteArray &) { sendRecipients(addresses); });
}

void TSmtpClient::sendData()
{
    command(QStringLiteral("DATA"), [this](qint64 number, const QByteArray &line) {
        if (number >= 400)
            return refuse(Cp1251::decode(line));
        QByteArray head;
        for (const QString &headerLine : SmtpMessage::headerLines(m_post, m_subType, m_charset))
            head += Cp1251::encode(oneLine(headerLine)) + "\r\n";
        head += "\r\n\r\n";
        write(head);
        auto body = std::make_unique<QBuffer>();
        body->setData(SmtpMessage::body(m_post.Body));
        body->open(QIODevice::ReadOnly);
        const qint64 size = body->size();
        sendStream(std::move(body), size, [this] {
            command(QStringLiteral("."), [this](qint64 number, const QByteArray &line) {
                if (number >= 400)
                    return refuse(Cp1251::decode(line));
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
    command(QStringLiteral("QUIT"), [this](qint64 number, const QByteArray &line) {
        m_inStep = false;
        finish();
        if (number > 339)
            Q_EMIT failed(Step::Disconnect, Cp1251::decode(line));
        else
            Q_EMIT done(Step::Disconnect);
    });
}

void TSmtpClient::command(const QString &text, Reply next)
{
    write(Cp1251::encode(oneLine(text)) + "\r\n");
    readReply(std::move(next));
}

void TSmtpClient::readReply(Reply next)
{
    m_replyLines.clear();
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
    const QString reason = std::exchange(m_quitReason, QString());
    Q_EMIT failed(m_step, reason.isEmpty() ? error : reason);
}
