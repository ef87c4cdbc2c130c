#pragma once

#include "TransferList.h"
#include "TransferQueue.h"

#include <QObject>
#include <QStringList>

// `zavolin --send-file HOST PATH...`: posts each file (a folder as its ZIP
// archive) to HOST under our computer's name, one after another, for scripts.
class SendFileCommand : public QObject
{
    Q_OBJECT

public:
    SendFileCommand(const QString &host, const QStringList &paths, QObject *parent = nullptr);
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
    TransferList m_list;
    TransferQueue m_queue;
    int m_left = 0;
    int m_failed = 0;
};
