#include "MsgChannel.h"

#include "Cp1251.h"
#include "MsgFrame.h"

#include <QTcpSocket>

class MsgServeConnection : public ServeConnection
{
public:
    MsgServeConnection(QTcpSocket *socket, int idleTimeoutMs, TMsgServer *server)
        : ServeConnection(socket, idleTimeoutMs, server)
        , m_server(server)
    {
    }
    MsgServeConnection(qintptr descriptor, const QHostAddress &peer, int idleTimeoutMs, TMsgServer *server)
        : ServeConnection(descriptor, peer, idleTimeoutMs, server)
        , m_server(server)
    {
    }

protected:
    void received() override
    {
        if (m_parser.status() != MsgFrameParser::Status::NeedMore) {
            takeReceived(); // after the request only the close is expected
            return;
        }
        switch (m_parser.feed(takeReceived())) {
        case MsgFrameParser::Status::NeedMore:
            return;
        case MsgFrameParser::Status::Malformed:
            drop(m_parser.error());
            return;
        case MsgFrameParser::Status::Complete: {
            headerComplete(); // the whole request is its header
            const QString fromName = Cp1251::decode(m_parser.fromName());
            if (m_server->m_senderCheck) {
                const QString refusal = m_server->m_senderCheck(fromName, peerKey(), peerAddress());
                if (!refusal.isEmpty()) {
                    drop(refusal);
                    return;
                }
            }
            quint64 ticket = 0;
            if (m_server->m_arrivalRecord) {
                const auto recorded = m_server->m_arrivalRecord(m_parser.fromName(), m_parser.text(), peerAddress(), peerKey());
                if (!recorded) {
                    drop(QStringLiteral("message not recorded"));
                    return;
                }
                ticket = *recorded;
            }
            acknowledge(MsgFrame::acknowledgement());
            m_server->deliver({fromName, Cp1251::decode(m_parser.text()), peerAddress(), peerKey(), ticket});
            // Over TLS a sender keeps its connection for the next request, which
            // comes only after this acknowledgement: a handshake per message would
            // cost many times the message itself.
            if (!peerKey().isEmpty())
                m_parser = MsgFrameParser();
            return;
        }
        }
    }

private:
    TMsgServer *m_server;
    MsgFrameParser m_parser;
};

TMsgClient::TMsgClient(QObject *parent)
    : TTcpSock(kMessagePort, parent)
{
}

void TMsgClient::postText(const QString &text)
{
    const QByteArray from = Cp1251::encode(m_fromName);
    const QByteArray body = Cp1251::encode(text);
    if (!begin())
        return;
    if (from.size() > MsgFrame::kMaxField || body.size() > MsgFrame::kMaxField) {
        fail(from.size() > MsgFrame::kMaxField ? QStringLiteral("From-name longer than 9999 bytes")
                                               : QStringLiteral("Text longer than 9999 bytes"));
        return;
    }
    connectThen([this, from, body] {
        write(MsgFrame::encodeField(from));
        write(MsgFrame::encodeField(body));
        Q_EMIT messageSent();
        readLength(MsgFrame::kAckSize, [this](const QByteArray &reply) {
            if (reply.isEmpty())
                finish();
            else
                finishKeeping();
            Q_EMIT finished(reply);
        });
    });
}

void TMsgClient::operationFailed(const QString &error)
{
    Q_EMIT failed(error);
}

TMsgServer::TMsgServer(QObject *parent)
    : TTcpServerBase(kMessagePort, parent)
{
    serveDescriptors();
}

ServeConnection *TMsgServer::createConnection(QTcpSocket *socket, int idleTimeoutMs)
{
    auto *connection = new MsgServeConnection(socket, idleTimeoutMs, this);
    connect(connection, &ServeConnection::dropped, this, &TMsgServer::connectionDropped);
    return connection;
}

ServeConnection *TMsgServer::createDescriptorConnection(qintptr descriptor, const QHostAddress &peer, int idleTimeoutMs)
{
    auto *connection = new MsgServeConnection(descriptor, peer, idleTimeoutMs, this);
    connect(connection, &ServeConnection::dropped, this, &TMsgServer::connectionDropped);
    return connection;
}

void TMsgServer::deliver(ReceivedMessage message)
{
    m_pending.push_back(std::move(message));
    delivery().post([this] {
        if (m_pending.empty())
            return; // taken by takePending()
        const ReceivedMessage message = std::move(m_pending.front());
        m_pending.pop_front();
        Q_EMIT messageReceived(message.fromName, message.text, message.peer, message.peerKey, message.ticket);
    });
}

QList<ReceivedMessage> TMsgServer::takePending()
{
    delivery().clear();
    QList<ReceivedMessage> taken(m_pending.begin(), m_pending.end());
    m_pending.clear();
    return taken;
}
