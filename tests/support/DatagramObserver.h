#pragma once

#include "Cp1251.h"
#include "KeyAnnouncement.h"
#include "UdpChannel.h"

#include <QSignalSpy>
#include <QStringList>

// Another instance on loopback as a window's tests see it: it hears what the
// window broadcasts (the window's broadcast port is port()) and can send it datagrams.
// Key announcements, which go out beside every presence datagram, are kept apart
// so that the window's own datagrams can be compared in their order.
class DatagramObserver
{
public:
    DatagramObserver()
    {
        m_server.setDefaultPort(0);
        m_listening = m_server.setActive(true);
    }

    bool isListening() const { return m_listening; }
    quint16 port() const { return m_server.localPort(); }
    qsizetype count() const { return heard().size(); }

    QStringList heard() const
    {
        QStringList out;
        for (const QList<QVariant> &args : m_heard) {
            const QByteArray datagram = args.at(0).toByteArray();
            if (!KeyAnnouncement::isAnnouncement(datagram))
                out << Cp1251::decode(datagram);
        }
        return out;
    }

    QList<QByteArray> keyAnnouncements() const
    {
        QList<QByteArray> out;
        for (const QList<QVariant> &args : m_heard) {
            const QByteArray datagram = args.at(0).toByteArray();
            if (KeyAnnouncement::isAnnouncement(datagram))
                out << datagram;
        }
        return out;
    }

    static bool sendTo(quint16 port, const QByteArray &datagram)
    {
        TUdpClient client;
        client.setHost(QStringLiteral("127.0.0.1"));
        client.setPort(port);
        return client.send(datagram);
    }

private:
    TUdpServer m_server;
    QSignalSpy m_heard{&m_server, &TUdpServer::datagramReceived};
    bool m_listening = false;
};
