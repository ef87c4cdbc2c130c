#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the network window shows: a snapshot taken when it is asked for.
struct NetworkStatus
{
    struct Interface
    {
        QString name;
        QString address;
        QString broadcastTarget; // where our broadcasts leave it, and how
    };
    struct Port
    {
        QString name; // "UDP 6711", "TCP 6711", ...
        bool listening = false;
        QString note; // why not, when it is not
    };

    QList<Interface> interfaces;
    QList<Port> ports;
    QString firewall;      // the finding of the start-up check
    int contacts = 0;      // instances that answered and are listed
    quint64 datagramsReceived = 0;
    quint64 datagramsSent = 0;
    int ipListAddresses = 0; // announced to beyond our own networks
    QStringList lastErrors;  // newest last
};
