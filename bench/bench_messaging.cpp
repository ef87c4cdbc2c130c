// Messaging figures, in a private network namespace:
//  1. receive: messages posted one after another to a running zavolin (history
//     on, all receive steps), against the same client posting the same texts
//     to raw_msg's bare server, and against raw_msg's own C client and server,
//     all in the same run;
//     The rate over each window of 3,000 messages shows whether a message
//     costs more as the incoming view grows, and the receiver's resident
//     memory at the end what the messages it holds cost;
//  2. send: the main window sending one message to 20 reachable contacts.
//   bench_messaging ZAVOLIN RAW_MSG [COUNT]
#include "MsgChannel.h"
#include "NetForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <memory>
#include <vector>

namespace {

double rawRate(const QString &binary, int count)
{
    QProcess raw;
    raw.start(binary, {QStringLiteral("7412"), QString::number(count)});
    if (!raw.waitForFinished(90000))
        return 0;
    const QString out = QString::fromLocal8Bit(raw.readAllStandardOutput());
    std::printf("%s", out.toLocal8Bit().constData());
    const auto m = QRegularExpression(QStringLiteral("= ([0-9.]+) msg/s")).match(out);
    return m.hasMatch() ? m.captured(1).toDouble() : 0;
}

constexpr int kWindow = 3000;

// "VmRSS" or "VmHWM" of a process in MiB, or -1.
double memoryMiB(qint64 pid, const char *field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// User and system CPU time of a process in seconds, or -1.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command name, which may hold blanks and parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

void printWindows(const std::vector<qint64> &ends)
{
    if (ends.size() < 2)
        return;
    std::vector<double> rates;
    qint64 start = 0;
    for (const qint64 end : ends) {
        rates.push_back(kWindow / ((end - start) / 1e9));
        start = end;
    }
    std::printf("rate per %d messages:", kWindow);
    for (const double rate : rates)
        std::printf(" %.0f", rate);
    std::printf(" msg/s\n");
    // Messages 27,001-30,000 when there are as many, else the last window.
    const std::size_t late = std::min<std::size_t>(rates.size(), 10) - 1;
    std::printf("ratio messages %d-%d / 1-%d: %.2f\n", int(late) * kWindow + 1, int(late + 1) * kWindow, kWindow,
                rates[late] / rates.front());
}

int historyEntries(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count("//---------------------------------------------------------------------\r\n"));
}

QString messageText(int number)
{
    return number == 0 ? QStringLiteral("Сообщение номер 0")
                       : QStringLiteral("Сообщение номер %1 :-) http://intranet/").arg(number);
}

int limitMs(int count)
{
    return std::max(120000, count * 5);
}

// Posts until a server answers on the message port.
bool waitUntilUp(TMsgClient &client)
{
    for (int i = 0; i < 100; ++i) {
        QSignalSpy ok(&client, &TMsgClient::finished);
        QSignalSpy failed(&client, &TMsgClient::failed);
        client.postText(QStringLiteral("warm-up"));
        if (QTest::qWaitFor([&] { return !ok.isEmpty() || !failed.isEmpty(); }, 5000) && !ok.isEmpty())
            return true;
        QTest::qWait(100);
    }
    return false;
}

// Posts `count` messages one after another, each once the one before is
// acknowledged; the time at the end of every window lands in windowEnds.
int postOneAfterAnother(TMsgClient &client, int count, const QElapsedTimer &timer, std::vector<qint64> *windowEnds,
                        const std::function<void()> &atWindowEnd = {})
{
    int done = 0;
    QEventLoop loop;
    QObject::connect(&client, &TMsgClient::finished, &loop, [&] {
        if (++done % kWindow == 0 && windowEnds) {
            windowEnds->push_back(timer.nsecsElapsed());
            if (atWindowEnd)
                atWindowEnd();
        }
        if (done == count)
            loop.quit();
        else
            client.postText(messageText(done));
    });
    QObject::connect(&client, &TMsgClient::failed, &loop, [&](const QString &e) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(e));
        loop.quit();
    });
    client.postText(messageText(0));
    QTimer::singleShot(limitMs(count), &loop, &QEventLoop::quit);
    loop.exec();
    return done;
}

