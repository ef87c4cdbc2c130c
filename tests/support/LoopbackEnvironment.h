#pragma once

#include "NetFormEnvironment.h"

#include <QDir>

// A main window's surroundings for a test: its files in `home`, every server
// on loopback with ports the system picks, datagrams to 127.0.0.1:broadcastPort
// (9, the discard port, unless a test listens), and the desktop left alone.
inline NetFormEnvironment loopbackEnvironment(const QString &home, const QString &hostName,
                                              quint16 broadcastPort = 9)
{
    NetFormEnvironment env;
    env.settingsPath = QDir(home).filePath(QStringLiteral("Zavolin.ini"));
    env.dataFolder = home;
    env.datagramPort = 0;
    env.broadcastHost = QStringLiteral("127.0.0.1");
    env.broadcastPort = broadcastPort;
    env.messagePort = 0;
    env.streamPort = 0;
    env.securePort = 0;
    env.listenAddress = QHostAddress(QHostAddress::LocalHost);
    env.hostName = hostName;
    env.desktopIntegration = false;
    return env;
}
