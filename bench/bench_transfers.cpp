// The sending side of the transfer benchmarks, through the transfer queue
// (one stream per file, a folder packed into a ZIP archive off the GUI
// thread), timed from the first add to the last acknowledgement. While it
// runs, a 10 ms timer on the GUI thread measures the longest gap between its
// ticks: what a window would see as its slowest frame.
//   bench_transfers send HOST PORT PATH...  prints "zavolin: F files, N bytes in S s = R MiB/s, ..."
//   bench_transfers pack FOLDER            packs only: "pack: ... in S s, ..."
#include "FolderArchive.h"
#include "TransferList.h"
#include "TransferQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

long peakRssKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The longest gap between ticks of a 10 ms timer, in ms.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_clock.start();
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = qMax(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start(10);
    }
    qint64 longest() const { return m_longest; }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

int send(QCoreApplication &app, const QString &host, quint16 port, const QStringList &paths)
{
    TransferList list;
    TransferQueue queue(list);
    queue.setPort(port);
    StallMeter stalls;
    qint64 bytes = 0;
    int left = int(paths.size());
    int failed = 0;
    QElapsedTimer timer;
    timer.start();
    QObject::connect(&queue, &TransferQueue::ended, &app, [&](int id, TransferQueue::Result result, const QString &error) {
        if (result == TransferQueue::Result::Sent)
            bytes += list.find(id)->size;
        else {
            ++failed;
            std::fprintf(stderr, "bench_transfers: %s\n", qPrintable(error));
        }
        if (--left == 0)
            app.quit();
    });
    for (const QString &path : paths)
        queue.add({host, host, QString()}, path);
    QTimer::singleShot(600000, &app, &QCoreApplication::quit); // never outlives the run
    app.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("zavolin: %lld files, %lld bytes in %.3f s = %.1f MiB/s, longest GUI stall %lld ms, peak RSS %.1f MiB\n",
                static_cast<long long>(paths.size()), static_cast<long long>(bytes), seconds,
                double(bytes) / 1048576.0 / seconds, static_cast<long long>(stalls.longest()),
                double(peakRssKib()) / 1024.0);
    return failed || left ? 1 : 0;
}

int pack(QCoreApplication &app, const QString &folder)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("bench.zip"));
    StallMeter stalls;
    QElapsedTimer timer;
    timer.start();
    bool ok = false;
    QString error;
    QThread *worker = QThread::create([&] { ok = FolderArchive::write(folder, target, nullptr, &error); });
    QObject::connect(worker, &QThread::finished, &app, &QCoreApplication::quit);
    worker->start();
    app.exec();
    worker->wait();
    delete worker;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!ok) {
        std::fprintf(stderr, "bench_transfers: %s\n", qPrintable(error));
        return 1;
    }
    const qint64 size = QFileInfo(target).size();
    std::printf("pack: %lld bytes in %.3f s = %.1f MiB/s, longest GUI stall %lld ms, peak RSS %.1f MiB\n",
                static_cast<long long>(size), seconds, double(size) / 1048576.0 / seconds,
                static_cast<long long>(stalls.longest()), double(peakRssKib()) / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 4 && args[0] == u"send")
        return send(app, args[1], quint16(args[2].toUInt()), args.mid(3));
    if (args.size() == 2 && args[0] == u"pack")
        return pack(app, args[1]);
    std::fprintf(stderr, "usage: bench_transfers send HOST PORT PATH... | pack FOLDER\n");
    return 64;
}
