#include "Outbox.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

int modeOf(const QString &path)
{
    struct stat info{};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

qint64 peakKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

// The outbox file is read a message at a time: whatever its size, what fits
// stays queued, the whole file is set aside and the user is told.
class TestOutbox : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    // A text over a megabyte is left as a hole in the file: no disk, no memory.
    static void append(QFile &file, quint64 id, qint64 length)
    {
        file.write("#" + QByteArray::number(id) + "\tPC-B\tBoris\t\t2026-12-07T09:05:03\t" + QByteArray::number(length)
                   + "\r\n");
        if (length > 1024 * 1024)
            QVERIFY(file.seek(file.pos() + length));
        else
            file.write(QByteArray(length, 't'));
        file.write("\r\n");
    }

private Q_SLOTS:
    void init()
    {
        static int run = 0;
        m_path = m_dir.filePath(u"Outbox-%1.txt"_s.arg(++run));
    }

    void outboxIsTheOwnersOnly_data()
    {
        QTest::addColumn<int>("existing"); // -1: no file yet
        QTest::newRow("new") << -1;
        QTest::newRow("readable by all") << 0644;
    }
    void outboxIsTheOwnersOnly()
    {
        QFETCH(int, existing);
        if (existing >= 0) {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Outbox::serialize({}));
            QCOMPARE(::fchmod(file.handle(), mode_t(existing)), 0);
        }
        Outbox outbox(m_path);
        QVERIFY(outbox.load());
        QVERIFY(modeOf(m_path) == -1 || modeOf(m_path) == 0600);
        QVERIFY(outbox.add({u"PC-B"_s, u"Boris"_s, {}}, u"secret"_s, QDateTime::currentDateTime()));
        QCOMPARE(modeOf(m_path), 0600);
    }

    void oversizedOrDamagedKeepsWhatFitsInBoundedMemory_data()
    {
        QTest::addColumn<QList<qint64>>("lengths");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("said");
        const QString tooMuch = u"больше, чем вмещает очередь"_s;
        QTest::newRow("a text no message carries") << QList<qint64>{5, Outbox::kMaxTextBytes + 1, 5} << false << 2
                                                   << tooMuch;
        QTest::newRow("a text of 400 MB") << QList<qint64>{5, 400'000'000, 5} << false << 2 << tooMuch;
        QTest::newRow("cut inside a text of 400 MB") << QList<qint64>{5, 400'000'000} << true << 1 << u"повреждён"_s;
        QTest::newRow("more messages than the queue holds") << QList<qint64>(Outbox::kMaxMessages + 3, 5) << false
                                                            << Outbox::kMaxMessages << tooMuch;
    }
    void oversizedOrDamagedKeepsWhatFitsInBoundedMemory()
    {
        QFETCH(QList<qint64>, lengths);
        QFETCH(bool, cut);
        QFETCH(int, kept);
        QFETCH(QString, said);
        {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Outbox::serialize({}));
            for (qsizetype i = 0; i < lengths.size(); ++i)
                append(file, quint64(i + 1), lengths[i]);
            if (cut)
                QVERIFY(file.resize(file.size() - 1));
        }
        const qint64 size = QFile(m_path).size();
        const qint64 before = peakKiB();
        Outbox outbox(m_path);
        QString error;
        QVERIFY(!outbox.load(&error));
        QVERIFY2(peakKiB() - before < 64 * 1024, qPrintable(u"peak grew by %1 KiB"_s.arg(peakKiB() - before)));
        QCOMPARE(outbox.messages().size(), kept);
        QVERIFY2(error.contains(said) && error.contains(m_path + u".bad"_s), qPrintable(error));
        QCOMPARE(QFile(m_path + u".bad"_s).size(), size);
        // What was kept is a file of its own, read whole from now on.
        Outbox again(m_path);
        QVERIFY(again.load());
        QCOMPARE(again.messages().size(), kept);
        QCOMPARE(again.messages().constLast().id, outbox.messages().constLast().id);
    }
};

QTEST_GUILESS_MAIN(TestOutbox)
#include "tst_outbox.moc"
