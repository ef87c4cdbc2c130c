#pragma once

#include "MsgChannel.h"
#include "StrmChannel.h"
#include "UdpChannel.h"

#include <QHostAddress>
#include <QString>

// Where the messenger keeps its files and which ports it uses. The program
// takes the defaults; tests move everything to loopback ports the system
// picks and to temporary folders.
struct MessengerEnvironment
{
    QString settingsPath;
    QString dataFolder;
    quint16 datagramPort = kDatagramPort;
    QString broadcastHost = QStringLiteral("255.255.255.255");
    quint16 broadcastPort = kDatagramPort;
    quint16 messagePort = kMessagePort;
    quint16 streamPort = kStreamPort;
    quint16 securePort = 6712; // the secure channel's listener, an unprivileged port
    quint16 peerSecurePort = 6712; // where peers listen securely when no announcement said
    // Where the TCP servers listen; tests keep them on loopback.
    QHostAddress listenAddress = QHostAddress(QHostAddress::AnyIPv4);
    QString hostName; // empty: the system's host name
};
