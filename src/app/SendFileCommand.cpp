#include "SendFileCommand.h"

#include "OwnName.h"

#include <cstdio>

SendFileCommand::SendFileCommand(const QString &host, const QStringList &paths, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_paths(paths)
    , m_queue(m_list)
{
    m_queue.setSenderName(OwnName::current());
}

void SendFileCommand::start()
{
    if (m_host.isEmpty() || m_paths.isEmpty()) {
        std::fprintf(stderr, "zavolin: usage: --send-file HOST PATH...\n");
        Q_EMIT done(64);
        return;
    }
    m_left = int(m_paths.size());
    const Recipient recipient{m_host, m_host, QString()};
    for (const QString &path : std::as_const(m_paths)) {
        m_queue.add(recipient, path, [this, path](TransferQueue::Result result, const QString &error) {
            if (result != TransferQueue::Result::Sent) {
                ++m_failed;
                std::fprintf(stderr, "zavolin: %s: %s\n", path.toLocal8Bit().constData(),
                             error.toLocal8Bit().constData());
            }
            if (--m_left == 0)
                Q_EMIT done(m_failed ? 1 : 0);
        });
    }
}
