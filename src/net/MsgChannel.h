#pragma once

#include "TcpServerBase.h"
#include "TcpSock.h"

#include <QHostAddress>
#include <QList>

#include <deque>
#include <functional>
#include <optional>

inline constexpr quint16 kMessagePort = 6711;

// Posts one text message per connection and waits for the acknowledgement.
class TMsgClient : public TTcpSock
{
    Q_OBJECT

public:
    explicit TMsgClient(QObject *parent = nullptr);

    const QString &fromName() const { return m_fromName; }
    void setFromName(const QString &fromName) { m_fromName = fromName; }

    // Exactly one of finished() or failed() follows, always after this returns.
    // A from-name or text over 9,999 bytes is refused before connecting.
    void postText(const QString &text);

Q_SIGNALS:
    void messageSent();
    // The 16-byte acknowledgement, or empty when the server closed without one.
    void finished(const QByteArray &reply);
    void failed(const QString &error);

protected:
    void operationFailed(const QString &error) override;

private:
    QString m_fromName;
};

// A message acknowledged to its sender.
struct ReceivedMessage
{
    QString fromName;
    QString text;
    QHostAddress peer;
    QString peerKey; // the fingerprint the peer proved over TLS; empty in the open
    quint64 ticket = 0; // where it was recorded before its acknowledgement; 0: nowhere
};

// Receives messages; each one is acknowledged before it is handed on.
class TMsgServer : public TTcpServerBase
{
    Q_OBJECT

public:
    explicit TMsgServer(QObject *parent = nullptr);

    // The messages acknowledged but not yet handed on, in arrival order; they
    // will not be delivered any more. For whoever closes the server with a
    // backlog: the senders have been told the messages arrived.
    QList<ReceivedMessage> takePending();

    // Asked for each complete request before it is acknowledged, with the
    // fingerprint of the key the peer proved (empty in the open) and the
    // peer's address: non-empty refuses it without acknowledgement, the
    // reason going to the log.
    using SenderCheck =
        std::function<QString(const QString &fromName, const QString &peerKey, const QHostAddress &peer)>;
    void setSenderCheck(SenderCheck check) { m_senderCheck = std::move(check); }

    // Asked for each request that passed the sender check, before it is
    // acknowledged, with its fields as they came: records it where it
    // outlives the process and returns its ticket (0: not recorded, by
    // choice). No value refuses it without acknowledgement: the sender then
    // knows it did not arrive.
    using ArrivalRecord = std::function<std::optional<quint64>(QByteArrayView fromName, QByteArrayView text,
                                                               const QHostAddress &peer, const QString &peerKey)>;
    void setArrivalRecord(ArrivalRecord record) { m_arrivalRecord = std::move(record); }

Q_SIGNALS:
    // In arrival order, one at a time.
    void messageReceived(const QString &fromName, const QString &text, const QHostAddress &peer,
                         const QString &peerKey, quint64 ticket);
    void connectionDropped(const QString &reason);

protected:
    ServeConnection *createConnection(QTcpSocket *socket, int idleTimeoutMs) override;
    ServeConnection *createDescriptorConnection(qintptr descriptor, const QHostAddress &peer, int idleTimeoutMs) override;

private:
    friend class MsgServeConnection;
    void deliver(ReceivedMessage message);

    std::deque<ReceivedMessage> m_pending;
    SenderCheck m_senderCheck;
    ArrivalRecord m_arrivalRecord;
};
