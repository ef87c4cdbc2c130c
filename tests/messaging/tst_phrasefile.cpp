#include "PhraseFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using ReadStatus = LineListFile::ReadStatus;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPhraseFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEveryLineEndStyle_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // "Привет" and "пока" in code page 1251, with an empty phrase between.
        const QByteArray hello = "\xCF\xF0\xE8\xE2\xE5\xF2";
        const QByteArray bye = "\xEF\xEE\xEA\xE0";
        QTest::newRow("CR LF") << hello + "\r\n\r\n" + bye + "\r\n";
        QTest::newRow("LF") << hello + "\n\n" + bye + "\n";
        QTest::newRow("CR") << hello + "\r\r" + bye + "\r";
        QTest::newRow("no end after the last") << hello + "\r\n\r\n" + bye;
        QTest::newRow("mixed") << hello + "\r\r\n" + bye + "\n";
    }

    void readsEveryLineEndStyle()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(PhraseFile::fileName());
        writeBytes(path, bytes);
        ReadStatus status = ReadStatus::Missing;
        const QStringList phrases = PhraseFile::read(path, &status);
        QCOMPARE(status, ReadStatus::Read);
        QCOMPARE(phrases, (QStringList{QString(), u"пока"_s, u"Привет"_s}));

        // Written back: sorted, CR LF after every line including the last.
        QVERIFY(PhraseFile::write(path, phrases));
        QCOMPARE(readBytes(path), QByteArray("\r\n\xEF\xEE\xEA\xE0\r\n\xCF\xF0\xE8\xE2\xE5\xF2\r\n"));
        QCOMPARE(PhraseFile::read(path, &status), phrases);
    }

    // A phrase keeps every byte but the line ends: tab, DEL and 0x98 (which
    // the code page leaves as a control character) included.
    void everyByteSurvivesRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(PhraseFile::fileName());
        QByteArray line;
        for (int b = 0x00; b <= 0xFF; ++b) {
            if (b != '\r' && b != '\n')
                line += char(b);
        }
        writeBytes(path, line + "\r\n");
        ReadStatus status = ReadStatus::Missing;
        const QStringList phrases = PhraseFile::read(path, &status);
        QCOMPARE(phrases.size(), 1);
        QVERIFY(PhraseFile::write(path, phrases));
        QCOMPARE(readBytes(path), line + "\r\n");

        // Line breaks inside a phrase would split it in two: they become blanks.
        QVERIFY(PhraseFile::write(path, {u"a\tb\r\nc\rd\ne\x7f"_s}));
        QCOMPARE(readBytes(path), QByteArray("a\tb  c d e\x7f\r\n"));
    }

    void missingIsNoFaultUnreadableIs()
    {
        QTemporaryDir dir;
        ReadStatus status = ReadStatus::Read;
        QVERIFY(PhraseFile::read(dir.filePath(u"none.hnt"_s), &status).isEmpty());
        QCOMPARE(status, ReadStatus::Missing);
        // A folder by the file's name is there but cannot be read as a file.
        QVERIFY(QDir(dir.path()).mkdir(PhraseFile::fileName()));
        QVERIFY(PhraseFile::read(dir.filePath(PhraseFile::fileName()), &status).isEmpty());
        QCOMPARE(status, ReadStatus::Unreadable);
        QString error;
        QVERIFY(!PhraseFile::write(dir.filePath(PhraseFile::fileName()), {u"a"_s}, &error));
        QVERIFY(!error.isEmpty());
    }

    // Russian dictionary order with no Russian locale installed (this runs
    // under C and C.UTF-8 too): Ё stands with Е, Cyrillic before Latin, case
    // only breaks a tie.
    void sortedAsARussianReaderExpects()
    {
        const QStringList sorted = PhraseFile::sorted({u"яблоко"_s, u"ёлка"_s, u"Ель"_s, u"ёж"_s, u"еда"_s,
                                                       u"Банан"_s, u"апельсин"_s, u"b"_s, u"A"_s, u"a"_s, QString()});
        QCOMPARE(sorted, (QStringList{QString(), u"апельсин"_s, u"Банан"_s, u"еда"_s, u"ёж"_s, u"ёлка"_s, u"Ель"_s,
                                      u"яблоко"_s, u"A"_s, u"a"_s, u"b"_s}));
        QCOMPARE(PhraseFile::insertionPoint(sorted, u"Бб"_s), 3);
        QCOMPARE(PhraseFile::insertionPoint(sorted, u"Ёлка"_s), 5);
        QCOMPARE(PhraseFile::insertionPoint(sorted, QString()), 1);
    }

    void failureTexts()
    {
        QCOMPARE(PhraseFile::cannotOpen(u"/x/Hint.hnt"_s), u"Cannot open file /x/Hint.hnt"_s);
        QCOMPARE(PhraseFile::cannotCreate(u"/x/a.txt"_s), u"Cannot create file /x/a.txt"_s);
    }
};

QTEST_GUILESS_MAIN(TestPhraseFile)
#include "tst_phrasefile.moc"
