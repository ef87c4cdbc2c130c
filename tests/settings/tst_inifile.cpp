#include "Cp1251.h"
#include "IniFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>

#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestIniFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    QString writeFile(const QByteArray &bytes)
    {
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot prepare %s", qPrintable(m_path));
        return m_path;
    }

    QByteArray fileBytes() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u".ini"_s);
    }

    void parsesIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        const int fallback = 77;
        QTest::newRow("decimal") << u"162"_s << 162;
        QTest::newRow("int max") << u"2147483647"_s << 2147483647;
        QTest::newRow("int min") << u"-2147483648"_s << int(-2147483647 - 1);
        QTest::newRow("above int max") << u"2147483648"_s << fallback;
        QTest::newRow("below int min") << u"-2147483649"_s << fallback;
        QTest::newRow("0xFF") << u"0xFF"_s << 255;
        QTest::newRow("0X, lower digits") << u"0Xff"_s << 255;
        QTest::newRow("dollar") << u"$10"_s << 16;
        QTest::newRow("system colour, decimal") << u"-2147483643"_s << -2147483643;
        QTest::newRow("system colour, hex") << u"0x80000005"_s << -2147483643;
        QTest::newRow("hex above 32 bits") << u"0x100000000"_s << fallback;
        QTest::newRow("0x alone") << u"0x"_s << fallback;
        QTest::newRow("dollar alone") << u"$"_s << fallback;
        QTest::newRow("word") << u"yes"_s << fallback;
        QTest::newRow("trailing garbage") << u"12abc"_s << fallback;
        QTest::newRow("sign alone") << u"-"_s << fallback;
        QTest::newRow("empty") << QString() << fallback;
    }

    void parsesIntegers()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(parseProfileInteger(text, 77), expected);
    }

    void readsBooleansAsIntegers_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("word, default on") << QByteArray("yes") << true << true;
        QTest::newRow("word, default off") << QByteArray("yes") << false << false;
        QTest::newRow("2 is on") << QByteArray("2") << false << true;
        QTest::newRow("0 is off") << QByteArray("0") << true << false;
        QTest::newRow("hex is on") << QByteArray("0xFF") << false << true;
    }

    void readsBooleansAsIntegers()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        IniFile ini(writeFile("[Form]\r\nCh8=" + stored + "\r\n"));
        QCOMPARE(ini.readBool(u"Form", u"Ch8", defaultValue), expected);
        QCOMPARE(ini.readBool(u"Form", u"Missing", defaultValue), defaultValue);
    }

    void readsTrimmedUnquotedValuesIgnoringCase()
    {
        IniFile ini(writeFile(Cp1251::encode(u"Top=1\n"
                                              "  [ fOrM ]  \n"
                                              "  TOP  =  162 \t\n"
                                              "Name = \" quoted \"\n"
                                              "Mixed='a\"\n"
                                              "Вася=Василий\n"
                                              "[Form]\n"
                                              "Left=5")));
        QCOMPARE(ini.readInteger(u"Form", u"top", 0), 162);
        QCOMPARE(ini.readString(u"FORM", u"name"), u" quoted "_s);
        QCOMPARE(ini.readString(u"Form", u"Mixed"), u"'a\""_s);
        QCOMPARE(ini.readString(u"Form", u"ВАСЯ"), u"Василий"_s);
        // The first of two equal sections counts; a missing file reads defaults.
        QCOMPARE(ini.readInteger(u"Form", u"Left", -1), -1);
        QCOMPARE(IniFile(m_dir.filePath(u"none.ini"_s)).readString(u"Form", u"Top", u"d"_s), u"d"_s);
    }

    void cutsLongValues()
    {
        QString text;
        for (int i = 0; i < 3000; ++i)
            text += QChar(u'a' + i % 26);
        IniFile(m_path).writeString(u"AutoAnswer", u"Text", text);
        QCOMPARE(IniFile(m_path).readString(u"AutoAnswer", u"Text"), text.left(2047));
    }

    void keepsOtherLinesOnWrite()
    {
        writeFile("Orphan=1\n; settings\r\n[Form]\nTop = 162 \nLeft=221\n; trailing comment\n\n"
                  "[Other]\nForeign=x");
        IniFile ini(m_path);
        ini.writeInteger(u"Form", u"Top", 162);
        ini.writeInteger(u"form", u"LEFT", 300);
        ini.writeInteger(u"Form", u"Width", 440);
        ini.writeString(u"ChatForm", u"Login", u"nick"_s);
        // Every line ends in CR LF once written, the untouched ones too.
        QCOMPARE(fileBytes(), QByteArray("Orphan=1\r\n; settings\r\n[Form]\r\nTop = 162 \r\nLeft=300\r\n"
                                         "Width=440\r\n; trailing comment\r\n\r\n[Other]\r\nForeign=x\r\n"
                                         "[ChatForm]\r\nLogin=nick\r\n"));
        QVERIFY(!ini.valueExists(u"", u"Orphan"));
    }

    void deletesKeysAndSections()
    {
        writeFile("[A]\r\nx=1\r\n;c\r\ny=2\r\nX=3\r\n[B]\r\nz=1\r\n[a]\r\nw=1\r\n");
        IniFile ini(m_path);
        ini.deleteKey(u"a", u"x");
        QCOMPARE(fileBytes(), QByteArray("[A]\r\n;c\r\ny=2\r\n[B]\r\nz=1\r\n[a]\r\nw=1\r\n"));
        ini.eraseSection(u"A");
        QCOMPARE(fileBytes(), QByteArray("[B]\r\nz=1\r\n"));

        IniFile missing(m_dir.filePath(u"missing.ini"_s));
        missing.deleteKey(u"B", u"z");
        missing.eraseSection(u"B");
        QVERIFY(!QFile::exists(missing.path()));
    }

    void listsKeysAndSections()
    {
        IniFile ini(writeFile("k=0\n[Aliases]\nPC2=Bob\n;PC9=x\nPC1=Ann\npc2=dup\n[Empty]\n[aliases]\nPC3=Z\n"));
        QCOMPARE(ini.readSection(u"ALIASES"), (QStringList{u"PC2"_s, u"PC1"_s}));
        QCOMPARE(ini.readSections(), (QStringList{u"Aliases"_s, u"Empty"_s}));
        QVERIFY(ini.sectionExists(u"empty"));
        QVERIFY(!ini.sectionExists(u"Form"));
        QVERIFY(ini.valueExists(u"Aliases", u"pc1"));
        QVERIFY(!ini.valueExists(u"Aliases", u"PC9"));
    }

    void storesCyrillicAsCp1251WithCrLf()
    {
        IniFile(m_path).writeString(u"AutoAnswer", u"Text", u"Абонент временно отсутствует! €😀"_s);
        QCOMPARE(IniFile(m_path).readString(u"autoanswer", u"TEXT"),
                 u"Абонент временно отсутствует! €?"_s);
        QCOMPARE(fileBytes(), "[AutoAnswer]\r\nText=\xC0\xE1\xEE\xED\xE5\xED\xF2 \xE2\xF0\xE5\xEC\xE5\xED\xED\xEE "
                              "\xEE\xF2\xF1\xF3\xF2\xF1\xF2\xE2\xF3\xE5\xF2! \x88?\r\n"_ba);
    }

    void valuesReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("outer blanks") << u"  two  "_s;
        QTest::newRow("double quoted") << u"\"word\""_s;
        QTest::newRow("single quoted") << u"'word'"_s;
        QTest::newRow("one quote") << u"\""_s;
        QTest::newRow("empty") << QString();
    }

    void valuesReadBackAsWritten()
    {
        QFETCH(QString, value);
        IniFile ini(m_path);
        ini.writeString(u"S", u"k", value);
        QCOMPARE(ini.readString(u"S", u"k", u"default"_s), value);
    }

    // Files edited elsewhere end their lines in every way; a write must never
    // glue a new key onto a line the next read sees differently.
    void writesReadBackInEveryFileShape_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("lone CR at the end") << "[Form]\r\nCh15=1\r"_ba << QStringList{u"Ch15"_s, u"Width"_s};
        QTest::newRow("lone CR line ends") << "[Form]\rCh15=1\rTop=5"_ba
                                           << QStringList{u"Ch15"_s, u"Top"_s, u"Width"_s};
        QTest::newRow("CR CR LF") << "[Form]\r\nCh15=1\r\r\n"_ba << QStringList{u"Ch15"_s, u"Width"_s};
        QTest::newRow("LF only") << "[Form]\nCh15=1\n"_ba << QStringList{u"Ch15"_s, u"Width"_s};
        QTest::newRow("no end at all") << "[Form]\r\nCh15=1"_ba << QStringList{u"Ch15"_s, u"Width"_s};
        QTest::newRow("empty file") << QByteArray() << QStringList{u"Width"_s};
    }

    void writesReadBackInEveryFileShape()
    {
        QFETCH(QByteArray, original);
        QFETCH(QStringList, keys);
        writeFile(original);
        IniFile(m_path).writeInteger(u"Form", u"Width", 500);
        IniFile(m_path).writeString(u"Form", u"FontName", u"MS Sans Serif"_s);
        keys.append(u"FontName"_s);

        const IniFile ini(m_path);
        QCOMPARE(ini.readInteger(u"Form", u"Width", 0), 500);
        QCOMPARE(ini.readString(u"Form", u"FontName"), u"MS Sans Serif"_s);
        QCOMPARE(ini.readSection(u"Form"), keys);
        if (keys.contains(u"Ch15"_s))
            QCOMPARE(ini.readString(u"Form", u"Ch15"), u"1"_s);
        // A second write through the file as it now is changes only its own line.
        IniFile(m_path).writeInteger(u"Form", u"Width", 501);
        QCOMPARE(ini.readInteger(u"Form", u"Width", 0), 501);
        QCOMPARE(ini.readSection(u"Form"), keys);

        // Read as Windows instances read it: a line ends at LF only, so a CR
        // left alone would join two keys on one line there.
        const QByteArray bytes = fileBytes();
        QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QVERIFY(bytes.endsWith("\r\n"));
        QStringList lfKeys;
        for (const QByteArray &line : bytes.split('\n')) {
            if (line.contains('='))
                lfKeys.append(QString::fromLatin1(line.left(line.indexOf('='))));
        }
        QCOMPARE(lfKeys, keys);
    }

    // The mail password makes a new file the owner's alone; a file that exists
    // keeps the mode its owner chose, whatever is written to it.
    void fileWithThePasswordIsPrivate()
    {
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const QString plain = m_dir.filePath(u"plain.ini"_s);
        IniFile(plain).writeString(u"Form", u"Top", u"1"_s);

        IniFile secret(m_path);
        secret.beginBatch();
        secret.writeString(u"smtp", u"server", u"mail.example.org"_s);
        secret.writeString(u"SMTP", u"Pass", u"s3cret"_s);
        secret.commitBatch();
        QCOMPARE(QFile::permissions(m_path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), ownerOnly);

        // An existing file keeps its mode, wider or narrower.
        const QFileDevice::Permissions wide = ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(plain, wide));
        IniFile(plain).writeString(u"smtp", u"pass", u"s3cret"_s);
        QCOMPARE(QFile::permissions(plain) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), wide);
        QVERIFY(QFile::setPermissions(m_path, ownerOnly | QFileDevice::ReadGroup));
        IniFile(m_path).writeString(u"Form", u"Top", u"2"_s);
        QCOMPARE(QFile::permissions(m_path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 ownerOnly | QFileDevice::ReadGroup);
    }

    void refusesNamesThatWouldNotReadBack()
    {
        IniFile ini(m_path);
        // A line break must not smuggle a section or key into the file.
        ini.writeString(u"Aliases", u"PC1", u"Bob\r\n[Form]\nCh9=0"_s);
        QCOMPARE(ini.readString(u"Aliases", u"PC1"), u"Bob [Form] Ch9=0"_s);
        QVERIFY(!ini.sectionExists(u"Form"));

        const QByteArray before = fileBytes();
        for (const auto &key : {u"a=b"_s, u"[Form]"_s, u";x"_s, u"a\nb"_s, u" "_s})
            QVERIFY_THROWS_EXCEPTION(IniWriteError, ini.writeString(u"Aliases", key, u"x"_s));
        QVERIFY_THROWS_EXCEPTION(IniWriteError, ini.writeString(u"A]B", u"k", u"x"_s));
        QCOMPARE(fileBytes(), before);
    }

    void refusedWriteThrowsAndKeepsFile()
    {
        const QDir folder(m_dir.filePath(u"refused"_s));
        QVERIFY(folder.mkpath(u"."_s));
        const QString inMissingFolder = folder.filePath(u"no/such/Zavolin.ini"_s);
        try {
            IniFile(inMissingFolder).writeBool(u"Form", u"Ch1", true);
            QFAIL("no exception");
        } catch (const IniWriteError &error) {
            QCOMPARE(QString::fromUtf8(error.what()), u"Unable to write to "_s + inMissingFolder);
        }
        QVERIFY(!folder.exists(u"no"_s));

        QVERIFY(folder.mkdir(u"folder.ini"_s));
        QVERIFY_THROWS_EXCEPTION(IniWriteError,
                                 IniFile(folder.filePath(u"folder.ini"_s)).writeInteger(u"F", u"k", 1));
        QVERIFY(QFileInfo(folder.filePath(u"folder.ini"_s)).isDir());
        // No temporary file may be left behind.
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // Reads come from the parsed file as long as the file on disk is the same;
    // any change to it, however made, is seen by the very next read.
    void readsParseOnceAndSeeEveryChange()
    {
        writeFile("[Form]\r\nTop=1\r\n[Aliases]\r\nPC2=Bob\r\n");
        const quint64 before = IniFile::parseCount();
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(IniFile(m_path).readInteger(u"Form", u"Top", 0), 1);
            QCOMPARE(IniFile(m_path).readString(u"aliases", u"pc2"), u"Bob"_s);
        }
        QCOMPARE(IniFile::parseCount() - before, 1u);

        // Edited in place at once: same size, same file.
        {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(12));
            QCOMPARE(file.write("2"), 1);
        }
        QCOMPARE(IniFile(m_path).readInteger(u"Form", u"Top", 0), 2);

        // Replaced by another program through a temporary file.
        const QString other = m_path + u".new"_s;
        {
            QFile file(other);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Form]\r\nTop=3\r\n[Aliases]\r\nPC2=Ann\r\n");
        }
        QVERIFY(::rename(QFile::encodeName(other).constData(), QFile::encodeName(m_path).constData()) == 0);
        QCOMPARE(IniFile(m_path).readInteger(u"Form", u"Top", 0), 3);
        QCOMPARE(IniFile(m_path).readString(u"Aliases", u"PC2"), u"Ann"_s);

        // Deleted, and written anew.
        QVERIFY(QFile::remove(m_path));
        QCOMPARE(IniFile(m_path).readInteger(u"Form", u"Top", 0), 0);
        writeFile("[Form]\r\nTop=4\r\n");
        QCOMPARE(IniFile(m_path).readInteger(u"Form", u"Top", 0), 4);
        QVERIFY(!IniFile(m_path).valueExists(u"Aliases", u"PC2"));

        // Our own writes are seen by readers of every other object, too.
        const IniFile reader(m_path);
        IniFile(m_path).writeString(u"Aliases", u"PC9", u"Шеф"_s);
        QCOMPARE(reader.readString(u"Aliases", u"pc9"), u"Шеф"_s);
        QCOMPARE(reader.readSections(), (QStringList{u"Form"_s, u"Aliases"_s}));
    }

    // Many keys in one file, looked up by every spelling of their names.
    void manyKeysAreFoundIgnoringCase()
    {
        QByteArray content = "[Aliases]\r\n";
        for (int i = 0; i < 2000; ++i)
            content += "PC-" + QByteArray::number(i) + "=name " + QByteArray::number(i) + "\r\n";
        content += Cp1251::encode(u"Вася=Василий\r\n[aliases]\r\nPC-5=second\r\n"_s);
        writeFile(content);
        const IniFile ini(m_path);
        QCOMPARE(ini.readString(u"ALIASES", u"pc-1999"), u"name 1999"_s);
        QCOMPARE(ini.readString(u"Aliases", u" PC-0 "), u"name 0"_s);
        QCOMPARE(ini.readString(u"Aliases", u"PC-5"), u"name 5"_s);
        QCOMPARE(ini.readString(u"Aliases", u"вАСЯ"), u"Василий"_s);
        QCOMPARE(ini.readString(u"Aliases", u"PC-2000", u"none"_s), u"none"_s);
        IniFile(m_path).deleteKey(u"Aliases", u"pc-7");
        QVERIFY(!ini.valueExists(u"Aliases", u"PC-7"));
        QCOMPARE(ini.readString(u"Aliases", u"PC-8"), u"name 8"_s);
    }

    void batchWritesTheFileOnce()
    {
        const QByteArray original = "; mine\r\n[Form]\r\nTop=1\r\nMusic=ring.wav\r\n";
        writeFile(original);
        IniFile ini(m_path);
        ini.beginBatch();
        for (int number = 1; number <= 21; ++number)
            ini.writeBool(u"Form", u"Ch"_s + QString::number(number), number % 2);
        ini.writeInteger(u"Form", u"Top", 7);
        ini.deleteKey(u"Form", u"Music");
        QVERIFY_THROWS_EXCEPTION(IniWriteError, ini.writeString(u"Form", u"a=b", u"x"_s));
        // Nothing reaches the file before the commit, and reads see the file.
        QCOMPARE(fileBytes(), original);
        QCOMPARE(ini.readInteger(u"Form", u"Top", 0), 1);
        const QFileInfo before(m_path);
        ini.commitBatch();
        QByteArray expected = "; mine\r\n[Form]\r\nTop=7\r\n";
        for (int number = 1; number <= 21; ++number)
            expected += "Ch" + QByteArray::number(number) + (number % 2 ? "=1\r\n" : "=0\r\n");
        QCOMPARE(fileBytes(), expected);
        QCOMPARE(ini.readInteger(u"Form", u"Top", 0), 7);

        // After the commit, writes go straight to the file again.
        ini.writeInteger(u"Form", u"Top", 8);
        QCOMPARE(IniFile(m_path).readInteger(u"Form", u"Top", 0), 8);

        // A batch dropped before its commit writes nothing.
        const QByteArray now = fileBytes();
        {
            IniFile dropped(m_path);
            dropped.beginBatch();
            dropped.writeInteger(u"Form", u"Top", 9);
        }
        QCOMPARE(fileBytes(), now);
    }

    // A write that fails halfway (here: the disk refuses more bytes) must leave
    // the old file as it was, not a part of the new one.
    void failedBatchLeavesTheOldFileWhole()
    {
        const QByteArray original = "[Form]\r\nTop=1\r\n";
        writeFile(original);
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 256;
        const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        IniFile ini(m_path);
        ini.beginBatch();
        for (int i = 0; i < 20; ++i)
            ini.writeString(u"AutoAnswer", QString::number(i), QString(40, u'x'));
        QString message;
        try {
            ini.commitBatch();
        } catch (const IniWriteError &error) {
            message = QString::fromUtf8(error.what());
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);
        QCOMPARE(message, u"Unable to write to "_s + m_path);
        QCOMPARE(fileBytes(), original);
        QCOMPARE(IniFile(m_path).readInteger(u"Form", u"Top", 0), 1);
        QVERIFY(!IniFile(m_path).sectionExists(u"AutoAnswer"));
        QCOMPARE(QDir(m_dir.path()).entryList({QFileInfo(m_path).fileName() + u'*'}, QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(m_path).fileName()});
    }

    void unreadableOrReadOnlyFileIsNotOverwritten()
    {
        if (geteuid() == 0)
            QSKIP("root writes and reads regardless of permissions");
        const QByteArray original = "[Form]\r\nTop=1\r\nLeft=2\r\n";
        IniFile ini(writeFile(original));

        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner));
        QVERIFY_THROWS_EXCEPTION(IniWriteError, ini.writeInteger(u"Form", u"Top", 5));
        ini.deleteKey(u"Form", u"Top");
        QCOMPARE(fileBytes(), original);

        // Taking an unreadable file for an empty one would wipe it on save.
        QVERIFY(QFile::setPermissions(m_path, QFile::WriteOwner));
        QVERIFY_THROWS_EXCEPTION(IniWriteError, ini.writeInteger(u"Form", u"Top", 5));
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(fileBytes(), original);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
