#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Where presence is announced beyond our own networks: the IP address list's
// lines, each an address ("192.168.2.7") or a network ("192.168.2.0/24",
// at most /22, so one line asks for at most 1,022 datagrams). Names and
// malformed lines are left to the contact list and announced to nobody.
namespace IpListTargets {

constexpr int kWidestPrefix = 22;
// All lines together never ask for more.
constexpr int kMostAddresses = 8192;

struct Line
{
    bool valid = false;
    quint32 first = 0; // host order
    quint32 count = 0;
};

// A network gives its addresses without the network's and broadcast's own.
Line parse(const QString &line);
// Every address of every line, each once, in the order of the lines.
QList<quint32> addresses(const QStringList &lines);

} // namespace IpListTargets
