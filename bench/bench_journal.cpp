// What the receive journal adds to each received message, on the disk the
// temporary folder is on: N history entries written as receiving writes
// them, without and with the journal (record before the acknowledgement,
// settle after the entry), one after another with the event loop turning
// between messages so that the syncs run as they do in the program.
// Prints the CPU and wall time of this thread per message, the longest one
// message took, and the syncs done.
//   bench_journal [N] [TEXT_BYTES]
#include "HistoryLog.h"
#include "ReceiveJournal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double threadCpuMicros()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

struct Figures {
    double cpuPerMessage = 0;
    double wallPerMessage = 0;
    double worstMicros = 0; // the longest a single message took: a sync must never hold the thread
    int overMs = 0;
    int syncs = 0;
};

Figures run(int count, const QString &text, bool journaled)
{
    QTemporaryDir dir;
    HistoryLog history(dir.filePath(QStringLiteral("Log.txt")));
    ReceiveJournal journal(dir.path(), history);
    Figures figures;
    QObject::connect(&journal, &ReceiveJournal::synced, [&] { ++figures.syncs; });
    const QByteArray from = "PC-B";
    const QByteArray bytes = text.toLatin1();
    const QHostAddress peer(QStringLiteral("10.0.0.2"));
    QElapsedTimer wall;
    wall.start();
    const double cpu = threadCpuMicros();
    QElapsedTimer one;
    for (int i = 0; i < count; ++i) {
        one.start();
        const quint64 ticket = journaled ? journal.record(from, bytes, peer, QString()) : 0;
        history.write(text, QStringLiteral("PC-B"), QStringLiteral("PC-A"));
        journal.settle(ticket);
        figures.worstMicros = std::max(figures.worstMicros, one.nsecsElapsed() / 1e3);
        figures.overMs += one.nsecsElapsed() > 1000000;
        QCoreApplication::processEvents();
    }
    figures.cpuPerMessage = (threadCpuMicros() - cpu) / count;
    figures.wallPerMessage = wall.nsecsElapsed() / 1e3 / count;
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int size = argc > 2 ? std::atoi(argv[2]) : 40;
    const QString text = QString(QStringLiteral("Message number 1 http://intranet/ ")).repeated(size / 34 + 1).left(size);
    for (bool journaled : {false, true, false, true}) {
        const Figures f = run(count, text, journaled);
        std::printf("%s: %.2f us CPU and %.2f us wall per message, longest %.0f us (%d over 1 ms), %d syncs (%d messages of %d bytes)\n",
                    journaled ? "history and journal" : "history only      ", f.cpuPerMessage, f.wallPerMessage,
                    f.worstMicros, f.overMs, f.syncs, count, size);
    }
    return 0;
}
