#pragma once

#include "Fingerprint.h"
#include "MsgChannel.h"
#include "StrmChannel.h"

#include <QSslConfiguration>
#include <QSslSocket>

#include <type_traits>

// A message or stream client that speaks TLS and goes on only when the
// server proves the key expected of it; the frames are those of the open channel.
template <typename Client>
class TlsClient : public Client
{
public:
    TlsClient(QSslConfiguration configuration, QObject *parent = nullptr)
        : Client(parent)
        , m_configuration(std::move(configuration))
    {
        // The secure message server takes one request after another on a connection.
        if constexpr (std::is_same_v<Client, TMsgClient>)
            this->setKeepConnection(true);
    }

    // The fingerprint the next connection's server must prove.
    void setExpectedKey(const QString &fingerprint) { m_expected = fingerprint; }
    // What the server proved on the last connection (empty before a handshake).
    const QString &offeredKey() const { return m_offered; }
    // The address of the host that proved it.
    const QString &offeredAt() const { return m_offeredAt; }
    bool keyMismatch() const { return !m_offered.isEmpty() && !Fingerprint::same(m_offered, m_expected); }

protected:
    QTcpSocket *createSocket() override
    {
        m_offered.clear();
        m_offeredAt.clear();
        auto *socket = new QSslSocket(this);
        socket->setSslConfiguration(m_configuration);
        return socket;
    }
    bool encryptsFromTheStart() const override { return true; }
    QString peerRefusal() const override;
    bool mayReuseConnection() const override
    {
        return Fingerprint::same(m_offered, m_expected);
    }

private:
    QSslConfiguration m_configuration;
    QString m_expected;
    mutable QString m_offered;
    mutable QString m_offeredAt;
};

using SecureMsgClient = TlsClient<TMsgClient>;
using SecureStrmClient = TlsClient<TStrmClient>;

// What is wrong with the key `socket`'s peer proved, against `expected`; *offered gets it.
QString keyRefusal(const QTcpSocket *socket, const QString &expected, QString *offered, QString *offeredAt);

template <typename Client>
QString TlsClient<Client>::peerRefusal() const
{
    return keyRefusal(this->socket(), m_expected, &m_offered, &m_offeredAt);
}
