// Messaging figures, in a private network namespace:
//  1. receive: raw_msg's C client posting to a running zavolin (history on,
//     all receive steps), one exchange after another and from 8 senders at
//     once, against the same C client posting to raw_msg's own server right
//     before, in the same run. The receiver runs with the default options
//     (the window hides at start, so the first message shows it again and
//     every message asks for it) and with Ch18=0 (shown from the start, the
//     outgoing view in front). With one sender the rate over each window of
//     3,000 messages shows whether a message costs more as the incoming view
//     grows, and the receiver's resident memory at the end what the messages
//     it holds cost. The receiver's CPU time counts what it does after the
//     last acknowledgement too (layout, painting);
//  2. send: the main window sending one message to 20 reachable contacts.
//   bench_messaging ZAVOLIN RAW_MSG [COUNT]
#include "MsgChannel.h"
#include "NetForm.h"
#include "SendController.h"

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

struct Rate {
    double perSecond = 0;
    QString windows; // "rate per 3000 messages: ..." from a single sender
};

// Runs raw_msg with `arguments`; its rate from the line starting with `label`.
Rate runRawMsg(const QString &binary, const QStringList &arguments, const char *label)
{
    QProcess raw;
    raw.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    raw.start(binary, arguments);
    if (!raw.waitForFinished(1200000))
        return {};
    const QString out = QString::fromLocal8Bit(raw.readAllStandardOutput());
    Rate rate;
    for (const QString &line : out.split(u'\n')) {
        if (line.startsWith(QLatin1String("rate per")))
            rate.windows = line;
        const auto m = QRegularExpression(QStringLiteral("^%1: .*= ([0-9.]+) msg/s").arg(QLatin1String(label)))
                           .match(line);
        if (m.hasMatch() && raw.exitCode() == 0)
            rate.perSecond = m.captured(1).toDouble();
    }
    return rate;
}

// raw_msg's C client against raw_msg's own server, run as `servers` processes.
double rawRate(const QString &binary, int count, int senders, int servers)
{
    const Rate rate = runRawMsg(binary,
                                {QStringLiteral("7412"), QString::number(count), QString::number(senders),
                                 QString::number(servers)},
                                "raw");
    std::printf("  raw_msg client and server, %d sender(s), %d server process(es): %.0f msg/s\n", senders, servers,
                rate.perSecond);
    return rate.perSecond;
}


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

