#include "SendCommand.h"

#include "MsgChannel.h"
#include "MsgFrame.h"
#include "OwnName.h"
#include "SecureChannel.h"

#include <cstdio>

namespace {

void printError(const QString &text)
{
    std::fprintf(stderr, "zavolin: %s\n", text.toLocal8Bit().constData());
}

} // namespace

SendCommand::SendCommand(const QString &host, const QString &text, const QString &dataFolder, quint16 securePort,
                         QObject *parent)
    : QObject(parent)
    , m_text(text)
{
    if (!dataFolder.isEmpty()) {
        // Our own listener stays closed: this run only sends.
        auto secure = std::make_unique<SecureChannel>(dataFolder, 0);
        secure->setPeerPort(securePort);
        // By name or by address: a host whose key is pinned gets nothing in the open.
        if (secure->isSecureRoute(host))
            m_secure = std::move(secure);
    }
    if (m_secure && (!m_secure->prepareMessageClient(host) || !m_secure->messageClient())) {
        // A pinned recipient without an identity of ours to prove: nothing can go, least of all openly.
        m_unavailable = m_secure->identityNotice();
        return;
    }
    m_client = m_secure ? m_secure->messageClient() : new TMsgClient(this);
    if (!m_secure)
        m_client->setHost(host);
    m_client->setFromName(OwnName::current());
    connect(m_client, &TMsgClient::finished, this, [this](const QByteArray &reply) {
        if (reply == MsgFrame::acknowledgement()) {
            Q_EMIT done(0);
            return;
        }
        printError(QStringLiteral("%1 closed the connection without acknowledging the message")
                       .arg(m_client->host()));
        Q_EMIT done(2);
    });
    connect(m_client, &TMsgClient::failed, this, [this](const QString &error) {
        printError(m_secure ? QStringLiteral("%1 (secure channel; the message was not sent in the open)").arg(error)
                            : error);
        Q_EMIT done(1);
    });
}

SendCommand::~SendCommand() = default;

void SendCommand::setPort(quint16 port)
{
    if (m_client && !m_secure)
        m_client->setPort(port);
}

void SendCommand::start()
{
    if (!m_client) {
        printError(QStringLiteral("%1 (secure channel; the message was not sent in the open)").arg(m_unavailable));
        Q_EMIT done(1);
        return;
    }
    m_client->postText(m_text);
}
