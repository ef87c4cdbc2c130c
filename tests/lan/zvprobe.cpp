// Test peer for the LAN scenarios: speaks the datagram and message channels
// through the program's own network library and prints what it sees.
#include "Cp1251.h"
#include "MsgChannel.h"
#include "UdpChannel.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

void printLine(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

int usage()
{
    std::fprintf(stderr, "usage: zvprobe listen-udp SECONDS | send-udp TEXT | serve-msg SECONDS COUNT"
                         " | first-udp PREFIX SECONDS\n");
    return 64;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.at(0);

    if (command == u"send-udp" && args.size() == 2) {
        TUdpClient client;
        QString error;
        if (!client.send(Cp1251::encode(args.at(1)), &error)) {
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return 1;
        }
        return 0;
    }

    if (command == u"listen-udp" && args.size() == 2) {
        TUdpServer server;
        if (!server.setActive(true)) {
            std::fprintf(stderr, "%s\n", server.errorString().toUtf8().constData());
            return 1;
        }
        QObject::connect(&server, &TUdpServer::datagramReceived, &app,
                         [](const QByteArray &data, const QHostAddress &peer) {
                             printLine(QStringLiteral("UDP %1 %2").arg(peer.toString(), Cp1251::decode(data)));
                         });
        printLine(QStringLiteral("READY"));
        QTimer::singleShot(args.at(1).toInt() * 1000, &app, &QCoreApplication::quit);
        return app.exec();
    }

    // Prints the wall-clock time (ns since the epoch) at which the first
    // datagram starting with PREFIX arrived, for start-up timing.
    if (command == u"first-udp" && args.size() == 3) {
        TUdpServer server;
        if (!server.setActive(true)) {
            std::fprintf(stderr, "%s\n", server.errorString().toUtf8().constData());
            return 1;
        }
        const QByteArray prefix = Cp1251::encode(args.at(1));
        int status = 1;
        QObject::connect(&server, &TUdpServer::datagramReceived, &app, [&](const QByteArray &data) {
            if (!data.startsWith(prefix) || status == 0)
                return;
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            std::printf("FIRST %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
            status = 0;
            app.quit();
        });
        printLine(QStringLiteral("READY"));
        QTimer::singleShot(args.at(2).toInt() * 1000, &app, &QCoreApplication::quit);
        app.exec();
        return status;
    }

    if (command == u"serve-msg" && args.size() == 3) {
        TMsgServer server;
        if (!server.listen()) {
            std::fprintf(stderr, "%s\n", server.errorString().toUtf8().constData());
            return 1;
        }
        const int wanted = args.at(2).toInt();
        int count = 0;
        QObject::connect(&server, &TMsgServer::messageReceived, &app,
                         [&](const QString &from, const QString &text) {
                             printLine(QStringLiteral("MSG %1\t%2").arg(from, text));
                             if (++count >= wanted)
                                 QTimer::singleShot(100, &app, &QCoreApplication::quit);
                         });
        printLine(QStringLiteral("READY"));
        QTimer::singleShot(args.at(1).toInt() * 1000, &app, &QCoreApplication::quit);
        return app.exec();
    }
    return usage();
}
