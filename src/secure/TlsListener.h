#pragma once

#include <QHash>
#include <QHostAddress>
#include <QSslConfiguration>
#include <QTcpServer>

class QSslSocket;

// Accepts TLS connections and completes their handshakes, each within a
// bound of time, and at most a bounded number at a time per address; hands
// on each connection whose peer proved a key, with the channel it asked for.
class TlsListener : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int kHandshakeBoundMs = 10000;
    static constexpr int kMaxHandshakesPerAddress = 64;

    explicit TlsListener(QSslConfiguration configuration, QObject *parent = nullptr);

    void setHandshakeBound(int milliseconds) { m_boundMs = milliseconds; }
    int handshakesInProgress() const { return m_inProgress; }

Q_SIGNALS:
    // The socket is the receiver's to keep (or to delete).
    void connectionReady(QSslSocket *socket, const QByteArray &protocol, const QString &peerKey);
    void connectionRefused(const QHostAddress &peer, const QString &reason);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void finishHandshake(QSslSocket *socket);
    void refuse(QSslSocket *socket, const QString &reason);
    void release(const QHostAddress &peer);

    QSslConfiguration m_configuration;
    int m_boundMs = kHandshakeBoundMs;
    int m_inProgress = 0;
    QHash<QHostAddress, int> m_perAddress;
};
