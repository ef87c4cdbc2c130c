// The sending side of the file benchmark: one file through the program's own
// file sender (stream client, 64 KiB chunks), timed from the start of the
// send to the receiver's acknowledgement.
//   bench_files HOST FILE [PORT]     prints "zavolin: N bytes in S s = R MiB/s"
#include "FileSender.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 4) {
        std::fprintf(stderr, "usage: bench_files HOST FILE [PORT]\n");
        return 64;
    }
    FileSender::Refusal refusal = FileSender::Refusal::None;
    QString error;
    std::unique_ptr<QFile> file = FileSender::open(args.at(2), &refusal, &error);
    if (!file) {
        std::fprintf(stderr, "bench_files: cannot send %s\n", qPrintable(args.at(2)));
        return 1;
    }
    const qint64 size = file->size();
    FileSender sender;
    if (args.size() == 4)
        sender.setPort(quint16(args.at(3).toUInt()));
    QElapsedTimer timer;
    int rc = 1;
    timer.start();
    sender.send({args.at(1), args.at(1), QString()}, std::move(file),
                [&](FileSender::Result result, const QString &reason) {
                    const double seconds = double(timer.nsecsElapsed()) / 1e9;
                    if (result == FileSender::Result::Sent) {
                        std::printf("zavolin: %lld bytes in %.3f s = %.1f MiB/s\n", size, seconds,
                                    double(size) / 1048576.0 / seconds);
                        rc = 0;
                    } else {
                        std::fprintf(stderr, "bench_files: %s\n", qPrintable(reason));
                    }
                    app.quit();
                });
    QTimer::singleShot(300000, &app, &QCoreApplication::quit); // never outlives the run
    app.exec();
    return rc;
}
