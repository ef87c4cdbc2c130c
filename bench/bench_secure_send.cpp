// The program's sending of a file over the secure channel against the open
// one, in the same run: its stream client (TLS: the secure one, expecting the
// receiver's key as a pin would) sends FILE to raw_tls's C receiver, which
// drops the bytes and acknowledges, in the open and over TLS, ROUNDS times.
// Prints each rate, the ratio and the sender's CPU time and page faults. Run it in a private
// network namespace.
//   bench_secure_send RAW_TLS FILE [ROUNDS]
#include "Identity.h"
#include "SecureClients.h"
#include "TlsSetup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

#include <sys/resource.h>

namespace {

constexpr quint16 kPort = 7713;

struct Usage
{
    double cpu = 0;
    long faults = 0;
};

Usage usage()
{
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    return {double(self.ru_utime.tv_sec + self.ru_stime.tv_sec)
                + double(self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e6,
            self.ru_minflt};
}

struct Result
{
    double mibPerSecond = 0;
    double cpu = 0;
    long faults = 0;
};

// Starts the C receiver and sends the file once; nothing on a failure.
Result sendOnce(const QString &rawTls, const QString &path, bool tls, const Identity &identity)
{
    QProcess receiver;
    receiver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    receiver.start(rawTls, {QStringLiteral("serve"), QLatin1String(tls ? "tls" : "open"), QString::number(kPort),
                            QStringLiteral("300")});
    if (!receiver.waitForReadyRead(10000))
        return {};
    const QList<QByteArray> ready = receiver.readLine().trimmed().split(' ');
    if (ready.value(0) != "READY")
        return {};
    std::unique_ptr<TStrmClient> client;
    if (tls) {
        auto secure = std::make_unique<SecureStrmClient>(
            TlsSetup::client(identity, QByteArray(TlsSetup::kStreamProtocol)));
        secure->setExpectedKey(QString::fromLatin1(ready.value(1)));
        client = std::move(secure);
    } else {
        client = std::make_unique<TStrmClient>();
    }
    client->setHost(QStringLiteral("127.0.0.1"));
    client->setPort(kPort);
    client->setFromName(QStringLiteral("bench.bin"));
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file->size();
    QEventLoop loop;
    bool ok = false;
    QObject::connect(client.get(), &TStrmClient::finished, &loop, [&](const QByteArray &reply) {
        ok = reply.startsWith("OK");
        loop.quit();
    });
    QObject::connect(client.get(), &TStrmClient::failed, &loop, [&](const QString &error) {
        std::fprintf(stderr, "bench_secure_send: %s\n", qPrintable(error));
        loop.quit();
    });
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    const Usage before = usage();
    QElapsedTimer timer;
    timer.start();
    client->postStream(std::move(file));
    loop.exec();
    const qint64 ms = std::max<qint64>(1, timer.elapsed());
    const Usage after = usage();
    receiver.waitForFinished(10000);
    if (!ok)
        return {};
    return {size / 1048576.0 * 1000.0 / double(ms), after.cpu - before.cpu, after.faults - before.faults};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_secure_send RAW_TLS FILE [ROUNDS]\n");
        return 2;
    }
    const QString rawTls = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);
    const int rounds = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 20) : 3;
    QTemporaryDir home;
    const Identity identity = Identity::loadOrCreate(home.path());
    if (!identity.isValid())
        return 1;
    for (int round = 1; round <= rounds; ++round) {
        // The order swaps every round, as the machine's load drifts.
        const bool tlsFirst = round % 2 == 0;
        const Result first = sendOnce(rawTls, path, tlsFirst, identity);
        const Result second = sendOnce(rawTls, path, !tlsFirst, identity);
        const Result &open = tlsFirst ? second : first;
        const Result &tls = tlsFirst ? first : second;
        if (open.mibPerSecond <= 0 || tls.mibPerSecond <= 0)
            return 1;
        std::printf("send round %d: open %.0f MiB/s, sender CPU %.2f s, %ld page faults; tls %.0f MiB/s, sender CPU "
                    "%.2f s, %ld page faults; secure/open %.2f\n",
                    round, open.mibPerSecond, open.cpu, open.faults, tls.mibPerSecond, tls.cpu, tls.faults,
                    tls.mibPerSecond / open.mibPerSecond);
        std::fflush(stdout);
    }
    return 0;
}
