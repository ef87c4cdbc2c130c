#include "NetworkWatch.h"

#include "Logging.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr unsigned kLinkStateFlags = IFF_UP | IFF_RUNNING;

QString addressKey(int index, const QHostAddress &address, int prefix)
{
    return QString::number(index) + u' ' + address.toString() + u'/' + QString::number(prefix);
}

} // namespace

NetworkWatch::NetworkWatch(Sources sources, QObject *parent)
    : QObject(parent)
{
    connect(&m_settler, &ChangeSettler::settled, this, &NetworkWatch::changed);
    openNetlink();
    rememberCurrentState();
    if (sources == KernelAndReachability)
        watchReachability();
}

NetworkWatch::~NetworkWatch()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void NetworkWatch::openNetlink()
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        qCWarning(lcNet, "network changes are not watched: no netlink socket (%s)", strerror(errno));
        return;
    }
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
        qCWarning(lcNet, "network changes are not watched: netlink refused (%s)", strerror(errno));
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &NetworkWatch::onNetlinkReadable);
}

void NetworkWatch::rememberCurrentState()
{
    // Taken after the socket is bound: a change in between is reported twice at worst.
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        unsigned state = 0;
        if (interface.flags().testFlag(QNetworkInterface::IsUp))
            state |= IFF_UP;
        if (interface.flags().testFlag(QNetworkInterface::IsRunning))
            state |= IFF_RUNNING;
        m_linkState.insert(interface.index(), state);
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                m_addresses.insert(addressKey(interface.index(), entry.ip(), entry.prefixLength()));
        }
    }
}

void NetworkWatch::onNetlinkReadable()
{
    alignas(nlmsghdr) char buffer[16384];
    bool changed = false;
    for (;;) {
        const ssize_t size = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (size < 0) {
            if (errno == EINTR)
                continue;
            // Events were lost while the queue was full: what changed is unknown, so something did.
            if (errno == ENOBUFS)
                changed = true;
            break;
        }
        int left = int(size);
        for (auto *message = reinterpret_cast<const nlmsghdr *>(buffer); NLMSG_OK(message, left);
             message = NLMSG_NEXT(message, left)) {
            if (isChange(message))
                changed = true;
        }
    }
    if (changed)
        m_settler.noteChange();
}

bool NetworkWatch::isChange(const nlmsghdr *message)
{
    switch (message->nlmsg_type) {
    case RTM_NEWLINK:
    case RTM_DELLINK: {
        if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
            return false;
        const auto *link = static_cast<const ifinfomsg *>(NLMSG_DATA(message));
        const unsigned state = message->nlmsg_type == RTM_DELLINK ? 0 : link->ifi_flags & kLinkStateFlags;
        const auto known = m_linkState.constFind(link->ifi_index);
        const bool wasUsable = known != m_linkState.cend() && *known == kLinkStateFlags;
        const bool differs = known == m_linkState.cend() || *known != state;
        if (message->nlmsg_type == RTM_DELLINK)
            m_linkState.remove(link->ifi_index);
        else
            m_linkState.insert(link->ifi_index, state);
        // A new interface that is still down changes nothing yet.
        return differs && (wasUsable || state == kLinkStateFlags);
    }
    case RTM_NEWADDR:
    case RTM_DELADDR: {
        if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
            return false;
        const auto *address = static_cast<const ifaddrmsg *>(NLMSG_DATA(message));
        if (address->ifa_family != AF_INET)
            return false;
        QHostAddress ip;
        int attributesLeft = int(IFA_PAYLOAD(message));
        for (auto *attribute = IFA_RTA(address); RTA_OK(attribute, attributesLeft);
             attribute = RTA_NEXT(attribute, attributesLeft)) {
            if ((attribute->rta_type == IFA_LOCAL || (attribute->rta_type == IFA_ADDRESS && ip.isNull()))
                && RTA_PAYLOAD(attribute) == sizeof(in_addr)) {
                in_addr raw{};
                memcpy(&raw, RTA_DATA(attribute), sizeof raw);
                ip = QHostAddress(ntohl(raw.s_addr));
            }
        }
        const QString key = addressKey(int(address->ifa_index), ip, address->ifa_prefixlen);
        if (message->nlmsg_type == RTM_DELADDR)
            return m_addresses.remove(key);
        if (m_addresses.contains(key))
            return false; // a renewed lifetime, not a new address
        m_addresses.insert(key);
        return true;
    }
    default:
        return false;
    }
}

void NetworkWatch::watchReachability()
{
    if (!QNetworkInformation::instance())
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    QNetworkInformation *information = QNetworkInformation::instance();
    if (!information || !information->supports(QNetworkInformation::Feature::Reachability))
        return;
    m_reachability = information->reachability();
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                // From Unknown the backend has only found out what already was.
                const auto before = std::exchange(m_reachability, reachability);
                if (before != reachability && before != QNetworkInformation::Reachability::Unknown)
                    m_settler.noteChange();
            });
}
