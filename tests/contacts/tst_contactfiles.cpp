#include "AliasBook.h"
#include "IniFile.h"
#include "LineListFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The files behind the contact list: aliases in the settings file, and the
// one-name-per-line lists (blacklist, IP list, phrases).
class TestContactFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void listsAreCp1251WithCrLf()
    {
        const QStringList names = {QStringLiteral("БУХГАЛТЕРИЯ"), QStringLiteral("PC-2"), QString()};
        QVERIFY(LineListFile::save(path(u"BlackList.lst"_qs), names));
        QFile file(path(u"BlackList.lst"_qs));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xC1\xD3\xD5\xC3\xC0\xCB\xD2\xC5\xD0\xC8\xDF\r\nPC-2\r\n\r\n"));
        // The empty entry before the final line break survives; the break itself adds none.
        QCOMPARE(LineListFile::load(path(u"BlackList.lst"_qs)), names);
    }

    void listsReadLfOnlyAndMissingFiles()
    {
        QFile file(path(u"ip.lst"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("10.0.0.1\n10.0.0.2");
        file.close();
        QCOMPARE(LineListFile::load(file.fileName()),
                 QStringList({QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")}));
        QVERIFY(LineListFile::load(path(u"none.lst"_qs)).isEmpty());
        QString error;
        QVERIFY(!LineListFile::save(path(u"no/such/folder/x.lst"_qs), {}, &error));
        QVERIFY(!error.isEmpty());
    }

    void aliasesAreReadAtEveryUse()
    {
        const QString ini = path(u"Zavolin.ini"_qs);
        AliasBook book(ini);
        QCOMPARE(book.displayName(QStringLiteral("PC2")), QStringLiteral("PC2"));
        IniFile(ini).writeString(u"Aliases", u"PC2", QStringLiteral("Шеф"));
        QCOMPARE(book.displayName(QStringLiteral("PC2")), QStringLiteral("Шеф"));
        IniFile(ini).writeString(u"Aliases", u"PC2", QString());
        QCOMPARE(book.displayName(QStringLiteral("PC2")), QStringLiteral("PC2"));
    }
};

QTEST_GUILESS_MAIN(TestContactFiles)
#include "tst_contactfiles.moc"
