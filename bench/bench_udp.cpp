// Datagrams handled per second: batches sent to our own listener on loopback,
// each batch waited for before the next, so no datagram is lost to a full
// socket buffer. A raw recvfrom loop over the same batches gives the baseline.
//
//   bench_udp [COUNT]      (run it in a private network namespace)
#include "UdpChannel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kBatch = 100;

double rawRate(int count)
{
    const int rx = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int tx = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(rx, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    ::getsockname(rx, reinterpret_cast<sockaddr *>(&addr), &len);
    char buffer[8192];
    QElapsedTimer timer;
    timer.start();
    for (int sent = 0; sent < count; sent += kBatch) {
        for (int i = 0; i < kBatch; ++i)
            ::sendto(tx, "%PC1", 4, 0, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        for (int i = 0; i < kBatch; ++i)
            ::recv(rx, buffer, sizeof buffer, 0);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    ::close(rx);
    ::close(tx);
    return count / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::min(std::max(std::atoi(argv[1]), kBatch), 1000000) / kBatch * kBatch : 200000;

    TUdpServer server;
    server.setDefaultPort(0);
    if (!server.setActive(true)) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    TUdpClient client;
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setPort(server.localPort());

    int received = 0;
    auto sendBatch = [&] {
        for (int i = 0; i < kBatch; ++i)
            client.send("%PC1");
    };
    QObject::connect(&server, &TUdpServer::datagramReceived, &app, [&] {
        ++received;
        if (received == count)
            app.quit();
        else if (received % kBatch == 0)
            sendBatch();
    });
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    QElapsedTimer timer;
    timer.start();
    sendBatch();
    app.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double rate = received / seconds;
    const double raw = rawRate(count);
    std::printf("zavolin: %d datagrams in %.2f s = %.0f datagrams/s\n", received, seconds, rate);
    std::printf("raw: %.0f datagrams/s\nratio zavolin/raw: %.2f\n", raw, rate / raw);
    return received == count ? 0 : 1;
}
