#pragma once

#include <QList>
#include <QNetworkInterface>
#include <QString>

// Where a broadcast datagram goes so that every network this computer is on
// sees it: the limited broadcast leaves through one interface only (the one
// the routing table picks), a directed broadcast leaves through its own.
namespace BroadcastTargets {

struct Interface
{
    QString name;
    QNetworkInterface::InterfaceFlags flags;
    QList<QNetworkAddressEntry> addresses;
};

// One directed broadcast address (host order) per interface that is up, has
// a link, can broadcast and is not loopback, from its first IPv4 address that
// has one; an address that two interfaces share is listed once.
QList<quint32> directed(const QList<Interface> &interfaces);
// The same for this computer's interfaces as they are now.
QList<quint32> directed();

} // namespace BroadcastTargets
