#include "Cp1251.h"
#include "HistoryLog.h"
#include "SystemFormats.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The history file is read by people and by programs that split it at its
// rule lines, so whatever a peer sends must stay inside its own entry.
class TestHistoryLog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    const QDateTime m_moment{QDate(2026, 12, 7), QTime(9, 5, 3)};

    QByteArray rule() const { return "//" + QByteArray(69, '-'); }
    QByteArray stamp() const { return "[" + Cp1251::encode(SystemFormats::dateTime(m_moment)) + "] "; }

    QByteArray logBytes() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Lines as any viewer splits them: at CR LF, a lone CR or a lone LF.
    static QList<QByteArray> viewerLines(const QByteArray &bytes)
    {
        QList<QByteArray> lines;
        for (const QString &line : QString::fromLatin1(bytes).split(QRegularExpression(u"\r\n|\r|\n"_s)))
            lines.append(line.toLatin1());
        return lines;
    }

    void write(const QString &text, const QString &from, const QString &to = u"ME"_s)
    {
        QCOMPARE(HistoryLog(m_path).write(text, from, to, m_moment), HistoryLog::Result::Written);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        static int run = 0;
        m_path = m_dir.filePath(u"Log-%1.txt"_s.arg(++run));
    }

    void forgedEntriesStayInsideTheirOwn_data()
    {
        const QString forged = u"[01.01.2000 00:00:00] BOSS --> EVERYONE"_s;
        const QString ruleText = u"//"_s + QString(69, u'-');
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("name with CR LF") << u"hi"_s << u"PC2\r\n"_s + ruleText + u"\r\n"_s + forged << u"ME"_s;
        QTest::newRow("name with LF, recipient with CR") << u"hi"_s << u"PC2\n"_s + forged << u"ME\r"_s + forged;
        QTest::newRow("text, CR LF") << u"hello\r\n"_s + ruleText + u"\r\n"_s + forged + u"\r\nobey"_s
                                     << u"PC2"_s << u"ME"_s;
        QTest::newRow("text, LF only") << u"hello\n"_s + ruleText + u"\n"_s + forged << u"PC2"_s << u"ME"_s;
        QTest::newRow("text, lone CR") << u"hello\r"_s + ruleText + u"\r"_s + forged << u"PC2"_s << u"ME"_s;
        QTest::newRow("text starting with the rule") << ruleText + u"\r\n"_s + forged << u"PC2"_s << u"ME"_s;
        QTest::newRow("text that is the rule") << ruleText << u"PC2"_s << u"ME"_s;
    }

    void forgedEntriesStayInsideTheirOwn()
    {
        QFETCH(QString, text);
        QFETCH(QString, from);
        QFETCH(QString, to);
        write(u"before"_s, u"PC1"_s);
        write(text, from, to);
        write(u"after"_s, u"PC3"_s);

        const QList<QByteArray> lines = viewerLines(logBytes());
        QCOMPARE(lines.count(rule()), 3);
        // Each rule line is followed by a genuine header, and the entry in the
        // middle still ends just before the last one.
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i] == rule())
                QVERIFY(i + 1 < lines.size() && lines[i + 1].startsWith(stamp()));
        }
        QCOMPARE(lines.mid(lines.size() - 4), (QList<QByteArray>{rule(), stamp() + "PC3 --> ME", "after", ""}));
    }

    void entriesAreWrittenExactly()
    {
        const QByteArray ruleText = rule();
        write(u"hello\r\n"_s + QString::fromLatin1(ruleText) + u"\r\n[01.01.2000 00:00:00] BOSS"_s,
              u"PC2\r\n\tX"_s, u"M"_s + QChar(1) + u"E"_s);
        write(u"a\0b\0"_s, u"P\0C"_s);
        // Windows peers' multi-line texts stay as they were.
        write(u"line 1\r\nline 2\r\n\r\nline 4"_s, u"PC4"_s);
        QCOMPARE(logBytes(), ruleText + "\r\n" + stamp() + "PC2   X --> M E\r\nhello\r\n " + ruleText
                                 + "\r\n[01.01.2000 00:00:00] BOSS\r\n"
                                 + ruleText + "\r\n" + stamp() + "P C --> ME\r\na b \r\n"
                                 + ruleText + "\r\n" + stamp() + "PC4 --> ME\r\nline 1\r\nline 2\r\n\r\nline 4\r\n");
    }

    // Entries kept for one write land in the order of the calls, whichever call writes them.
    void keptEntriesKeepTheirPlace_data()
    {
        QTest::addColumn<QString>("then"); // what follows two kept entries
        QTest::addColumn<QByteArrayList>("texts");
        QTest::newRow("flush") << u"flush"_s << QByteArrayList{"kept 1", "kept 2"};
        QTest::newRow("a written entry") << u"write"_s << QByteArrayList{"kept 1", "kept 2", "sent"};
        QTest::newRow("the end of a cut entry") << u"complete"_s << QByteArrayList{"cut", "kept 1", "kept 2"};
        QTest::newRow("the log's end") << u"destroy"_s << QByteArrayList{"kept 1", "kept 2"};
    }

    void keptEntriesKeepTheirPlace()
    {
        QFETCH(QString, then);
        QFETCH(QByteArrayList, texts);
        const QByteArray cutEntry = rule() + "\r\n" + stamp() + "PC0 --> ME\r\n";
        {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(then == u"complete"_s ? cutEntry + "cu" : QByteArray());
        }
        auto log = std::make_unique<HistoryLog>(m_path);
        log->writeLater(u"kept 1"_s, u"PC1"_s, u"ME"_s, m_moment);
        log->writeLater(u"kept 2"_s, u"PC1"_s, u"ME"_s, m_moment);
        QVERIFY(log->hasPending());
        QCOMPARE(logBytes(), then == u"complete"_s ? cutEntry + "cu" : QByteArray()); // nothing written yet
        if (then == u"flush"_s)
            QCOMPARE(log->flush(), HistoryLog::Result::Written);
        else if (then == u"write"_s)
            QCOMPARE(log->write(u"sent"_s, u"ME"_s, u"PC1"_s, m_moment), HistoryLog::Result::Written);
        else if (then == u"complete"_s)
            QCOMPARE(log->complete("t\r\n"), HistoryLog::Result::Written);
        log.reset();
        QList<QByteArray> found;
        const QList<QByteArray> lines = viewerLines(logBytes());
        for (qsizetype i = 0; i + 2 < lines.size(); ++i) {
            if (lines[i] == rule())
                found.append(lines[i + 2]);
        }
        QCOMPARE(found, texts);
    }

    void lookalikeRulesAreLeftAlone()
    {
        // Only a line equal to the rule is one; near misses are ordinary text.
        const QByteArray longer = rule() + "-";
        const QByteArray inside = "x" + rule();
        write(QString::fromLatin1(longer + "\r\n" + inside), u"PC2"_s);
        QCOMPARE(logBytes(), rule() + "\r\n" + stamp() + "PC2 --> ME\r\n" + longer + "\r\n" + inside + "\r\n");
    }

    // A new file, and one of ours found or made readable by others, is the owner's only.
    void historyIsTheOwnersOnly()
    {
        const auto mode = [this] { return QFile::permissions(m_path) & ~(QFile::ReadUser | QFile::WriteUser); };
        HistoryLog log(m_path);
        QCOMPARE(log.write(u"one"_s, u"PC2"_s, u"ME"_s, m_moment), HistoryLog::Result::Written);
        QCOMPARE(mode(), QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QFile::setPermissions(m_path, mode() | QFile::ReadGroup | QFile::ReadOther));
        QCOMPARE(log.write(u"two"_s, u"PC2"_s, u"ME"_s, m_moment), HistoryLog::Result::Written);
        QCOMPARE(mode(), QFile::ReadOwner | QFile::WriteOwner);
    }

    // The log keeps its file open between entries; whatever happens to the
    // path meanwhile, each entry goes where the path leads at that moment.
    void entriesFollowThePath()
    {
        const auto entryBytes = [&](const QByteArray &text) {
            return rule() + "\r\n" + stamp() + "PC2 --> ME\r\n" + text + "\r\n";
        };
        HistoryLog log(m_path);
        const auto append = [&](const QString &text) { return log.write(text, u"PC2"_s, u"ME"_s, m_moment); };
        QCOMPARE(append(u"first"_s), HistoryLog::Result::Written);

        // Removed (a user clearing the history): the next entry starts a new file.
        QVERIFY(QFile::remove(m_path));
        QCOMPARE(append(u"second"_s), HistoryLog::Result::Written);
        QCOMPARE(logBytes(), entryBytes("second"));

        // Moved away and replaced (log rotation): the old file keeps what it had.
        const QString old = m_path + u".old"_s;
        QVERIFY(QFile::rename(m_path, old));
        {
            QFile fresh(m_path);
            QVERIFY(fresh.open(QIODevice::WriteOnly));
            fresh.write("kept\r\n");
        }
        QCOMPARE(append(u"third"_s), HistoryLog::Result::Written);
        QCOMPARE(logBytes(), "kept\r\n" + entryBytes("third"));
        QFile moved(old);
        QVERIFY(moved.open(QIODevice::ReadOnly));
        QCOMPARE(moved.readAll(), entryBytes("second"));

        // A path that cannot be a file fails as an open would, and recovers.
        QVERIFY(QFile::remove(m_path));
        QVERIFY(QDir().mkdir(m_path));
        QCOMPARE(append(u"lost"_s), HistoryLog::Result::CannotCreate);
        QVERIFY(QDir().rmdir(m_path));
        QCOMPARE(append(u"fourth"_s), HistoryLog::Result::Written);
        QCOMPARE(logBytes(), entryBytes("fourth"));
    }
};

QTEST_GUILESS_MAIN(TestHistoryLog)
#include "tst_historylog.moc"
