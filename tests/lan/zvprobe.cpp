// Test peer for the LAN scenarios: speaks the datagram and message channels
// through the program's own network library and prints what it sees.
#include "Cp1251.h"
#include "MsgChannel.h"
#include "MsgFrame.h"
#include "UdpChannel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <ctime>

namespace {

void printLine(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

int usage()
{
    std::fprintf(stderr, "usage: zvprobe listen-udp SECONDS | send-udp TEXT [ADDRESS] | serve-msg SECONDS COUNT"
                         " | first-udp PREFIX SECONDS | flood-msg HOST FROM COUNT links|smileys|numbered"
                         " | time-msg HOST FROM TEXT\n");
    return 64;
}

// Texts of 9,996 bytes that are costly to show: a link or a smiley every few bytes.
QByteArray heavyText(const QString &kind)
{
    const QByteArray piece = Cp1251::encode(kind == u"smileys" ? QStringLiteral("Привет :--)) ")
                                                               : QStringLiteral("www.a "));
    return piece.repeated(MsgFrame::kMaxField / piece.size());
}

QByteArray request(const QString &from, const QByteArray &text)
{
    return MsgFrame::encodeField(Cp1251::encode(from)) + MsgFrame::encodeField(text);
}

// Posts COUNT messages (the n-th, from 1, is requestOf(n)), several
// connections at a time, the way a busy peer would; prints "ACKED n" and
// succeeds when every one was acknowledged.
int floodMessages(QCoreApplication &app, const QString &host, const std::function<QByteArray(int)> &requestOf,
                  int count)
{
    constexpr int kInFlight = 16; // well under what one address may hold
    int started = 0, acked = 0, ended = 0;
    std::function<void()> startOne = [&] {
        if (started >= count)
            return;
        ++started;
        auto *socket = new QTcpSocket(&app);
        auto reply = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::connected, socket,
                         [socket, bytes = requestOf(started)] { socket->write(bytes); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, reply] {
            *reply += socket->readAll();
            if (reply->size() >= MsgFrame::kAckSize)
                socket->disconnectFromHost();
        });
        auto done = [&, socket, reply] {
            if (socket->property("done").toBool())
                return;
            socket->setProperty("done", true);
            if (reply->startsWith(MsgFrame::acknowledgement()))
                ++acked;
            socket->deleteLater();
            if (++ended == count)
                app.quit();
            else
                startOne();
        };
        QObject::connect(socket, &QTcpSocket::disconnected, socket, done);
        QObject::connect(socket, &QTcpSocket::errorOccurred, socket, done);
        socket->connectToHost(host, kMessagePort);
    };
    for (int i = 0; i < kInFlight; ++i)
        startOne();
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    app.exec();
    printLine(QStringLiteral("ACKED %1").arg(acked));
    return acked == count ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.at(0);

    // To every network, or to ADDRESS alone.
    if (command == u"send-udp" && (args.size() == 2 || args.size() == 3)) {
        TUdpClient client;
        if (args.size() == 3)
            client.setHost(args.at(2));
        QString error;
        if (!client.send(Cp1251::encode(args.at(1)), &error)) {
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            return 1;
        }
        return 0;
    }

    // With "stamped", each line ends with " @" and the milliseconds since the
    // listener started, for the pauses between datagrams.
    if (command == u"listen-udp" && (args.size() == 2 || (args.size() == 3 && args.at(2) == u"stamped"))) {
        TUdpServer server;
        if (!server.setActive(true)) {
            std::fprintf(stderr, "%s\n", server.errorString().toUtf8().constData());
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        const bool stamped = args.size() == 3;
        QObject::connect(&server, &TUdpServer::datagramReceived, &app,
                         [&clock, stamped](const QByteArray &data, const QHostAddress &peer) {
                             QString line = QStringLiteral("UDP %1 %2").arg(peer.toString(), Cp1251::decode(data));
                             if (stamped)
                                 line += QStringLiteral(" @") + QString::number(clock.elapsed());
                             printLine(line);
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
    // "numbered": each text starts with "N" and its number, then links.
    if (command == u"flood-msg" && args.size() == 5) {
        const QString from = args.at(2);
        const bool numbered = args.at(4) == u"numbered";
        const QByteArray text = heavyText(numbered ? QStringLiteral("links") : args.at(4));
        return floodMessages(app, args.at(1), [&](int n) {
            return request(from, numbered ? ("N" + QByteArray::number(n) + " " + text).left(MsgFrame::kMaxField) : text);
        }, args.at(3).toInt());
    }

    // Prints "ACK ms": how long from the connect until the acknowledgement.
    if (command == u"time-msg" && args.size() == 4) {
        TMsgClient client;
        client.setHost(args.at(1));
        client.setFromName(args.at(2));
        QElapsedTimer clock;
        int status = 1;
        QObject::connect(&client, &TMsgClient::finished, &app, [&](const QByteArray &reply) {
            printLine(QStringLiteral("ACK %1").arg(clock.elapsed()));
            status = reply == MsgFrame::acknowledgement() ? 0 : 1;
            app.quit();
        });
        QObject::connect(&client, &TMsgClient::failed, &app, [&](const QString &error) {
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
            app.quit();
        });
        clock.start();
        client.postText(args.at(3));
        QTimer::singleShot(30000, &app, &QCoreApplication::quit);
        app.exec();
        return status;
    }
    return usage();
}
