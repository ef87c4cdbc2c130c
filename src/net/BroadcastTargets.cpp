#include "BroadcastTargets.h"

namespace BroadcastTargets {

QList<quint32> directed(const QList<Interface> &interfaces)
{
    constexpr auto needed = QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast;
    QList<quint32> targets;
    for (const Interface &interface : interfaces) {
        if ((interface.flags & needed) != needed || interface.flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addresses) {
            const QHostAddress broadcast = entry.broadcast();
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol
                || broadcast.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            if (!targets.contains(broadcast.toIPv4Address()))
                targets.append(broadcast.toIPv4Address());
            break;
        }
    }
    return targets;
}

QList<quint32> directed()
{
    QList<Interface> interfaces;
    for (const QNetworkInterface &system : QNetworkInterface::allInterfaces())
        interfaces.append({system.name(), system.flags(), system.addressEntries()});
    return directed(interfaces);
}

} // namespace BroadcastTargets
