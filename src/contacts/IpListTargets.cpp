#include "IpListTargets.h"

#include <QHostAddress>
#include <QSet>

namespace IpListTargets {

Line parse(const QString &text)
{
    const QString line = text.trimmed();
    const qsizetype slash = line.indexOf(u'/');
    QHostAddress address;
    if (!address.setAddress(slash < 0 ? line : line.left(slash))
        || address.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    const quint32 ip = address.toIPv4Address();
    if (slash < 0)
        return {ip != 0 && ip != 0xFFFFFFFFu, ip, 1};
    bool ok = false;
    const int prefix = line.mid(slash + 1).toInt(&ok);
    if (!ok || prefix < kWidestPrefix || prefix > 32)
        return {};
    if (prefix >= 31) // a point-to-point pair or one host: every address is a host
        return {true, prefix == 32 ? ip : (ip & ~1u), prefix == 32 ? 1u : 2u};
    const quint32 size = 1u << (32 - prefix);
    const quint32 network = ip & ~(size - 1);
    return {true, network + 1, size - 2};
}

QList<quint32> addresses(const QStringList &lines)
{
    QList<quint32> all;
    QSet<quint32> seen;
    for (const QString &text : lines) {
        const Line line = parse(text);
        for (quint32 i = 0; line.valid && i < line.count; ++i) {
            if (all.size() >= kMostAddresses)
                return all;
            if (!seen.contains(line.first + i)) {
                seen.insert(line.first + i);
                all.append(line.first + i);
            }
        }
    }
    return all;
}

} // namespace IpListTargets