// User and system CPU time of a process in seconds, or -1; with `thread`,
// of that thread only (the GUI thread's id is the process id).
double cpuSeconds(qint64 pid, qint64 thread = 0)
{
    QFile stat(thread ? QStringLiteral("/proc/%1/task/%2/stat").arg(pid).arg(thread)
                      : QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command name, which may hold blanks and parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

int historyEntries(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count("//---------------------------------------------------------------------\r\n"));
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

struct Received {
    double rate = 0;       // messages acknowledged and recorded per second
    double cpuUs = 0;      // the receiver's CPU per message, work after the acknowledgement included
    double guiCpuUs = 0;   // of which its GUI thread's
};

// The receiver's CPU time once it has gone quiet: what it does after the last
// acknowledgement (laying out, painting) belongs to the messages too.
double settledCpuSeconds(qint64 pid)
{
    double last = cpuSeconds(pid);
    for (int i = 0; i < 50; ++i) {
        QTest::qWait(100);
        const double now = cpuSeconds(pid);
        if (now - last < 0.002)
            return now;
        last = now;
    }
    return last;
}

// raw_msg's C client posting `count` messages to a fresh zavolin whose
// settings file holds `ini` (empty: every option at its default).
Received receiveRate(const QString &zavolin, const QString &rawMsg, const QByteArray &ini, int count, int senders)
{
    QTemporaryDir home;
    if (!ini.isEmpty()) {
        QFile file(home.filePath(QStringLiteral("Zavolin.ini")));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(ini);
    }
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
        return {};
    // Past the start-up hide (500 ms with Ch18): every message meets the
    // window as the user finds it.
    QTest::qWait(800);
    const QString log = home.filePath(QStringLiteral("Log.txt"));
    const int before = historyEntries(log);
    const double cpuBefore = settledCpuSeconds(receiver.processId());
    const double guiCpuBefore = cpuSeconds(receiver.processId(), receiver.processId());

    QElapsedTimer timer;
    timer.start();
    const Rate posted = runRawMsg(rawMsg,
                                  {QStringLiteral("--post"), QString::number(kMessagePort), QString::number(count),
                                   QString::number(senders)},
                                  "post");
    const double postSeconds = timer.nsecsElapsed() / 1e9;
    const int done = posted.perSecond > 0 ? count : 0;
    // The receiver records after acknowledging; wait until every entry is there.
    while (historyEntries(log) < before + done && timer.elapsed() < limitMs(count))
        QTest::qWait(5);
    const double seconds = std::max(postSeconds, timer.nsecsElapsed() / 1e9);
    const int recorded = historyEntries(log) - before;
    const double cpu = settledCpuSeconds(receiver.processId()) - cpuBefore;
    const double guiCpu = cpuSeconds(receiver.processId(), receiver.processId()) - guiCpuBefore;
    if (!posted.windows.isEmpty())
        std::printf("  %s\n", qPrintable(posted.windows));
    std::printf("  receiver memory after %d messages: VmRSS %.1f MiB, VmHWM %.1f MiB\n", done,
                memoryMiB(receiver.processId(), "VmRSS:"), memoryMiB(receiver.processId(), "VmHWM:"));
    receiver.terminate();
    receiver.waitForFinished(10000);
    Received result;
    result.rate = recorded == count ? recorded / seconds : 0;
    result.cpuUs = done > 0 ? cpu * 1e6 / done : 0;
    result.guiCpuUs = done > 0 ? guiCpu * 1e6 / done : 0;
    std::printf("  zavolin, %d sender(s): %d acknowledged, %d recorded in %.2f s = %.0f msg/s, receiver CPU %.0f us "
                "per message (GUI thread %.0f us)\n",
                senders, done, recorded, seconds, result.rate, result.cpuUs, result.guiCpuUs);
    return result;
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
    form.messenger().setPeerMessagePort(kPort);
    for (int i = 0; i < kContacts; ++i)
        form.contacts().add(QStringLiteral("PC%1").arg(i), QStringLiteral("127.0.0.%1").arg(i + 2));
    QListView *list = form.widgets().listBox1();
    list->selectAll();
    form.widgets().memo1()->setPlainText(QStringLiteral("Всем двадцати"));

    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < kRounds; ++round) {
        form.sending().send();
        while (form.messenger().isSending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double ms = timer.nsecsElapsed() / 1e6 / kRounds;
    std::printf("send to %d contacts (history on): %.2f ms per send, %.0f messages/s\n", kContacts, ms,
                kContacts * 1000.0 / ms);
}

double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().split(' ').first().toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_messaging ZAVOLIN RAW_MSG [COUNT]\n");
        return 64;
    }
    const QString zavolin = QString::fromLocal8Bit(argv[1]);
    const QString rawMsg = QString::fromLocal8Bit(argv[2]);
    const int count = argc > 3 ? std::clamp(std::atoi(argv[3]), 100, 200000) : 5000;
    struct Setup {
        const char *name;
        QByteArray ini;
    };
    const Setup setups[] = {{"default options", QByteArray()}, {"Ch18=0", QByteArrayLiteral("[Form]\r\nCh18=0\r\n")}};
    bool allReceived = true;
    for (const Setup &setup : setups) {
        for (const int senders : {1, 8}) {
            std::printf("%s, %d sender(s), %d messages, load %.2f:\n", setup.name, senders, count, loadAverage());
            // The baseline right before, so that both meet the same load.
            // The ratio is against one server process, as the program is one
            // process with one event loop; with several senders the rate of a
            // server process per sender is shown beside it.
            const double raw = rawRate(rawMsg, count, senders, 1);
            const double rawParallel = senders > 1 ? rawRate(rawMsg, count, senders, senders) : 0;
            const Received received = receiveRate(zavolin, rawMsg, setup.ini, count, senders);
            allReceived = allReceived && received.rate > 0;
            if (raw > 0 && received.rate > 0)
                std::printf("ratio %s, %d sender(s): %.2f of raw, %.0f us receiver CPU per message (GUI thread %.0f us)\n",
                            setup.name, senders, received.rate / raw, received.cpuUs, received.guiCpuUs);
            if (rawParallel > 0 && received.rate > 0)
                std::printf("  against %d raw server processes: %.2f\n", senders, received.rate / rawParallel);
            std::fflush(stdout);
        }
    }
    sendToTwenty();
    return allReceived ? 0 : 1;
}
