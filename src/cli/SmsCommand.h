#pragma once

#include "SmsSender.h"

#include <QObject>
#include <QString>

class TSmtpClient;

// `zavolin --sms OPERATOR PHONE TEXT`: one SMS the way the SMS window sends it,
// through the operator files and section "smtp" of the settings file.
class SmsCommand : public QObject
{
    Q_OBJECT

public:
    SmsCommand(const QString &operatorName, const QString &phone, const QString &text,
               QObject *parent = nullptr);
    void start();

Q_SIGNALS:
    // 0 when every way the operator offers was accepted; otherwise the
    // reasons have been written to stderr.
    void done(int exitCode);

private:
    void sendWithPassword(const SmsSender::Request &request);
    void failure(const QString &reason);

    TSmtpClient *m_client;
    SmsSender *m_sender;
    QString m_operator;
    QString m_phone;
    QString m_text;
    bool m_failed = false;
};
