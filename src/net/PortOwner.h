#pragma once

#include <QString>

// Who holds a local port, as far as this user may see: the system's socket
// tables tell the owner's user, the process tables of our own user tell the
// program. Used to explain a port that cannot be bound.
namespace PortOwner {

enum class Protocol { Udp, Tcp };

struct Holder
{
    bool found = false;
    uint uid = 0;
    int pid = 0;        // 0 when the process could not be seen
    QString program;    // its command name, when seen
};

Holder find(Protocol protocol, quint16 port);
// `table`: the text of /proc/net/udp or /proc/net/tcp; gives the socket's inode and owner.
bool parseTable(const QString &table, Protocol protocol, quint16 port, uint *uid, quint64 *inode);

// "<whatStops>: порт 6711 занят (UDP); его держит ..." and what the user can do.
QString explain(Protocol protocol, quint16 port, const QString &whatStops);

} // namespace PortOwner
