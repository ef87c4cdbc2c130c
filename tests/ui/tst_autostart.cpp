#include "Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A reader written from the desktop entry rules, independent of the writer:
// string escapes first, then the quoting of Exec arguments.
QString unescapeString(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != u'\\' || i + 1 == value.size()) {
            out += value.at(i);
            continue;
        }
        const QChar next = value.at(++i);
        if (next == u's') out += u' ';
        else if (next == u'n') out += u'\n';
        else if (next == u't') out += u'\t';
        else if (next == u'r') out += u'\r';
        else if (next == u'\\') out += u'\\';
        else out += QString(u'\\') + next; // not a string escape: left to the Exec rules
    }
    return out;
}

// Splits an Exec value into arguments; returns {} on a malformed line.
QStringList execArguments(const QString &exec, bool *ok)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QStringList args;
    QString current;
    bool inArgument = false;
    *ok = true;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c == u'"') {
            inArgument = true;
            for (++i;; ++i) {
                if (i >= exec.size()) {
                    *ok = false;
                    return {};
                }
                const QChar q = exec.at(i);
                if (q == u'"')
                    break;
                if (q == u'\\') {
                    if (i + 1 >= exec.size() || !QStringLiteral("\"`$\\").contains(exec.at(i + 1))) {
                        *ok = false;
                        return {};
                    }
                    current += exec.at(++i);
                } else if (q == u'%') {
                    if (i + 1 >= exec.size() || exec.at(i + 1) != u'%') {
                        *ok = false; // a field code where a file name was meant
                        return {};
                    }
                    current += exec.at(++i);
                } else {
                    current += q;
                }
            }
        } else if (c == u' ') {
            if (inArgument)
                args.append(current);
            current.clear();
            inArgument = false;
        } else {
            if (reserved.contains(c) || c == u'%') {
                *ok = false; // must have been quoted
                return {};
            }
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        args.append(current);
    return args;
}

struct Entry
{
    QString group;
    QMap<QString, QString> values;
};

Entry readEntry(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Entry entry;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        if (line.startsWith(u'[')) {
            if (entry.group.isEmpty())
                entry.group = line;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            entry.values.insert(line.left(eq), line.mid(eq + 1));
    }
    return entry;
}

QStringList execOf(const QString &path)
{
    bool ok = false;
    const QStringList args = execArguments(unescapeString(readEntry(path).values.value(QStringLiteral("Exec"))), &ok);
    return ok ? args : QStringList{QStringLiteral("<malformed>")};
}

} // namespace

class TestAutostart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enableWritesAValidEntryWithTheExactPath_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::newRow("plain") << QStringLiteral("/opt/zavolin/zavolin");
        QTest::newRow("blanks") << QStringLiteral("/home/anna/My Programs/Zavolin 2/zavolin");
        QTest::newRow("cyrillic") << QStringLiteral("/home/анна/Программы/zavolin");
        QTest::newRow("shell characters") << QStringLiteral("/tmp/a$HOME`id`;b&c|d(e)*?#~<>/zavolin");
        QTest::newRow("quotes") << QStringLiteral("/tmp/it's \"ours\"/zavolin");
        QTest::newRow("backslash") << QStringLiteral("/tmp/back\\slash/zavolin");
        QTest::newRow("percent") << QStringLiteral("/tmp/100%f/zavolin");
        QTest::newRow("tab") << QStringLiteral("/tmp/a\tb/zavolin");
    }

    void enableWritesAValidEntryWithTheExactPath()
    {
        QFETCH(QString, executable);
        QTemporaryDir dir;
        Autostart autostart(dir.path() + QStringLiteral("/autostart"));
        QVERIFY(!autostart.isEnabled());

        autostart.enable(executable);

        QVERIFY(autostart.isEnabled());
        QCOMPARE(autostart.entryPath(), dir.path() + QStringLiteral("/autostart/zavolin.desktop"));
        const Entry entry = readEntry(autostart.entryPath());
        QCOMPARE(entry.group, QStringLiteral("[Desktop Entry]"));
        QCOMPARE(entry.values.value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(entry.values.value(QStringLiteral("Name")), QStringLiteral("Zavolin"));
        QCOMPARE(entry.values.value(QStringLiteral("X-GNOME-Autostart-enabled")), QStringLiteral("true"));
        QCOMPARE(execOf(autostart.entryPath()), QStringList{executable});
    }

    void enablingAgainRewritesWithTheNewPath()
    {
        QTemporaryDir dir;
        Autostart autostart(dir.path());
        autostart.enable(QStringLiteral("/old/place/zavolin"));
        autostart.enable(QStringLiteral("/new place/zavolin"));
        QCOMPARE(execOf(autostart.entryPath()), QStringList{QStringLiteral("/new place/zavolin")});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("zavolin.desktop")});
    }

    void disableRemovesTheEntry()
    {
        QTemporaryDir dir;
        Autostart autostart(dir.path());
        autostart.disable(); // nothing there yet: harmless
        autostart.enable(QStringLiteral("/opt/zavolin/zavolin"));
        autostart.disable();
        QVERIFY(!autostart.isEnabled());
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/zavolin.desktop")));
    }

    void unwritableFolderChangesNothing_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("folder");
        // Built from files where folders should be, so that it holds for root too.
        QTest::newRow("folder is a file") << QStringLiteral("autostart") << QStringLiteral("autostart");
        QTest::newRow("parent is a file") << QStringLiteral("config") << QStringLiteral("config/autostart");
        QTest::newRow("entry is a folder") << QString() << QStringLiteral("autostart");
    }

    void unwritableFolderChangesNothing()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        if (blocker.isEmpty()) {
            QVERIFY(QDir(dir.path()).mkpath(folder + QStringLiteral("/zavolin.desktop")));
        } else {
            QFile file(dir.filePath(blocker));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep");
        }

        Autostart autostart(dir.filePath(folder));
        autostart.enable(QStringLiteral("/opt/zavolin/zavolin"));

        if (!blocker.isEmpty()) {
            QVERIFY(!autostart.isEnabled());
            QFile file(dir.filePath(blocker));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("keep"));
        } else {
            QVERIFY(!autostart.isEnabled());
            QVERIFY(QFileInfo(autostart.entryPath()).isDir());
            // No temporary file left behind by the failed write.
            QCOMPARE(QDir(dir.filePath(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList{QStringLiteral("zavolin.desktop")});
        }
    }

    void defaultFolderFollowsXdgConfigHome()
    {
        QTemporaryDir dir;
        const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        Autostart autostart;
        autostart.enable(QStringLiteral("/opt/zavolin/zavolin"));
        if (wasSet)
            qputenv("XDG_CONFIG_HOME", saved);
        else
            qunsetenv("XDG_CONFIG_HOME");

        QCOMPARE(autostart.entryPath(), dir.path() + QStringLiteral("/autostart/zavolin.desktop"));
        QVERIFY(QFile::exists(autostart.entryPath()));
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
