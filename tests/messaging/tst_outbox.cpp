#include "Outbox.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

class TestOutbox : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void newAndOpenFilesAreTheOwnersOnly()
    {
        const QString path = m_dir.filePath(u"Outbox.txt"_s);
        const auto mode = [&] { return QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser); };
        Outbox outbox(path);
        QVERIFY(outbox.add({u"PC-B"_s, u"Boris"_s, {}}, u"secret"_s, QDateTime::currentDateTime()));
        QCOMPARE(mode(), QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QFile::setPermissions(path, mode() | QFile::ReadOther));
        QVERIFY(Outbox(path).load());
        QCOMPARE(mode(), QFile::ReadOwner | QFile::WriteOwner);
    }

    // Whatever the file's size, what fits stays queued in bounded memory and
    // the whole file is set aside, said. Texts over 1 MB are holes in the file.
    void oversizedOrDamagedKeepsWhatFits_data()
    {
        QTest::addColumn<QList<qint64>>("lengths");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("said");
        const QString tooMuch = u"больше, чем вмещает очередь"_s;
        QTest::newRow("a text of 400 MB") << QList<qint64>{5, 400'000'000, 5} << 2 << tooMuch;
        QTest::newRow("cut inside it") << QList<qint64>{5, 400'000'000, -1} << 1 << u"повреждён"_s;
        QTest::newRow("too many") << QList<qint64>(Outbox::kMaxMessages + 3, 5) << Outbox::kMaxMessages << tooMuch;
    }
    void oversizedOrDamagedKeepsWhatFits()
    {
        QFETCH(QList<qint64>, lengths);
        QFETCH(int, kept);
        QFETCH(QString, said);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(Outbox::serialize({})) > 0);
        for (qsizetype i = 0; i < lengths.size() && lengths[i] >= 0; ++i) {
            file.write("#" + QByteArray::number(i + 1) + "\tPC-B\tBoris\t\t2026-12-07T09:05:03\t"
                       + QByteArray::number(lengths[i]) + "\r\n");
            QVERIFY(file.seek(file.pos() + lengths[i]) && file.write("\r\n") == 2);
        }
        QVERIFY(lengths.constLast() >= 0 || file.resize(file.size() - 1));
        file.close();
        const qint64 size = file.size();
        const auto peakKiB = [] { rusage usage{}; ::getrusage(RUSAGE_SELF, &usage); return qint64(usage.ru_maxrss); };
        const qint64 before = peakKiB();
        Outbox outbox(path);
        QString error;
        QVERIFY(!outbox.load(&error));
        QVERIFY2(peakKiB() - before < 64 * 1024, qPrintable(QString::number(peakKiB() - before)));
        QCOMPARE(outbox.messages().size(), kept);
        QVERIFY2(error.contains(said) && error.contains(path + u".bad"_s), qPrintable(error));
        QCOMPARE(QFile(path + u".bad"_s).size(), size);
        Outbox again(path); // what was kept is a whole file of its own
        QVERIFY(again.load());
        QCOMPARE(again.messages().size(), kept);
    }
};

QTEST_GUILESS_MAIN(TestOutbox)
#include "tst_outbox.moc"
