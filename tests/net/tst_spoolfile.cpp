#include "SpoolFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestSpoolFile : public QObject
{
    Q_OBJECT

private:
    static void writeFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(content), content.size());
    }

    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

private Q_SLOTS:
    void createdFilesAreNewHiddenAndOurs()
    {
        QTemporaryDir dir;
        QString error;
        const auto first = SpoolFile::create(dir.path(), &error);
        const auto second = SpoolFile::create(dir.path(), &error);
        QVERIFY2(first && second, qPrintable(error));
        QVERIFY(first->fileName() != second->fileName());
        QCOMPARE(QFileInfo(first->fileName()).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
        QVERIFY(SpoolFile::isName(QFileInfo(first->fileName()).fileName()));
        QVERIFY(first->isWritable());
        QCOMPARE(first->size(), qint64(0));

        QVERIFY(!SpoolFile::create(dir.filePath(u"missing"_s), &error));
        QVERIFY(!error.isEmpty());
    }

    void onlyStaleSpoolFilesAreRemoved()
    {
        QTemporaryDir dir;
        QTemporaryDir outside;
        const QString folder = dir.path();
        QString error;

        // Left by a killed instance: written, closed, nobody holds it.
        QString stale;
        {
            const auto killed = SpoolFile::create(folder, &error);
            QVERIFY(killed);
            killed->write("half of it");
            stale = QFileInfo(killed->fileName()).fileName();
        }
        // Still being written, here or by another instance: its lock says so.
        const auto running = SpoolFile::create(folder, &error);
        QVERIFY(running);
        running->write("in progress");
        running->flush();
        const QString held = QFileInfo(running->fileName()).fileName();

        // What only looks like ours stays.
        writeFile(QDir(folder).filePath(u".zavolin-notes.txt"_s), "user's");
        writeFile(QDir(folder).filePath(u"film.part"_s), "browser's");
        writeFile(outside.filePath(u"target"_s), "precious");
        QVERIFY(QFile::link(outside.filePath(u"target"_s), QDir(folder).filePath(u".zavolin-link.part"_s)));
        QVERIFY(QDir(folder).mkdir(u".zavolin-dir.part"_s));
        const QString fifo = QDir(folder).filePath(u".zavolin-fifo.part"_s);
        const bool hasFifo = ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0;

        QStringList expected = entries(folder);
        expected.removeOne(stale);
        QCOMPARE(SpoolFile::removeStale(folder), 1);
        QCOMPARE(entries(folder), expected);
        QVERIFY(QFileInfo(fifo).exists() == hasFifo);

        // The writer goes on undisturbed; once it is gone, its file is stale too.
        QCOMPARE(running->write(" and more"), qint64(9));
        QVERIFY(running->flush());
        QCOMPARE(QFileInfo(running->fileName()).size(), qint64(20));
        running->close();
        QCOMPARE(SpoolFile::removeStale(folder), 1);
        QVERIFY(!entries(folder).contains(held));
        QCOMPARE(SpoolFile::removeStale(folder), 0);
        QCOMPARE(SpoolFile::removeStale(QString()), 0);
    }
};

QTEST_GUILESS_MAIN(TestSpoolFile)
#include "tst_spoolfile.moc"
