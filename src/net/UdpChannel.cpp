#include "UdpChannel.h"

#include "BroadcastTargets.h"
#include "WinsockErrors.h"

#include <QHostInfo>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Hand control back to the event loop now and then during a burst, so the
// window stays responsive; the notifier fires again for what is left.
constexpr int kDatagramsPerWakeup = 64;
// Paced, one read takes what a frame brought; more than the socket's buffer holds.
constexpr int kDatagramsPerFrame = 2048;

int openDatagramSocket(bool broadcast)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && broadcast) {
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    }
    return fd;
}

// The clock of the system's receive time stamps.
qint64 realTimeNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

qint64 waitedMs(qint64 arrivedNs)
{
    return std::max<qint64>(0, (realTimeNs() - arrivedNs) / 1000000);
}

// The route to the target is missing: no interface is up, or the one this
// target belonged to has just gone.
bool isNoNetwork(int err)
{
    return err == ENETUNREACH || err == ENETDOWN || err == EHOSTUNREACH || err == EADDRNOTAVAIL;
}

} // namespace

QString udpSocketErrorText(int err)
{
    const QString winsock = WinsockErrors::text(WinsockErrors::codeFromErrno(err));
    const qsizetype colon = winsock.indexOf(u':');
    const QString description = colon >= 0 ? winsock.mid(colon + 1) : winsock;
    return QStringLiteral("Socket Error # ") + QString::number(WinsockErrors::codeFromErrno(err))
           + QStringLiteral("\r\n") + description + u'.';
}

TUdpServer::TUdpServer(QObject *parent)
    : QObject(parent)
{
    m_pace.setSingleShot(true);
    connect(&m_pace, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

TUdpServer::~TUdpServer()
{
    setActive(false);
}

bool TUdpServer::setActive(bool active)
{
    if (active == isActive())
        return true;
    if (!active) {
        ++m_activations;
        m_pace.stop();
        m_notifier.reset();
        ::close(m_fd);
        m_fd = -1;
        m_delivery.clear(); // nothing runs after deactivation has returned
        return true;
    }

    const int fd = openDatagramSocket(m_broadcast);
    if (fd < 0) {
        m_error = udpSocketErrorText(errno);
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(m_port);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
        const int err = errno;
        ::close(fd);
        m_portTaken = err == EADDRINUSE;
        m_error = err == EADDRINUSE
                      ? QStringLiteral("Could not bind socket. Address and port are already in use.")
                      : udpSocketErrorText(err);
        return false;
    }
    // Instances starting together answer in a burst: room for it while the
    // program is busy starting (the system caps what it grants).
    const int room = 1 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    // Which interface and destination each datagram came by, to know copies,
    // and when it came, to know how long it waited for a busy program.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    m_fd = fd;
    m_error.clear();
    m_portTaken = false;
    m_buffer.resize(m_bufferSize);
    m_copies.clear();
    m_clock.start();
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TUdpServer::onReadable);
    return true;
}

quint16 TUdpServer::localPort() const
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

bool TUdpServer::isBehind() const
{
    int next = 0;
    return m_delivery.pending() > 0 || (m_fd >= 0 && ::ioctl(m_fd, FIONREAD, &next) == 0 && next > 0);
}

void TUdpServer::onReadable()
{
    const bool paced = m_pacingMs > 0;
    QList<Received> batch;
    for (int i = 0; i < (paced ? kDatagramsPerFrame : kDatagramsPerWakeup) && m_fd >= 0; ++i) {
        sockaddr_in peer{};
        iovec part{m_buffer.data(), size_t(m_buffer.size())};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(timespec))];
        msghdr message{};
        message.msg_name = &peer;
        message.msg_namelen = sizeof peer;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        // MSG_TRUNC makes Linux report the datagram's real size, so an oversize
        // one is recognised instead of being delivered cut.
        const ssize_t size = ::recvmsg(m_fd, &message, MSG_TRUNC);
        if (size < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                Q_EMIT datagramDropped(udpSocketErrorText(errno));
            break;
        }
        if (size == 0) {
            Q_EMIT datagramDropped(QStringLiteral("UDP Receive Error = 0."));
            continue;
        }
        if (size > m_buffer.size()) {
            Q_EMIT datagramDropped(udpSocketErrorText(EMSGSIZE));
            continue;
        }
        const QByteArray data(m_buffer.constData(), size);
        quint64 path = 0;
        quint32 destination = INADDR_BROADCAST;
        timespec arrived{};
        for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS)
                memcpy(&arrived, CMSG_DATA(c), sizeof arrived);
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                memcpy(&info, CMSG_DATA(c), sizeof info);
                destination = ntohl(info.ipi_addr.s_addr);
                path = BroadcastCopies::path(quint32(info.ipi_ifindex), destination);
            }
        }
        if (m_copies.isCopy(data, ntohl(peer.sin_addr.s_addr), path, m_clock.elapsed()))
            continue;
        const QHostAddress address(ntohl(peer.sin_addr.s_addr));
        const quint16 port = ntohs(peer.sin_port);
        const bool broadcast = destination == INADDR_BROADCAST || !m_own.contains(destination, m_clock.elapsed());
        ++m_received;
        const qint64 arrivedNs = arrived.tv_sec ? qint64(arrived.tv_sec) * 1000000000 + arrived.tv_nsec : realTimeNs();
        if (paced)
            batch.append({data, address, port, broadcast, arrivedNs});
        else
            m_delivery.post([this, data, address, port, broadcast, arrivedNs] {
                Q_EMIT datagramReceived(data, address, port, broadcast, waitedMs(arrivedNs));
            });
    }
    if (batch.isEmpty() || !m_notifier)
        return;
    m_delivery.post([this, batch = std::move(batch), activation = m_activations] { deliver(batch, activation); });
    m_notifier->setEnabled(false);
    m_pace.start(m_pacingMs);
}

