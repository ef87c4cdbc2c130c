#pragma once

#include "SmtpMessage.h"
#include "TcpSock.h"

#include <QByteArrayList>
#include <QList>
#include <QSslCertificate>
#include <QTimer>

// Sends plain-text mail through an SMTP server: Connect, SendMail and
// Disconnect in this order, each ending asynchronously in done() or failed().
// Replies of several lines are read whole everywhere; a reply that never
// comes (the server closed or went quiet) or is no three-digit code is a
// failure, except for QUIT, whose reply does not change what was sent. Beyond plain SMTP, TLS (STARTTLS or
// from the first byte) and AUTH PLAIN/LOGIN are used when switched on.
class TSmtpClient : public TTcpSock
{
    Q_OBJECT

public:
    enum class Step { Connect, SendMail, Disconnect };
    Q_ENUM(Step)
    enum class Security { None, StartTls, Tls };

    static constexpr quint16 kDefaultPort = 25;
    // From Connect to the end of Disconnect.
    static constexpr int kDialogueBoundMs = 120000;

    explicit TSmtpClient(QObject *parent = nullptr);

    // Argument of HELO; when empty, the local host name is sent.
    const QString &userId() const { return m_userId; }
    void setUserId(const QString &id) { m_userId = id; }
    TPostMessage &postMessage() { return m_post; }
    bool clearParams() const { return m_clearParams; }
    void setClearParams(bool on) { m_clearParams = on; }
    TMailType subType() const { return m_subType; }
    void setSubType(TMailType type) { m_subType = type; }
    const QString &charset() const { return m_charset; }
    void setCharset(const QString &charset) { m_charset = charset; }

    Security security() const { return m_security; }
    void setSecurity(Security security) { m_security = security; }
    // Authenticates with these when set; never over an unencrypted connection.
    void setAuthentication(bool on, const QString &login, const QString &password);
    // How long one reply (all its lines) and the whole dialogue may take.
    void setReplyBound(int milliseconds) { m_replyBoundMs = milliseconds; }
    void setDialogueBound(int milliseconds) { m_dialogueBoundMs = milliseconds; }
    // Trusted in addition to the system's authorities.
    void setExtraCaCertificates(const QList<QSslCertificate> &certificates) { m_extraCa = certificates; }

    bool isConnected() const;
    // True while Connect or SendMail runs; SendMail then does nothing at all.
    bool busy() const { return m_busy; }

    void Connect();
    void SendMail();
    void Disconnect();

    // The line actually sent as HELO or EHLO argument.
    QString heloName() const;

Q_SIGNALS:
    void done(TSmtpClient::Step step);
    // The error names the exchange that failed ("HELO refused: 501 ...",
    // "RCPT TO refused: ...", "DATA: no reply within ..."); reply lines keep
    // their CR LF. A QUIT that gets no answer is no failure.
    void failed(TSmtpClient::Step step, const QString &error);

protected:
    void operationFailed(const QString &error) override;
    QTcpSocket *createSocket() override;
    // A mail server may sit beyond a proxy the system names.
    bool goesThroughSystemProxy() const override { return true; }

private:
    using Reply = std::function<void(qint64 number, const QByteArray &line)>;

    // `what` names the exchange in failures; `text` may hold secrets.
    void command(const QString &what, const QString &text, Reply next);
    QString refusal(const QByteArray &line) const;
    void readReply(Reply next);
    void readReplyLines(Reply next);
    void greet();
    void hello();
    void afterHello(qint64 number, const QByteArray &line);
    void startTls(std::function<void()> next);
    void authenticate();
    void authLogin();
    void connectSucceeded();
    void quitThenFail(const QString &error);
    void sendRecipients(QStringList addresses);
    void sendData();
    // A refusal: the connection stays open for QUIT.
    void refuse(const QString &error);
    void report(Step step, const QString &error);

    QString m_userId;
    TPostMessage m_post;
    bool m_clearParams = true;
    TMailType m_subType = TMailType::mtPlain;
    QString m_charset = QStringLiteral("us-ascii");
    Security m_security = Security::None;
    bool m_auth = false;
    QString m_login;
    QString m_password;
    QList<QSslCertificate> m_extraCa;

    bool m_busy = false;
    bool m_busyBeforeConnect = false;
    bool m_inStep = false;
    Step m_step = Step::Connect;
    bool m_encrypted = false;
    QByteArrayList m_replyLines;
    QString m_quitReason;
    QByteArrayList m_extensions;
    QTimer m_tlsTimer;
    QTimer m_replyTimer;
    QTimer m_dialogueTimer;
    int m_replyBoundMs = kReplyBoundMs;
    int m_dialogueBoundMs = kDialogueBoundMs;
    QString m_command;
    QString m_recipientRefusal;
    bool m_awaitingQuit = false;
    std::function<void()> m_afterTls;
};
