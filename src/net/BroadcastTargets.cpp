#include "BroadcastTargets.h"

namespace BroadcastTargets {

QList<Target> limited(const QList<Interface> &interfaces)
{
    constexpr auto needed = QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast;
    QList<Target> targets;
    for (const Interface &interface : interfaces) {
        if ((interface.flags & needed) != needed || interface.flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addresses) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const QHostAddress broadcast = entry.broadcast();
            targets.append({interface.index, entry.ip().toIPv4Address(), interface.name,
                            broadcast.protocol() == QAbstractSocket::IPv4Protocol ? broadcast.toIPv4Address() : 0});
            break;
        }
    }
    return targets;
}

QList<Interface> systemInterfaces()
{
    QList<Interface> interfaces;
    for (const QNetworkInterface &system : QNetworkInterface::allInterfaces())
        interfaces.append({system.name(), system.flags(), system.addressEntries(), system.index()});
    return interfaces;
}

QList<Target> limited()
{
    return limited(systemInterfaces());
}

} // namespace BroadcastTargets
