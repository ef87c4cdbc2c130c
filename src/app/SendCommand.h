#pragma once

#include <QObject>
#include <QString>

class TMsgClient;

// `zavolin --send HOST TEXT`: posts one message under our own name, for scripts.
class SendCommand : public QObject
{
    Q_OBJECT

public:
    SendCommand(const QString &host, const QString &text, QObject *parent = nullptr);
    void start();

Q_SIGNALS:
    // 0 on acknowledgement; otherwise the error has been written to stderr.
    void done(int exitCode);

private:
    TMsgClient *m_client;
    QString m_text;
};
