// The chat window under a flood, in one process on loopback: while a
// generator hands the session 20,000 "Z" nicks and then 20,000 "&" lines of
// 8 KB (half of them with hundreds of line breaks), the way the datagram
// channel hands them over (a few per turn of the event loop), a client on its
// own thread posts a message every 20 ms to a message server on the same
// event loop and times its acknowledgement. Reports how long the flood took
// to be handled, the acknowledgement times, and what the log holds at the
// end. Fails (exit status 1) when an acknowledgement took 100 ms or more.
//   bench_chat [NICKS] [LINES]
#include "ChatForm.h"
#include "ChatLogView.h"
#include "MsgChannel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

QByteArray field(const QByteArray &bytes)
{
    return QByteArray::number(bytes.size()).rightJustified(4, '0') + bytes;
}

// One message posted the way every instance posts it; the milliseconds until
// the 16-byte acknowledgement, or -1.
double postOnce(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const auto start = std::chrono::steady_clock::now();
    double ms = -1;
    const QByteArray frame = field("PC-BENCH") + field("hello");
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0
        && ::send(fd, frame.constData(), size_t(frame.size()), 0) == frame.size()) {
        char ack[16];
        size_t got = 0;
        while (got < sizeof ack) {
            const ssize_t n = ::recv(fd, ack + got, sizeof ack - got, 0);
            if (n <= 0)
                break;
            got += size_t(n);
        }
        if (got == sizeof ack)
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    ::close(fd);
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int nicks = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 20000;
    constexpr int kPerTurn = 8; // datagrams handed over per turn of the event loop

    TMsgServer server;
    if (!server.listen(QHostAddress(QHostAddress::LocalHost))) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 2;
    }
    const quint16 port = server.serverPort();
    int received = 0;
    QObject::connect(&server, &TMsgServer::messageReceived, &app, [&] { ++received; });

    const QString settings = QDir::temp().filePath(QStringLiteral("bench_chat_%1.ini").arg(QCoreApplication::applicationPid()));
    TChatForm form(settings, QStringLiteral("PC-BENCH"), [](const QString &) {});
    form.show();
    form.findChild<QLineEdit *>(QStringLiteral("Edit2"))->setText(QStringLiteral("bench"));
    form.session().join();

    QString plain(8000, u'ж');
    QString broken;
    while (broken.size() < 8000)
        broken += QStringLiteral("строка потопа\n");

    std::atomic<bool> done{false};
    std::atomic<bool> clientEnded{false};
    std::vector<double> acks;
    int lost = 0;
    std::thread client([&] {
        while (!done.load()) {
            const double ms = postOnce(port);
            if (ms < 0)
                ++lost;
            else
                acks.push_back(ms);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        clientEnded = true;
    });

    QElapsedTimer clock;
    clock.start();
    int next = 0;
    const int total = nicks + lines;
    double floodMs = 0;
    auto *log = form.findChild<ChatLogView *>(QStringLiteral("Memo1"));
    QTimer drained;
    QObject::connect(&drained, &QTimer::timeout, &app, [&] {
        if (log->pendingLines() > 0)
            return;
        drained.stop();
        floodMs = clock.elapsed();
        // A quiet second more, acknowledgements still timed.
        // exit(), not quit(): quit() first asks the windows to close,
        // and the chat window answers that by leaving the chat.
        QTimer::singleShot(1000, &app, [] { QCoreApplication::exit(0); });
    });
    QTimer generator;
    QObject::connect(&generator, &QTimer::timeout, &app, [&] {
        for (int k = 0; k < kPerTurn && next < total; ++k, ++next) {
            if (next < nicks)
                form.session().addParticipant(QStringLiteral("nick%1").arg(next));
            else
                form.session().appendLine(QString::number(next) + u' ' + ((next & 1) ? broken : plain));
        }
        if (next >= total) {
            generator.stop();
            // Once nothing waits for a frame, the flood is handled.
            drained.start(ChatLogView::kFrameMs);
        }
    });
    generator.start(0);
    app.exec();
    done = true;
    // The message in flight is still acknowledged by this loop.
    while (!clientEnded)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    client.join();
    QFile::remove(settings);

    std::sort(acks.begin(), acks.end());
    const double median = acks.empty() ? -1 : acks[acks.size() / 2];
    const double worst = acks.empty() ? -1 : acks.back();
    std::printf("flood of %d nicks and %d lines of 8 KB handled in %.0f ms\n", nicks, lines, floodMs);
    std::printf("acknowledgements: %zu, median %.2f ms, worst %.2f ms, lost %d (server counted %d)\n", acks.size(),
                median, worst, lost, received);
    std::printf("log at the end: %d characters, %d lines; participants %lld\n", log->document()->characterCount(),
                log->document()->blockCount(), static_cast<long long>(form.session().participants().size()));
    form.finishNow();
    if (acks.empty() || lost > 0 || worst >= 100) {
        std::printf("FAIL: every message must be acknowledged within 100 ms during a chat flood\n");
        return 1;
    }
    return 0;
}
