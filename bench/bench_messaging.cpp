// Messaging figures, in a private network namespace:
//  1. receive: messages posted one after another to a running zavolin (history
//     on, all receive steps), against the raw exchange of raw_msg in the same run;
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

#include <cstdio>
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

int historyEntries(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count("//---------------------------------------------------------------------\r\n"));
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
    // Wait until the receiver listens.
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        QSignalSpy ok(&client, &TMsgClient::finished);
        QSignalSpy failed(&client, &TMsgClient::failed);
        client.postText(QStringLiteral("warm-up"));
        up = QTest::qWaitFor([&] { return !ok.isEmpty() || !failed.isEmpty(); }, 5000) && !ok.isEmpty();
        if (!up)
            QTest::qWait(100);
    }
    if (!up)
        return 0;
    const int before = historyEntries(home.filePath(QStringLiteral("Log.txt")));

    int done = 0;
    QEventLoop loop;
    QObject::connect(&client, &TMsgClient::finished, &loop, [&] {
        if (++done == count)
            loop.quit();
        else
            client.postText(QStringLiteral("Сообщение номер %1 :-) http://intranet/").arg(done));
    });
    QObject::connect(&client, &TMsgClient::failed, &loop, [&](const QString &e) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(e));
        loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    client.postText(QStringLiteral("Сообщение номер 0"));
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    // The receiver records after acknowledging; wait until every entry is there.
    const QString log = home.filePath(QStringLiteral("Log.txt"));
    while (historyEntries(log) < before + done && timer.elapsed() < 120000)
        QTest::qWait(5);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const int recorded = historyEntries(log) - before;
    receiver.terminate();
    receiver.waitForFinished(10000);
    std::printf("receive: %d messages acknowledged, %d recorded in %.2f s = %.0f msg/s\n", done, recorded, seconds,
                recorded / seconds);
    return recorded / seconds;
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
    const int count = argc > 3 ? std::clamp(std::atoi(argv[3]), 100, 50000) : 5000;
    const double received = receiveRate(QString::fromLocal8Bit(argv[1]), count);
    const double raw = rawRate(QString::fromLocal8Bit(argv[2]), count);
    if (raw > 0 && received > 0)
        std::printf("ratio receive+record/raw exchange: %.2f\n", received / raw);
    sendToTwenty();
    return received > 0 ? 0 : 1;
}
