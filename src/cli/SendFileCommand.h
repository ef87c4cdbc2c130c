#pragma once

#include "TransferList.h"
#include "TransferQueue.h"

#include <QObject>
#include <QStringList>

#include <memory>

class SecureChannel;

// `zavolin --send-file HOST PATH...`: posts each file (a folder as its ZIP
// archive) to HOST under our computer's name, one after another, for scripts.
// When the pins in `dataFolder` hold a key for HOST, the files go over the
// secure channel only, to `securePort`; a failure there, or no identity of
// ours to prove, is an error, never a send in the open.
class SendFileCommand : public QObject
{
    Q_OBJECT

public:
    SendFileCommand(const QString &host, const QStringList &paths, const QString &dataFolder = QString(),
                    quint16 securePort = 6712, QObject *parent = nullptr);
    ~SendFileCommand() override;
    bool isSecure() const { return m_secure != nullptr; }
    // For tests: where the receiver listens.
    void setPort(quint16 port) { m_queue.setPort(port); }
    void start();

Q_SIGNALS:
    // 0 when every file was acknowledged; otherwise each failure has been
    // written to stderr, naming its file.
    void done(int exitCode);

private:
    QString m_host;
    QStringList m_paths;
    std::unique_ptr<SecureChannel> m_secure;
    TransferList m_list;
    TransferQueue m_queue;
    int m_left = 0;
    int m_failed = 0;
};
