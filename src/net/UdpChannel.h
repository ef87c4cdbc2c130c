#pragma once

#include "BroadcastCopies.h"
#include "BroadcastTargets.h"
#include "OrderedDelivery.h"
#include "OwnAddresses.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QSocketNotifier;

inline constexpr quint16 kDatagramPort = 6711;

// Receives the broadcast datagrams of every instance on the segment, our own
// included; a copy of one that came from the same sender moments before by
// another network is dropped.
class TUdpServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultBufferSize = 8192;

    explicit TUdpServer(QObject *parent = nullptr);
    ~TUdpServer() override;

    quint16 defaultPort() const { return m_port; }
    void setDefaultPort(quint16 port) { m_port = port; }
    int bufferSize() const { return m_bufferSize; }
    void setBufferSize(int bytes) { m_bufferSize = bytes; }
    bool broadcastEnabled() const { return m_broadcast; }
    void setBroadcastEnabled(bool enabled) { m_broadcast = enabled; }
    // With a frame (ms), the socket is read at most once per frame: during a
    // burst datagrams wait in its buffer and are handed on together in one pass
    // of the event loop, so that what they change is laid out and painted once
    // per frame rather than once per datagram. 0 (the default): each at once.
    void setPacing(int frameMs) { m_pacingMs = frameMs; }

    bool isActive() const { return m_fd >= 0; }
    // Activation binds all IPv4 addresses; false with errorString() when it fails
    // ("Could not bind socket. Address and port are already in use.").
    bool setActive(bool active);
    QString errorString() const { return m_error; }
    quint16 localPort() const;
    // Datagrams handed on since activation (copies by a second network not counted).
    quint64 receivedCount() const { return m_received; }
    // The bind failed because another socket holds the port.
    bool portTaken() const { return m_portTaken; }
    // Datagrams have arrived that are not handled yet.
    bool isBehind() const;

Q_SIGNALS:
    // Whole datagrams only, in arrival order, one handler at a time;
    // `broadcast`: sent to a broadcast address, not to one of ours;
    // `waitedMs`: since it arrived, while the program was busy.
    void datagramReceived(const QByteArray &data, const QHostAddress &peer, quint16 peerPort, bool broadcast,
                          qint64 waitedMs);
    // Empty, oversize and failed receives never reach datagramReceived.
    void datagramDropped(const QString &reason);

private:
    struct Received
    {
        QByteArray data;
        QHostAddress peer;
        quint16 port = 0;
        bool broadcast = false;
        qint64 arrivedNs = 0; // the kernel's receive stamp
    };
    void onReadable();
    void deliver(const QList<Received> &batch, quint64 activation);

    quint16 m_port = kDatagramPort;
    int m_bufferSize = kDefaultBufferSize;
    bool m_broadcast = true;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_pacingMs = 0;
    QTimer m_pace;
    quint64 m_activations = 0; // a batch stops where a deactivation came
    QByteArray m_buffer;
    QString m_error;
    bool m_portTaken = false;
    quint64 m_received = 0;
    QElapsedTimer m_clock;
    OwnAddresses m_own;
    BroadcastCopies m_copies{[this](quint32 address) { return m_own.contains(address, m_clock.elapsed()); }};
    OrderedDelivery m_delivery{this};
};

// Sends every datagram of the program, by default to 255.255.255.255:6711,
// which stands for every network this computer is on: the datagram goes to
// 255.255.255.255 once through each interface that can broadcast, from its
// address there, and by the routing table where there is no such interface.
class TUdpClient : public QObject
{
    Q_OBJECT

public:
    explicit TUdpClient(QObject *parent = nullptr);
    ~TUdpClient() override;

    const QString &host() const { return m_host; }
    // An address is used as it is; a name is looked up once, in the
    // background, and datagrams sent meanwhile wait for the answer (at most
    // kMaxWaiting of them), so the event loop never blocks on a resolver.
    void setHost(const QString &host);
    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    void setBroadcastEnabled(bool enabled) { m_broadcast = enabled; }

    // One datagram of exactly these bytes. On failure returns false and sets
    // *error to the reason ("Package Size Too Big.", "Socket Error # ...").
    bool send(const QByteArray &data, QString *error = nullptr);
    // One datagram to this address (host order) and port() only.
    bool sendToAddress(quint32 address, const QByteArray &data, QString *error = nullptr);
    // Datagrams handed to the system, each interface's copy counted.
    quint64 sentCount() const { return m_sent; }
    // The last failed send failed only because no network is up (none
    // reaches the target): nothing the user can act on but wait.
    bool failedForNoNetwork() const { return m_noNetwork; }

    static constexpr int kMaxWaiting = 64;

Q_SIGNALS:
    // The name given to setHost() has been looked up; waiting datagrams went out (or were dropped).
    void hostLookedUp(bool found);

private:
    enum class Target { Address, Looking, NotFound };
    // `interfaceIndex` 0: wherever the routing table says.
    bool sendTo(quint32 address, const QByteArray &data, QString *error, int interfaceIndex = 0, quint32 source = 0);
    bool sendOutOfEach(const QByteArray &data, QString *error);
    void onLookedUp(const QHostInfo &info);

    QString m_host = QStringLiteral("255.255.255.255");
    Target m_target = Target::Address;
    quint32 m_address = 0xFFFFFFFFu; // host order
    int m_lookupId = -1;
    QList<QByteArray> m_waiting;
    quint16 m_port = kDatagramPort;
    bool m_broadcast = true;
    bool m_noNetwork = false;
    quint64 m_sent = 0;
    int m_fd = -1;
    // Interfaces are looked up again at most once a second.
    QList<BroadcastTargets::Target> m_targets;
    QElapsedTimer m_targetsAge;
};

// "Socket Error # <code>" CR LF "<description>.": how datagram failures read.
QString udpSocketErrorText(int err);
