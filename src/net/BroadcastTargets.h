#pragma once

#include <QList>
#include <QNetworkInterface>
#include <QString>

// Where a broadcast datagram goes so that every network this computer is on
// sees it: the limited broadcast 255.255.255.255 leaves through the one
// interface the routing table picks unless the sender names the interface,
// so it is sent once through each interface that can broadcast.
namespace BroadcastTargets {

struct Interface
{
    QString name;
    QNetworkInterface::InterfaceFlags flags;
    QList<QNetworkAddressEntry> addresses;
    int index = 0;
};

// One way out for the limited broadcast: the interface and the address the
// datagram is sent from there (host order).
struct Target
{
    int index = 0;
    quint32 source = 0;
    QString name;
    quint32 directed = 0; // the interface's own broadcast address, 0 when it has none
    friend bool operator==(const Target &, const Target &) = default;
};

// Each interface that is up, has a link, can broadcast and is not loopback,
// with its first IPv4 address; an interface without one is left out.
QList<Target> limited(const QList<Interface> &interfaces);
// The same for this computer's interfaces as they are now.
QList<Target> limited();
QList<Interface> systemInterfaces();

} // namespace BroadcastTargets
