// The attacker of the LAN scenarios: a host that says anything under any name.
//   zveve key HOME                 print the fingerprint of HOME's identity (made when missing)
//   zveve serve HOME SECONDS       a secure listener on 6712 with HOME's identity; prints
//                                  READY, "CONNECT <address>" per connection and
//                                  "MSG <from>\t<text>" per message it takes
//   zveve udp [--to HOST] COUNT DATAGRAM...
//                                  broadcasts the datagrams (or sends them to HOST alone)
//                                  COUNT times over, at most kPerSecond a second; in each,
//                                  "{i}" is the round and "{rand}" 64 random hexadecimal digits
//   zveve post HOME HOST FROM TEXT a message over TLS to HOST claiming FROM, with HOME's
//                                  identity, whatever key HOST proves; 0 once acknowledged
#include "Cp1251.h"
#include "Fingerprint.h"
#include "Identity.h"
#include "MsgChannel.h"
#include "MsgFrame.h"
#include "TlsListener.h"
#include "TlsSetup.h"
#include "UdpChannel.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSslSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <sys/socket.h>

namespace {

constexpr quint16 kSecurePort = 6712;
constexpr int kPerSecond = 3000;

void printLine(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

Identity identityIn(const QString &home)
{
    QString notice;
    Identity identity = Identity::loadOrCreate(home, &notice);
    if (!identity.isValid()) {
        std::fprintf(stderr, "no identity in %s: %s\n", qPrintable(home), qPrintable(notice));
        std::exit(1);
    }
    return identity;
}

// Says who connects before the handshake: a key check closes early and reaches no server.
class CountingListener : public TlsListener
{
public:
    using TlsListener::TlsListener;

protected:
    void takeConnection(qintptr descriptor) override
    {
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        char text[INET_ADDRSTRLEN] = "?";
        if (::getpeername(int(descriptor), reinterpret_cast<sockaddr *>(&peer), &size) == 0)
            ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
        printLine(QStringLiteral("CONNECT %1").arg(QString::fromLatin1(text)));
        TlsListener::takeConnection(descriptor);
    }
};

int serve(QCoreApplication &app, const QString &home, int seconds)
{
    const Identity identity = identityIn(home);
    CountingListener listener(TlsSetup::server(identity));
    TMsgServer messages;
    QObject::connect(&listener, &TlsListener::connectionReady, &app,
                     [&messages](QSslSocket *socket, const QByteArray &protocol, const QString &peerKey) {
                         if (protocol == TlsSetup::kMessageProtocol)
                             messages.adopt(socket, peerKey);
                         else
                             socket->deleteLater();
                     });
    QObject::connect(&messages, &TMsgServer::messageReceived, &app, [](const QString &from, const QString &text) {
        printLine(QStringLiteral("MSG %1\t%2").arg(from, text));
    });
    if (!listener.listen(QHostAddress::AnyIPv4, kSecurePort)) {
        std::fprintf(stderr, "%s\n", qPrintable(listener.errorString()));
        return 1;
    }
    printLine(QStringLiteral("READY ") + identity.fingerprint());
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}

QString randomKey()
{
    QString key;
    for (int i = 0; i < 8; ++i)
        key += QString::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, u'0').toUpper();
    return key;
}

int flood(QCoreApplication &app, const QString &host, int rounds, const QStringList &datagrams)
{
    TUdpClient client;
    if (!host.isEmpty())
        client.setHost(host);
    int round = 0, sent = 0, failed = 0;
    QTimer tick;
    constexpr int kTickMs = 10;
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        for (int budget = kPerSecond * kTickMs / 1000; budget > 0 && round < rounds; ++round) {
            for (QString datagram : datagrams) {
                datagram.replace(QStringLiteral("{i}"), QString::number(round));
                datagram.replace(QStringLiteral("{rand}"), randomKey());
                client.send(Cp1251::encode(datagram)) ? ++sent : ++failed;
                --budget;
            }
        }
        if (round >= rounds)
            app.quit();
    });
    tick.start(kTickMs);
    app.exec();
    printLine(QStringLiteral("SENT %1 FAILED %2").arg(sent).arg(failed));
    return failed ? 1 : 0;
}

int post(QCoreApplication &app, const QString &home, const QString &host, const QString &from, const QString &text)
{
    QSslSocket socket;
    socket.setSslConfiguration(TlsSetup::client(identityIn(home), QByteArray(TlsSetup::kMessageProtocol)));
    QByteArray reply;
    int status = 1;
    QObject::connect(&socket, &QSslSocket::encrypted, &app, [&] {
        printLine(QStringLiteral("KEY ") + Fingerprint::ofCertificate(socket.peerCertificate()));
        socket.write(MsgFrame::encodeField(Cp1251::encode(from)) + MsgFrame::encodeField(Cp1251::encode(text)));
    });
    QObject::connect(&socket, &QSslSocket::readyRead, &app, [&] {
        reply += socket.readAll();
        if (reply.size() >= MsgFrame::kAckSize) {
            status = reply.startsWith(MsgFrame::acknowledgement()) ? 0 : 1;
            app.quit();
        }
    });
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &app, [&] {
        std::fprintf(stderr, "%s\n", qPrintable(socket.errorString()));
        app.quit();
    });
    socket.connectToHostEncrypted(host, kSecurePort);
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    app.exec();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    if (command == u"key" && args.size() == 2) {
        printLine(identityIn(args.at(1)).fingerprint());
        return 0;
    }
    if (command == u"serve" && args.size() == 3)
        return serve(app, args.at(1), args.at(2).toInt());
    if (command == u"udp" && args.size() >= 5 && args.at(1) == u"--to")
        return flood(app, args.at(2), args.at(3).toInt(), args.mid(4));
    if (command == u"udp" && args.size() >= 3)
        return flood(app, QString(), args.at(1).toInt(), args.mid(2));
    if (command == u"post" && args.size() == 5)
        return post(app, args.at(1), args.at(2), args.at(3), args.at(4));
    std::fprintf(stderr, "usage: zveve key HOME | serve HOME SECONDS | udp [--to HOST] COUNT DATAGRAM... | post HOME HOST FROM TEXT\n");
    return 64;
}
