#include "FileSender.h"
#include "ReceivedFileName.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Verdict = ReceivedFileName::Verdict;

// What a received path leaves as a file name, and which names are refused.
class TestFileNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nameIsThePartAfterTheLastDelimiter_data()
    {
        QTest::addColumn<QString>("wirePath");
        QTest::addColumn<QString>("name");
        QTest::newRow("windows path") << u"C:\\Docs\\report.txt"_s << u"report.txt"_s;
        QTest::newRow("unix path") << u"/home/ivan/отчёт.doc"_s << u"отчёт.doc"_s;
        QTest::newRow("mixed") << u"C:\\a/b\\c.txt"_s << u"c.txt"_s;
        QTest::newRow("drive only") << u"D:file.txt"_s << u"file.txt"_s;
        QTest::newRow("bare name") << u"readme"_s << u"readme"_s;
        QTest::newRow("trailing backslash") << u"C:\\Docs\\"_s << QString();
        QTest::newRow("parent") << u"C:\\Docs\\.."_s << u".."_s;
        QTest::newRow("traversal with slashes") << u"../../etc/passwd"_s << u"passwd"_s;
        QTest::newRow("stream name") << u"C:\\f.txt:secret"_s << u"secret"_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void nameIsThePartAfterTheLastDelimiter()
    {
        QFETCH(QString, wirePath);
        QFETCH(QString, name);
        QCOMPARE(ReceivedFileName::fromWirePath(wirePath), name);
    }

    void hostileNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Verdict>("verdict");
        QTest::newRow("plain") << u"report.txt"_s << Verdict::Ok;
        QTest::newRow("russian, blanks") << u"Отчёт за май.xls"_s << Verdict::Ok;
        QTest::newRow("dots inside") << u"a..b"_s << Verdict::Ok;
        QTest::newRow("trailing dot") << u"name."_s << Verdict::Ok;
        QTest::newRow("empty") << QString() << Verdict::Empty;
        QTest::newRow("dot") << u"."_s << Verdict::DotName;
        QTest::newRow("dot dot") << u".."_s << Verdict::DotName;
        QTest::newRow("hidden") << u".bashrc"_s << Verdict::Hidden;
        QTest::newRow("three dots") << u"..."_s << Verdict::Hidden;
        QTest::newRow("NUL") << QString(u"a\0b"_s) << Verdict::ControlCharacter;
        QTest::newRow("line feed") << u"a\nb.txt"_s << Verdict::ControlCharacter;
        QTest::newRow("carriage return") << u"a.txt\r"_s << Verdict::ControlCharacter;
        QTest::newRow("escape") << u"\x1b[31mred"_s << Verdict::ControlCharacter;
        QTest::newRow("delete") << u"a\x7f"_s << Verdict::ControlCharacter;
        QTest::newRow("unassigned 1251 byte") << QString(QChar(0x98)) + u"x"_s << Verdict::ControlCharacter;
        QTest::newRow("slash") << u"a/b"_s << Verdict::Separator;
        QTest::newRow("backslash") << u"a\\b"_s << Verdict::Separator;
    }

    void hostileNamesAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(Verdict, verdict);
        QCOMPARE(ReceivedFileName::check(name), verdict);
    }

    void everyAcceptedNameStaysInsideTheFolder()
    {
        const QString folder = u"/srv/incoming"_s;
        const QStringList wirePaths = {u"C:\\x\\..\\..\\y"_s, u"..\\..\\etc\\cron.d\\job"_s, u"a:..:b"_s,
                                       u"\\\\server\\share\\f"_s, u"/"_s, u"C:"_s, u"~"_s};
        for (const QString &wirePath : wirePaths) {
            const QString name = ReceivedFileName::fromWirePath(wirePath);
            if (ReceivedFileName::check(name) != Verdict::Ok)
                continue;
            const QString target = QDir::cleanPath(QDir(folder).filePath(name));
            QCOMPARE(QFileInfo(target).absolutePath(), folder);
        }
    }

    void displayShowsControlCharactersAsQuestionMarks()
    {
        QCOMPARE(ReceivedFileName::forDisplay(u"a\nb\x1b"_s), u"a?b?"_s);
        const QString shown = ReceivedFileName::forDisplay(QString(500, u'я'));
        QCOMPARE(shown.size(), 121);
        QVERIFY(shown.endsWith(u'…'));
    }

    void wirePathUsesBackslashes()
    {
        QCOMPARE(FileSender::wirePath(u"/home/ivan/report.txt"_s), u"\\home\\ivan\\report.txt"_s);
        QCOMPARE(ReceivedFileName::fromWirePath(FileSender::wirePath(u"/tmp/a b/отчёт.txt"_s)), u"отчёт.txt"_s);
        QVERIFY(!FileSender::wirePath(u"relative.txt"_s).contains(u'/'));
        QVERIFY(FileSender::wirePath(u"relative.txt"_s).endsWith(u"\\relative.txt"_s));
    }

    void limitsOfTheFormat_data()
    {
        QTest::addColumn<QString>("wirePath");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<FileSender::Refusal>("refusal");
        const QString longest = u"C:\\"_s + QString(9996, u'ж'); // 9,999 bytes in code page 1251
        QTest::newRow("ordinary") << u"C:\\f.txt"_s << qint64(5) << FileSender::Refusal::None;
        QTest::newRow("9999-byte path") << longest << qint64(0) << FileSender::Refusal::None;
        QTest::newRow("10000-byte path") << longest + u'x' << qint64(0) << FileSender::Refusal::PathTooLong;
        QTest::newRow("2^31 - 1 bytes") << u"f"_s << qint64(2147483647) << FileSender::Refusal::None;
        QTest::newRow("2^31 bytes") << u"f"_s << qint64(2147483648) << FileSender::Refusal::TooLarge;
    }

    void limitsOfTheFormat()
    {
        QFETCH(QString, wirePath);
        QFETCH(qint64, size);
        QFETCH(FileSender::Refusal, refusal);
        QCOMPARE(FileSender::check(wirePath, size), refusal);
    }

    void filesTheFormatCannotCarryAreRefusedBeforeSending()
    {
        QTemporaryDir dir;
        FileSender::Refusal refusal = FileSender::Refusal::None;
        QString error;
        QVERIFY(!FileSender::open(dir.filePath(u"missing"_s), &refusal, &error));
        QCOMPARE(refusal, FileSender::Refusal::CannotOpen);
        QVERIFY(!error.isEmpty());
        QVERIFY(!FileSender::open(dir.path(), &refusal, &error));
        QCOMPARE(refusal, FileSender::Refusal::CannotOpen);
        const QByteArray fifo = QFile::encodeName(dir.filePath(u"pipe"_s));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QVERIFY(!FileSender::open(QFile::decodeName(fifo), &refusal, &error)); // and does not wait for a writer
        QCOMPARE(refusal, FileSender::Refusal::CannotOpen);

        // A sparse file of 2 GiB costs no disk space.
        QFile big(dir.filePath(u"big.iso"_s));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(qint64(1) << 31));
        big.close();
        QVERIFY(!FileSender::open(big.fileName(), &refusal, &error));
        QCOMPARE(refusal, FileSender::Refusal::TooLarge);
        QVERIFY(big.resize((qint64(1) << 31) - 1));
        QVERIFY(FileSender::open(big.fileName(), &refusal, &error));
        QCOMPARE(refusal, FileSender::Refusal::None);

    }
};

QTEST_GUILESS_MAIN(TestFileNames)
#include "tst_filenames.moc"
