#include "SendFileCommand.h"

#include "OwnName.h"
#include "SecureChannel.h"
#include "StrmChannel.h"

#include <cstdio>

SendFileCommand::SendFileCommand(const QString &host, const QStringList &paths, const QString &dataFolder,
                                 quint16 securePort, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_paths(paths)
    , m_queue(m_list)
{
    m_queue.setSenderName(OwnName::current());
    if (dataFolder.isEmpty() || host.isEmpty())
        return;
    // Our own listener stays closed: this run only sends.
    auto secure = std::make_unique<SecureChannel>(dataFolder, 0);
    secure->setPeerPort(securePort);
    // By name or by address: a host whose key is pinned gets nothing in the open.
    if (!secure->isSecureRoute(host))
        return;
    m_secure = std::move(secure);
    m_queue.setClientFactory([this](const Recipient &recipient) { return m_secure->makeStreamClient(recipient.host); });
}

SendFileCommand::~SendFileCommand() = default;

void SendFileCommand::start()
{
    if (m_host.isEmpty() || m_paths.isEmpty()) {
        std::fprintf(stderr, "zavolin: usage: --send-file HOST PATH...\n");
        Q_EMIT done(64);
        return;
    }
    if (m_secure && !m_secure->isAvailable()) {
        // A pinned recipient without an identity of ours to prove: nothing can go, least of all openly.
        std::fprintf(stderr, "zavolin: %s (secure channel; no file was sent in the open)\n",
                     m_secure->identityNotice().toLocal8Bit().constData());
        Q_EMIT done(1);
        return;
    }
    m_left = int(m_paths.size());
    const Recipient recipient{m_host, m_host, QString()};
    for (const QString &path : std::as_const(m_paths)) {
        m_queue.add(recipient, path, [this, path](TransferQueue::Result result, const QString &error) {
            if (result != TransferQueue::Result::Sent) {
                ++m_failed;
                const QString text = m_secure
                    ? QStringLiteral("%1 (secure channel; the file was not sent in the open)").arg(error)
                    : error;
                std::fprintf(stderr, "zavolin: %s: %s\n", path.toLocal8Bit().constData(),
                             text.toLocal8Bit().constData());
            }
            if (--m_left == 0)
                Q_EMIT done(m_failed ? 1 : 0);
        });
    }
}
