#include "OwnAddresses.h"

#include <QHostAddress>
#include <QNetworkInterface>

bool OwnAddresses::contains(quint32 address, qint64 nowMs)
{
    if (!m_known || nowMs - m_lookedUpAt >= kFreshMs) {
        m_addresses.clear();
        for (const QHostAddress &own : QNetworkInterface::allAddresses()) {
            if (own.protocol() == QAbstractSocket::IPv4Protocol)
                m_addresses.append(own.toIPv4Address());
        }
        m_lookedUpAt = nowMs;
        m_known = true;
    }
    return m_addresses.contains(address);
}
