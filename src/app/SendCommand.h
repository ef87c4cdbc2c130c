#pragma once

#include <QObject>
#include <QString>

#include <memory>

class SecureChannel;
class TMsgClient;

// `zavolin --send HOST TEXT`: posts one message under our own name, for
// scripts. When the pins in `dataFolder` hold a key for HOST, the message goes
// over the secure channel only, to `securePort`; a failure there, or no
// identity of ours to prove, is an error, never a send in the open.
class SendCommand : public QObject
{
    Q_OBJECT

public:
    SendCommand(const QString &host, const QString &text, const QString &dataFolder = QString(),
                quint16 securePort = 6712, QObject *parent = nullptr);
    ~SendCommand() override;
    bool isSecure() const { return m_secure != nullptr; }
    // For tests: where the receiver's open channel listens.
    void setPort(quint16 port);
    void start();

Q_SIGNALS:
    // 0 on acknowledgement; otherwise the error has been written to stderr.
    void done(int exitCode);

private:
    std::unique_ptr<SecureChannel> m_secure;
    TMsgClient *m_client = nullptr;
    QString m_text;
    QString m_unavailable; // why a recipient with a pinned key cannot be reached securely
};
