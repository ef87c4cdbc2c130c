#include "AliasBook.h"
#include "ContactList.h"
#include "IniFile.h"
#include "LineListFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

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

    // A name from the network may hold line breaks; stored as it is, it would
    // come back as two entries.
    void entriesWithLineBreaksStayOneEntry()
    {
        const QString dropped = QStringLiteral("PC2\r\nBOSS");
        const QStringList names = {dropped, QStringLiteral("a\tb\rc\nd"), QStringLiteral("Шеф")};
        QVERIFY(LineListFile::save(path(u"BlackList.lst"_qs), names));
        QFile file(path(u"BlackList.lst"_qs));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("PC2  BOSS\r\na\tb c d\r\n\xD8\xE5\xF4\r\n"));
        const QStringList loaded = LineListFile::load(path(u"BlackList.lst"_qs));
        QCOMPARE(loaded, QStringList({QStringLiteral("PC2  BOSS"), QStringLiteral("a\tb c d"), QStringLiteral("Шеф")}));

        // The stored entry still blocks and marks the contact it was made from.
        ContactList contacts;
        contacts.add(dropped, QStringLiteral("PC2"));
        contacts.setBlacklist(loaded);
        QVERIFY(contacts.isBlacklisted(dropped));
        QVERIFY(contacts.index(0).data(ContactList::BlacklistedRole).toBool());
        QVERIFY(contacts.isBlacklisted(QStringLiteral("Шеф")));
        QVERIFY(!contacts.isBlacklisted(QStringLiteral("PC2")));
    }

    // A save the disk cannot take whole keeps the old list, not a cut one.
    void refusedSaveKeepsTheOldList()
    {
        const QString file = path(u"Hint.hnt"_qs);
        QVERIFY(LineListFile::save(file, {QStringLiteral("old")}));
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 64;
        const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        QString error;
        const bool saved64 = LineListFile::save(file, QStringList(20, QStringLiteral("phrase")), &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);
        QVERIFY(!saved64);
        QVERIFY(!error.isEmpty());
        QCOMPARE(LineListFile::load(file), QStringList{QStringLiteral("old")});
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
