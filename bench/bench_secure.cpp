// The secure channel against the open one, in the same run and process:
// sequential message exchanges (post, acknowledgement) and one file, each
// over TLS 1.3 and in the open, on loopback. Prints rates, ratios and the
// peak resident memory. Usage: bench_secure MESSAGES FILE_MIB
#include "SecureChannel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdio>
#include <memory>

namespace {

const QHostAddress kLoopback(QHostAddress::LocalHost);

long peakKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Posts `count` messages one after another; messages per second, 0 on a failure.
double postMessages(TMsgClient &client, int count)
{
    QEventLoop loop;
    int left = count;
    bool ok = true;
    const QByteArray text(100, 'x');
    QObject::connect(&client, &TMsgClient::finished, &loop, [&](const QByteArray &reply) {
        if (reply.isEmpty()) {
            ok = false;
            loop.quit();
        } else if (--left == 0) {
            loop.quit();
        } else {
            client.postText(QString::fromLatin1(text));
        }
    });
    QObject::connect(&client, &TMsgClient::failed, &loop, [&] { ok = false; loop.quit(); });
    QElapsedTimer timer;
    timer.start();
    client.postText(QString::fromLatin1(text));
    loop.exec();
    client.disconnect(&loop);
    return ok ? count * 1000.0 / std::max<qint64>(1, timer.elapsed()) : 0;
}

// Sends the file once; MiB per second, 0 on a failure.
double postFile(TStrmClient &client, const QString &path, qint64 size)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return 0;
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&client, &TStrmClient::finished, &loop, [&](const QByteArray &reply) {
        ok = !reply.isEmpty();
        loop.quit();
    });
    QObject::connect(&client, &TStrmClient::failed, &loop, [&] { loop.quit(); });
    QElapsedTimer timer;
    timer.start();
    client.setFromName(QStringLiteral("bench.bin"));
    client.postStream(std::move(file));
    loop.exec();
    client.disconnect(&loop);
    return ok ? size / 1048576.0 * 1000.0 / std::max<qint64>(1, timer.elapsed()) : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 5000;
    const qint64 fileMib = argc > 2 ? std::atoll(argv[2]) : 256;

    QTemporaryDir homeA, homeB;
    SecureChannel a(homeA.path(), 0), b(homeB.path(), 0);
    if (!a.listen(kLoopback) || !b.listen(kLoopback))
        return 1;
    b.takeAnnouncement(a.announcement(QStringLiteral("PC-A")), kLoopback, QStringLiteral("PC-B"));
    a.takeAnnouncement(b.announcement(QStringLiteral("PC-B")), kLoopback, QStringLiteral("PC-A"));
    // The received files are dropped as they come: only the transfer is measured.
    QObject::connect(&b.streamServer(), &TStrmServer::streamReceived, [](const ReceivedStream &) {});

    TMsgServer plainMsg;
    plainMsg.setPort(0);
    TStrmServer plainStrm;
    plainStrm.setPort(0);
    if (!plainMsg.listen(kLoopback) || !plainStrm.listen(kLoopback))
        return 1;

    TMsgClient plainClient;
    plainClient.setHost(QStringLiteral("127.0.0.1"));
    plainClient.setPort(plainMsg.serverPort());
    plainClient.setFromName(QStringLiteral("PC-A"));
    a.prepareMessageClient(QStringLiteral("PC-B"));
    SecureMsgClient &secureClient = *a.messageClient();
    secureClient.setHost(QStringLiteral("127.0.0.1"));
    secureClient.setFromName(QStringLiteral("PC-A"));

    const double plainRate = postMessages(plainClient, messages);
    const double secureRate = postMessages(secureClient, messages);
    // The first message to a peer pays a handshake; the next ones within the
    // keep bound go over its connection. Both are shown.
    secureClient.setKeepConnection(false);
    const int fresh = std::max(1, messages / 10);
    const double freshRate = postMessages(secureClient, fresh);
    secureClient.setKeepConnection(true);
    std::printf("messages: %d each; open %.0f msg/s, secure %.0f msg/s, ratio %.2f (target >= 0.5)\n", messages,
                plainRate, secureRate, plainRate > 0 ? secureRate / plainRate : 0);
    std::printf("secure with a handshake for each of %d: %.0f msg/s, ratio %.3f\n", fresh, freshRate,
                plainRate > 0 ? freshRate / plainRate : 0);
    std::printf("peak resident after messages: %ld KiB\n", peakKib());

    QTemporaryFile data(QDir::temp().filePath(QStringLiteral("bench_secure-XXXXXX")));
    if (!data.open())
        return 1;
    const QByteArray chunk(1 << 20, '\x5a');
    for (qint64 i = 0; i < fileMib; ++i)
        data.write(chunk);
    data.close();
    const qint64 size = fileMib << 20;

    TStrmClient plainFiles;
    plainFiles.setHost(QStringLiteral("127.0.0.1"));
    plainFiles.setPort(plainStrm.serverPort());
    a.prepareStreamClient(QStringLiteral("PC-B"));
    SecureStrmClient &secureFiles = *a.streamClient();
    secureFiles.setHost(QStringLiteral("127.0.0.1"));
    const double plainMib = postFile(plainFiles, data.fileName(), size);
    const double secureMib = postFile(secureFiles, data.fileName(), size);
    std::printf("file of %lld MiB: open %.0f MiB/s, secure %.0f MiB/s, ratio %.2f (target >= 0.7)\n",
                static_cast<long long>(fileMib), plainMib, secureMib, plainMib > 0 ? secureMib / plainMib : 0);
    std::printf("peak resident at the end: %ld KiB\n", peakKib());
    return plainRate > 0 && secureRate > 0 && freshRate > 0 && plainMib > 0 && secureMib > 0 ? 0 : 1;
}