double receiveRate(const QString &zavolin, int count)
{
    QTemporaryDir home;
    QFile ini(home.filePath(QStringLiteral("Zavolin.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return 0;
    ini.write("[Form]\r\nCh15=1\r\nCh18=0\r\nCh17=0\r\n");
    ini.close();
    QProcess receiver;
    receiver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    receiver.setProcessEnvironment(env);
    receiver.start(zavolin, {QStringLiteral("--home"), home.path()});

    TMsgClient client;
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setFromName(QStringLiteral("BENCH"));
    if (!waitUntilUp(client))
        return 0;
    const QString log = home.filePath(QStringLiteral("Log.txt"));
    const int before = historyEntries(log);
    const double cpuBefore = cpuSeconds(receiver.processId());

    std::vector<qint64> windowEnds;
    QElapsedTimer timer;
    timer.start();
    // The receiver's CPU time per window: less shaken by other load on the
    // machine than the rate.
    std::vector<double> windowCpu{cpuBefore};
    const int done = postOneAfterAnother(client, count, timer, &windowEnds,
                                         [&] { windowCpu.push_back(cpuSeconds(receiver.processId())); });
    // The receiver records after acknowledging; wait until every entry is there.
    while (historyEntries(log) < before + done && timer.elapsed() < limitMs(count))
        QTest::qWait(5);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const int recorded = historyEntries(log) - before;
    printWindows(windowEnds);
    if (windowCpu.size() > 2) {
        std::printf("receiver CPU per message, per %d messages:", kWindow);
        for (std::size_t i = 1; i < windowCpu.size(); ++i)
            std::printf(" %.0f", (windowCpu[i] - windowCpu[i - 1]) * 1e6 / kWindow);
        std::printf(" us\n");
    }
    std::printf("receiver CPU: %.0f us per message\n", (cpuSeconds(receiver.processId()) - cpuBefore) * 1e6 / done);
    std::printf("receiver memory after %d messages: VmRSS %.1f MiB, VmHWM %.1f MiB\n", done,
                memoryMiB(receiver.processId(), "VmRSS:"), memoryMiB(receiver.processId(), "VmHWM:"));
    receiver.terminate();
    receiver.waitForFinished(10000);
    std::printf("receive: %d messages acknowledged, %d recorded in %.2f s = %.0f msg/s\n", done, recorded, seconds,
                recorded / seconds);
    return recorded / seconds;
}

// The same client posting the same texts to a raw C server that only answers:
// what the exchange costs without the receiver's work.
double rawServerRate(const QString &binary, int count)
{
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedChannels);
    server.start(binary, {QStringLiteral("--serve"), QString::number(kMessagePort),
                          QString::number(limitMs(count) / 1000 + 10)});
    TMsgClient client;
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setFromName(QStringLiteral("BENCH"));
    if (!waitUntilUp(client))
        return 0;
    QElapsedTimer timer;
    timer.start();
    const int done = postOneAfterAnother(client, count, timer, nullptr);
    const double seconds = timer.nsecsElapsed() / 1e9;
    server.kill();
    server.waitForFinished(10000);
    std::printf("raw server, same client and texts: %d messages in %.2f s = %.0f msg/s\n", done, seconds,
                done / seconds);
    return done == count ? done / seconds : 0;
}

void sendToTwenty()
{
    constexpr int kContacts = 20;
    constexpr int kRounds = 50;
    constexpr quint16 kPort = 7413;
    std::vector<std::unique_ptr<TMsgServer>> peers;
    for (int i = 0; i < kContacts; ++i) {
        peers.push_back(std::make_unique<TMsgServer>());
        peers.back()->setPort(kPort);
        if (!peers.back()->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(i + 2)))) {
            std::fprintf(stderr, "cannot listen on 127.0.0.%d\n", i + 2);
            return;
        }
    }
    QTemporaryDir home;
    NetFormEnvironment env;
    env.settingsPath = home.filePath(QStringLiteral("Zavolin.ini"));
    env.dataFolder = home.path();
    env.datagramPort = 0;
    env.broadcastHost = QStringLiteral("127.0.0.1");
    env.broadcastPort = 9; // discard
    env.messagePort = 0;
    env.listenAddress = QHostAddress(QHostAddress::LocalHost);
    env.streamPort = 0;
    env.securePort = 0;
    env.desktopIntegration = false;
    TNetForm form(env);
    form.startUp();
    form.setPeerMessagePort(kPort);
    for (int i = 0; i < kContacts; ++i)
        form.contacts().add(QStringLiteral("PC%1").arg(i), QStringLiteral("127.0.0.%1").arg(i + 2));
    QListView *list = form.widgets().listBox1();
    list->selectAll();
    form.widgets().memo1()->setPlainText(QStringLiteral("Всем двадцати"));

    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < kRounds; ++round) {
        form.send();
        while (form.isSending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double ms = timer.nsecsElapsed() / 1e6 / kRounds;
    std::printf("send to %d contacts (history on): %.2f ms per send, %.0f messages/s\n", kContacts, ms,
                kContacts * 1000.0 / ms);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_messaging ZAVOLIN RAW_MSG [COUNT]\n");
        return 64;
    }
    const int count = argc > 3 ? std::clamp(std::atoi(argv[3]), 100, 200000) : 5000;
    const double received = receiveRate(QString::fromLocal8Bit(argv[1]), count);
    const double rawServer = rawServerRate(QString::fromLocal8Bit(argv[2]), count);
    const double raw = rawRate(QString::fromLocal8Bit(argv[2]), count);
    if (rawServer > 0 && received > 0)
        std::printf("ratio receive+record/raw server with the same client: %.2f\n", received / rawServer);
    if (raw > 0 && received > 0)
        std::printf("ratio receive+record/raw exchange (C client and server): %.2f\n", received / raw);
    sendToTwenty();
    return received > 0 ? 0 : 1;
}
