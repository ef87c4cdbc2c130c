#pragma once

#include "OperatorBook.h"
#include "SmtpClient.h"
#include "SmtpSettings.h"

#include <QObject>
#include <QPointer>

// One SMS through the ways its operator offers: the web way first, then the
// mail through the user's server. The SMS window and `zavolin --sms` both
// send this way; the window turns the signals into its messages.
class SmsSender : public QObject
{
    Q_OBJECT

public:
    enum class Refusal { None, NoOperator, NoPhone, NoText };

    struct Request
    {
        QString operatorName;
        QString phone;
        QString text;
    };

    static Refusal check(const Request &request);
    // The text as mailed: outer blanks and control characters gone, one body
    // entry per line.
    static QStringList mailBody(const QString &text);
    // The gateway address for the phone; line breaks in the phone are dropped.
    static QString gatewayAddress(const QString &mailTemplate, const QString &phone);

    // `client` is used for the mail and must outlive the sending.
    SmsSender(TSmtpClient *client, QObject *parent = nullptr);

    // Sends as check() allows; the signals below follow, after this returns,
    // and always end with finished(). The web request outlives this object.
    void send(const Request &request, const OperatorBook &operators, const SmtpSettings &settings);
    bool isSending() const { return m_sending; }

Q_SIGNALS:
    void noWayOffered();
    void webFinished(bool accepted, const QString &reason);
    // The operator wants mail and no server is set.
    void serverMissing();
    void badPort(const QString &port);
    void mailFailed(TSmtpClient::Step step, const QString &error);
    // The mail was handed over and QUIT was answered.
    void mailSent();
    void finished();

private:
    void sendMail(const OperatorWays &ways, const Request &request, const SmtpSettings &settings);
    void finishOnce();

    TSmtpClient *m_client;
    bool m_sending = false;
    int m_pending = 0;
    bool m_sendFailed = false;
    QMetaObject::Connection m_done;
    QMetaObject::Connection m_failed;
};
