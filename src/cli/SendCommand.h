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
// Line breaks go out as CR LF, whatever the text came with.
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
    // Once acknowledged, the message goes to "Log.txt" in the data folder as a
    // send from the window does, when the history option of these settings is
    // on. A history that cannot be written is said on stderr; the exit code
    // still tells the delivery.
    void setSettingsFile(const QString &path) { m_settingsPath = path; }
    void start();

Q_SIGNALS:
    // 0 on acknowledgement; otherwise the error has been written to stderr.
    void done(int exitCode);

private:
    std::unique_ptr<SecureChannel> m_secure;
    TMsgClient *m_client = nullptr;
    void recordSent() const;

    QString m_host;
    QString m_text;
    QString m_dataFolder;
    QString m_settingsPath;
    QString m_unavailable; // why a recipient with a pinned key cannot be reached securely
};
