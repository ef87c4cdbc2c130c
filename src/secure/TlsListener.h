#pragma once

#include "FreedMemory.h"
#include "GatedTcpServer.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QSslConfiguration>

class QSslSocket;

// Accepts TLS connections and completes their handshakes, each within a
// bound of time, a bounded number at a time per address and overall; hands
// on each connection whose peer proved a key, with the channel it asked
// for, and goes on counting it, whoever serves it, until it closes: that
// count too is bounded per address and overall.
class TlsListener : public GatedTcpServer
{
    Q_OBJECT

public:
    static constexpr int kHandshakeBoundMs = 10000;
    static constexpr int kMaxHandshakesPerAddress = 64;
    // Handshakes share the one event loop with everything else: more at a
    // time would not finish sooner, only keep the rest waiting. Past this,
    // newcomers wait in the system's queue.
    static constexpr int kMaxHandshakes = 128;
    // Established connections, some 100 KB of TLS state each.
    static constexpr int kMaxConnections = 256;
    static constexpr int kMaxConnectionsPerAddress = 64;
    // A connection whose peer has sent nothing for this long is idle.
    static constexpr int kIdleAfterMs = 1000;
    // Each accept makes a TLS context, a few milliseconds.
    static constexpr int kAcceptsPerTurn = 8;

    explicit TlsListener(QSslConfiguration configuration, QObject *parent = nullptr);

    void setHandshakeBound(int milliseconds) { m_boundMs = milliseconds; }
    void setConnectionBounds(int overall, int perAddress, int idleAfterMs);
    int handshakesInProgress() const { return m_inProgress; }
    // Handed on and not yet closed.
    int connectionsHeld() const { return int(m_held.size()); }

Q_SIGNALS:
    // The socket is the receiver's to keep (or to delete).
    void connectionReady(QSslSocket *socket, const QByteArray &protocol, const QString &peerKey);
    void connectionRefused(const QHostAddress &peer, const QString &reason);

protected:
    void takeConnection(qintptr descriptor) override;

private:
    struct Held
    {
        QHostAddress peer;
        QElapsedTimer silent; // since the peer last sent anything
    };

    void finishHandshake(QSslSocket *socket);
    void refuse(QSslSocket *socket, const QString &reason);
    void handshakeEnded(const QHostAddress &peer);
    bool makeRoom(const QHostAddress &peer);
    bool closeLongestIdle(const QHostAddress *peer);
    void keep(QSslSocket *socket);
    void forget(QSslSocket *socket);

    QSslConfiguration m_configuration;
    int m_boundMs = kHandshakeBoundMs;
    int m_inProgress = 0;
    QHash<QHostAddress, int> m_perAddress; // handshakes in progress
    int m_maxConnections = kMaxConnections;
    int m_maxPerAddress = kMaxConnectionsPerAddress;
    int m_idleAfterMs = kIdleAfterMs;
    QHash<QSslSocket *, Held> m_held;
    QHash<QHostAddress, int> m_heldPerAddress;
    CrowdWatch m_crowd;
};