void TUdpServer::deliver(const QList<Received> &batch, quint64 activation)
{
    const QPointer<TUdpServer> alive(this); // a handler may destroy us
    for (const Received &r : batch) {
        if (!alive || m_activations != activation)
            return;
        Q_EMIT datagramReceived(r.data, r.peer, r.port, r.broadcast, waitedMs(r.arrivedNs));
    }
}

TUdpClient::TUdpClient(QObject *parent)
    : QObject(parent)
{
}

TUdpClient::~TUdpClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void TUdpClient::setHost(const QString &host)
{
    m_host = host;
    m_waiting.clear();
    if (m_lookupId >= 0) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    in_addr address{};
    if (host.compare(u"LOCALHOST", Qt::CaseInsensitive) == 0) {
        m_target = Target::Address;
        m_address = INADDR_LOOPBACK;
    } else if (::inet_pton(AF_INET, host.toLatin1().constData(), &address) == 1) {
        m_target = Target::Address;
        m_address = ntohl(address.s_addr);
    } else {
        // Only a configured name gets here; the program itself always broadcasts.
        m_target = Target::Looking;
        m_lookupId = QHostInfo::lookupHost(host, this, &TUdpClient::onLookedUp);
    }
}

void TUdpClient::onLookedUp(const QHostInfo &info)
{
    m_lookupId = -1;
    const auto found = info.addresses();
    auto it = std::find_if(found.begin(), found.end(), [](const QHostAddress &a) {
        return a.protocol() == QAbstractSocket::IPv4Protocol;
    });
    m_target = it == found.end() ? Target::NotFound : Target::Address;
    if (it != found.end())
        m_address = it->toIPv4Address();
    const QList<QByteArray> waiting = std::exchange(m_waiting, {});
    if (m_target == Target::Address) {
        for (const QByteArray &data : waiting)
            sendTo(m_address, data, nullptr);
    }
    Q_EMIT hostLookedUp(m_target == Target::Address);
}

bool TUdpClient::send(const QByteArray &data, QString *error)
{
    m_noNetwork = false;
    switch (m_target) {
    case Target::Address:
        if (m_address == INADDR_BROADCAST)
            return sendOutOfEach(data, error);
        return sendTo(m_address, data, error);
    case Target::Looking:
        if (m_waiting.size() >= kMaxWaiting) {
            if (error)
                *error = udpSocketErrorText(ENOBUFS);
            return false;
        }
        m_waiting.append(data);
        return true;
    case Target::NotFound:
        break;
    }
    if (error)
        *error = udpSocketErrorText(EDESTADDRREQ);
    return false;
}

bool TUdpClient::sendToAddress(quint32 address, const QByteArray &data, QString *error)
{
    if (address == INADDR_BROADCAST)
        return sendOutOfEach(data, error);
    return sendTo(address, data, error);
}

bool TUdpClient::sendTo(quint32 hostOrderAddress, const QByteArray &data, QString *error, int interfaceIndex,
                        quint32 source)
{
    m_noNetwork = false;
    auto failWith = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    in_addr address{};
    address.s_addr = htonl(hostOrderAddress);

    if (m_fd < 0) {
        m_fd = openDatagramSocket(m_broadcast);
        if (m_fd < 0)
            return failWith(udpSocketErrorText(errno));
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr = address;
    target.sin_port = htons(m_port);
    iovec part{const_cast<char *>(data.constData()), size_t(data.size())};
    msghdr message{};
    message.msg_name = &target;
    message.msg_namelen = sizeof target;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    // The interface named in the packet information is where the datagram
    // leaves, whatever the routing table says of 255.255.255.255.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (interfaceIndex > 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr *c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = interfaceIndex;
        info.ipi_spec_dst.s_addr = htonl(source);
        memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    ssize_t sent;
    do {
        sent = ::sendmsg(m_fd, &message, 0);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        m_noNetwork = isNoNetwork(errno);
        return failWith(errno == EMSGSIZE ? QStringLiteral("Package Size Too Big.")
                                          : udpSocketErrorText(errno));
    }
    if (sent != data.size())
        return failWith(QStringLiteral("Not all bytes sent."));
    ++m_sent;
    return true;
}

bool TUdpClient::sendOutOfEach(const QByteArray &data, QString *error)
{
    if (!m_targetsAge.isValid() || m_targetsAge.elapsed() >= 1000) {
        m_targets = BroadcastTargets::limited();
        m_targetsAge.start();
    }
    const QList<BroadcastTargets::Target> targets = m_targets;
    if (targets.isEmpty())
        return sendTo(INADDR_BROADCAST, data, error);
    // An interface that went away since the list was taken is no failure
    // while another network took the datagram; any other failure is.
    bool delivered = false;
    bool failed = false;
    QString firstError;
    for (const BroadcastTargets::Target &out : targets) {
        QString reason;
        if (sendTo(INADDR_BROADCAST, data, &reason, out.index, out.source)) {
            delivered = true;
        } else if (!m_noNetwork && !failed) {
            failed = true;
            firstError = reason;
        }
    }
    m_noNetwork = !delivered && !failed;
    if (delivered && !failed)
        return true;
    if (error)
        *error = failed ? firstError : udpSocketErrorText(ENETUNREACH);
    return false;
}
