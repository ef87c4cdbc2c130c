// Message exchange rate: sequential post -> acknowledgement on loopback, with
// the server in a second process, against a raw-socket C client and server
// doing the same bytes in the same run. Prints both rates and their ratio.
//
//   bench_msg RAW_MSG_BINARY [COUNT]      (run it in a private network namespace)
#include "MsgChannel.h"
#include "MsgFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

namespace {

constexpr quint16 kQtPort = 7311;
constexpr quint16 kRawPort = 7312;

// Serves until killed, or until `count` messages when given (for profiling).
int serve(QCoreApplication &app, int count)
{
    TMsgServer server;
    server.setPort(kQtPort);
    if (!server.listen(QHostAddress(QHostAddress::LocalHost)))
        return 1;
    int received = 0;
    QObject::connect(&server, &TMsgServer::messageReceived, &app, [&] {
        if (++received == count)
            app.quit();
    });
    std::printf("READY\n");
    std::fflush(stdout);
    QTimer::singleShot(120000, &app, &QCoreApplication::quit); // never outlives the run
    return app.exec();
}

double rawRate(const QString &binary, int count)
{
    QProcess raw;
    raw.start(binary, {QString::number(kRawPort), QString::number(count)});
    if (!raw.waitForFinished(90000))
        return 0;
    const QString out = QString::fromLocal8Bit(raw.readAllStandardOutput());
    std::printf("%s", out.toLocal8Bit().constData());
    const auto m = QRegularExpression(QStringLiteral("= ([0-9.]+) msg/s")).match(out);
    return m.hasMatch() ? m.captured(1).toDouble() : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args.at(1) == u"--serve")
        return serve(app, args.size() > 2 ? args.at(2).toInt() : -1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_msg RAW_MSG_BINARY [COUNT]\n");
        return 64;
    }
    const int count = args.size() >= 3 ? std::min(args.at(2).toInt(), 100000) : 10000;

    QProcess server;
    server.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve")});
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "server did not start\n");
        return 1;
    }

    TMsgClient client;
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setPort(kQtPort);
    client.setFromName(QStringLiteral("PC1"));
    int done = 0, failures = 0;
    QElapsedTimer timer;
    QObject::connect(&client, &TMsgClient::finished, &app, [&](const QByteArray &reply) {
        if (reply != MsgFrame::acknowledgement())
            ++failures;
        if (++done == count)
            app.quit();
        else
            client.postText(QStringLiteral("Hi"));
    });
    QObject::connect(&client, &TMsgClient::failed, &app, [&](const QString &e) {
        std::fprintf(stderr, "failed: %s\n", e.toLocal8Bit().constData());
        ++failures;
        app.quit();
    });
    QTimer::singleShot(90000, &app, &QCoreApplication::quit);
    timer.start();
    client.postText(QStringLiteral("Hi"));
    app.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    server.kill();
    server.waitForFinished();

    const double qtRate = done / seconds;
    std::printf("zavolin: %d messages in %.2f s = %.0f msg/s (%d failures)\n", done, seconds, qtRate, failures);
    const double raw = rawRate(args.at(1), count);
    if (raw > 0)
        std::printf("ratio zavolin/raw: %.2f\n", qtRate / raw);
    return failures == 0 ? 0 : 1;
}
