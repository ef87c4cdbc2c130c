// The history index over a generated Log.txt of N entries (default
// 1,000,000, about 120 MB): time to the newest entries, to the whole index,
// searches over everything, and resident memory above the idle process.
// The file is just written, so it is read from the page cache. Then the
// same through the window (offscreen): from opening it to the first rows
// painted, and the whole index behind it.
#include "Cp1251.h"
#include "HistoryForm.h"
#include "HistoryIndex.h"

#include <QApplication>
#include <QTreeView>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Written in pieces, never held whole.
bool writeLog(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray rule = "//" + QByteArray(69, '-') + "\r\n";
    const QList<QByteArray> names{Cp1251::encode(u"Иван"), "PETR", Cp1251::encode(u"Бухгалтерия"), "SERVER-2",
                                  Cp1251::encode(u"Ольга")};
    const QList<QByteArray> words{Cp1251::encode(u"привет"), "report", Cp1251::encode(u"отчёт"), "meeting",
                                  Cp1251::encode(u"завтра"), "ready", Cp1251::encode(u"СРОЧНО"), "file",
                                  Cp1251::encode(u"спасибо"), "ok"};
    QRandomGenerator random(42);
    QByteArray block;
    for (int i = 0; i < count; ++i) {
        const int day = i / 3000;
        const QDate date = QDate(2020, 1, 1).addDays(day);
        const int seconds = (i % 3000) * 28;
        block += rule;
        block += '[' + date.toString(QStringLiteral("dd.MM.yyyy")).toLatin1() + ' '
                 + QTime(0, 0).addSecs(seconds).toString(QStringLiteral("hh:mm:ss")).toLatin1() + "] ";
        const QByteArray &peer = names.at(random.bounded(int(names.size())));
        block += (i % 2 ? peer + " --> ME" : "ME --> " + peer) + "\r\n";
        for (int w = 0; w < 4; ++w)
            block += words.at(random.bounded(int(words.size()))) + ' ';
        block += QByteArray::number(i);
        if (i == count / 2)
            block += Cp1251::encode(u" уникальное слово");
        block += "\r\n";
        if (block.size() > (1 << 20)) {
            if (file.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return file.write(block) == block.size();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Log.txt"));
    if (!writeLog(path, count)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    const double megabytes = QFile(path).size() / 1e6;
    if (argc > 2 && QByteArray(argv[2]) == "window") {
        // Idle: the GUI libraries loaded and a window painted, no history.
        QWidget plain;
        plain.show();
        plain.grab();
        QApplication::processEvents();
        const long idle = residentKiB();
        QElapsedTimer windowClock;
        windowClock.start();
        auto *form = new THistoryForm(path);
        form->show();
        auto *list = form->findChild<QTreeView *>(QStringLiteral("EntryList"));
        while (form->model().rowCount() == 0)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        list->viewport()->grab(); // the rows as the screen gets them
        const qint64 windowFirst = windowClock.elapsed();
        while (!form->index().snapshot().complete)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
        list->viewport()->grab();
        const qint64 windowAll = windowClock.elapsed();
        std::printf("log: %d entries, %.1f MB\n", count, megabytes);
        std::printf("window: first rows painted %lld ms (target < 300), all %lld entries listed %lld ms, "
                    "resident above idle %.1f MiB (target < 100)\n",
                    static_cast<long long>(windowFirst), static_cast<long long>(form->model().rowCount()),
                    static_cast<long long>(windowAll), (residentKiB() - idle) / 1024.0);
        delete form;
        return 0;
    }
    const long idle = residentKiB();

    long peak = idle;
    QElapsedTimer clock;
    HistoryIndex index(path);
    qint64 firstShown = -1;
    qint64 indexed = -1;
    QObject::connect(&index, &HistoryIndex::changed, [&] {
        peak = qMax(peak, residentKiB());
        const HistorySnapshot &s = index.snapshot();
        if (firstShown < 0 && !s.entries.isEmpty()) {
            // What the window does first: read the rows it shows.
            for (qsizetype i = 0; i < qMin<qsizetype>(40, s.entries.size()); ++i)
                index.read(s, s.entries.size() - 1 - i);
            firstShown = clock.elapsed();
        }
        if (s.complete)
            indexed = clock.elapsed();
    });
    QObject::connect(&index, &HistoryIndex::progress, [&] { peak = qMax(peak, residentKiB()); });
    clock.start();
    index.start();
    while (indexed < 0)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const long afterIndex = residentKiB();

    std::printf("log: %d entries, %.1f MB\n", count, megabytes);
    std::printf("first entries shown: %lld ms (target < 300)\n", static_cast<long long>(firstShown));
    std::printf("fully indexed:       %lld ms (target < 3000)\n", static_cast<long long>(indexed));

    const std::pair<HistoryQuery, const char *> queries[] = {
        {{QStringLiteral("УНИКАЛЬНОЕ"), {}, {}, {}}, "rare Cyrillic word, upper case"},
        {{QStringLiteral("Report"), {}, {}, {}}, "common Latin word"},
        {{QStringLiteral("срочно"), QStringLiteral("Ольга"), {}, {}}, "Cyrillic word and a contact"},
        {{QStringLiteral("ok 99999"), {}, QDate(2020, 2, 1), QDate(2020, 12, 31)}, "words and a period"},
    };
    for (const auto &[query, label] : queries) {
        QSignalSpy spy(&index, &HistoryIndex::searched);
        QElapsedTimer searchClock;
        searchClock.start();
        index.search(query);
        if (!spy.wait(60000)) {
            std::printf("search timed out\n");
            return 1;
        }
        peak = qMax(peak, residentKiB());
        std::printf("search, %-32s %5lld ms, %lld found (target < 500)\n", label,
                    static_cast<long long>(searchClock.elapsed()),
                    static_cast<long long>(spy.last().at(1).value<QList<quint32>>().size()));
    }
    const long afterSearch = residentKiB();
    std::printf("resident above idle: %.1f MiB after indexing, %.1f MiB after searching, %.1f MiB at most seen "
                "(target < 100)\n",
                (afterIndex - idle) / 1024.0, (afterSearch - idle) / 1024.0, (peak - idle) / 1024.0);

    return 0;
}
