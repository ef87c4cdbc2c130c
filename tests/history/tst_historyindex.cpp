#include "CaseFold1251.h"
#include "Cp1251.h"
#include "HistoryIndex.h"
#include "HistoryLog.h"
#include "LogIndexer.h"
#include "LogScanner.h"
#include "LogStamp.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The history as the window reads it: entries split right whatever the file
// holds, searched without regard to case in both alphabets, filtered by
// contact and day, followed while it grows.
class TestHistoryIndex : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    static QByteArray rule() { return "//" + QByteArray(69, '-'); }

    void append(const QByteArray &bytes)
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::Append));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    struct Split
    {
        EntryTable entries;
        QList<QByteArray> names;
    };
    // Fed in pieces of `piece` bytes, so entries cross every kind of boundary.
    static Split scan(const QByteArray &bytes, qsizetype piece)
    {
        Split s;
        NameTable names;
        LogStamp stamps(LogStamp::Order::DayMonthYear);
        LogScanner scanner(s.entries, names, stamps);
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            scanner.feed(QByteArrayView(bytes).sliced(at, qMin(piece, bytes.size() - at)));
        scanner.finish();
        s.names = names.names();
        return s;
    }
    static QByteArray textOf(const QByteArray &bytes, const LogEntry &e)
    {
        return bytes.mid(e.start + e.textOffset, e.end - e.start - e.textOffset);
    }
    static QByteArray name(const Split &s, quint32 id) { return id == LogEntry::kNoName ? "-" : s.names.at(id); }

    // Waits for the whole file to be indexed.
    static void waitIndexed(HistoryIndex &index, qsizetype entries)
    {
        QTRY_VERIFY_WITH_TIMEOUT(index.snapshot().complete && index.snapshot().entries.size() == entries, 10000);
    }
    static QList<quint32> searchFor(HistoryIndex &index, const HistoryQuery &query)
    {
        QSignalSpy spy(&index, &HistoryIndex::searched);
        index.search(query);
        if (!spy.wait(10000))
            return {~0u};
        return spy.last().at(1).value<QList<quint32>>();
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        static int run = 0;
        m_path = m_dir.filePath(u"Log-%1.txt"_s.arg(++run));
    }

    void entriesSplitAtRuleAndHeader_data()
    {
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("windows") << QByteArray("\r\n");
        QTest::newRow("unix") << QByteArray("\n");
    }
    void entriesSplitAtRuleAndHeader()
    {
        QFETCH(QByteArray, eol);
        const QByteArray r = rule() + eol;
        const QByteArray bytes = r + "[07.12.2026 09:05:03] IVAN --> ME" + eol + "line one" + eol + "line two" + eol
                                 + r + "[07.12.2026 10:00:00] ME --> IVAN" + eol + eol  // empty text
                                 + r + "[08.12.2026 11:00:00] ME --> PETR" + eol + "last";   // no final line break
        for (qsizetype piece : {qsizetype(1), qsizetype(7), bytes.size()}) {
            const Split s = scan(bytes, piece);
            QCOMPARE(s.entries.size(), 3);
            QCOMPARE(textOf(bytes, s.entries.at(0)), "line one" + eol + "line two" + eol);
            QCOMPARE(name(s, s.entries.at(0).from), "IVAN");
            QCOMPARE(name(s, s.entries.at(1).to), "IVAN");
            QCOMPARE(textOf(bytes, s.entries.at(1)), eol);
            QCOMPARE(textOf(bytes, s.entries.at(2)), "last");
            QCOMPARE(s.entries.at(2).end, bytes.size());
            QCOMPARE(s.entries.at(0).stamp, QDate(2026, 12, 7).toJulianDay() * 86400 + 9 * 3600 + 5 * 60 + 3);
            QCOMPARE(s.entries.at(2).stamp, QDate(2026, 12, 8).toJulianDay() * 86400 + 11 * 3600);
        }
    }

    // Whatever is broken is shown as text and never swallows the entries around it.
    void malformedEntriesKeepTheirNeighbours()
    {
        const QByteArray r = rule() + "\r\n";
        const QByteArray bytes = "stray text before any entry\r\n"
                                 + r + "[07.12.2026 09:00:00] A --> ME\r\n" + "before\r\n" + r + "not a header\r\nafter\r\n"
                                 + r + r + "[07.12.2026 09:01:00] B --> ME\r\nnul\0inside\r\n"_ba
                                 + r + "[garbage] C --> ME\r\nundated\r\n"
                                 + r + "[07.12.2026 09:02:00] D --> ME\r\n"   // text line missing
                                 + r;                                          // a rule alone at the end
        const Split s = scan(bytes, 5);
        QCOMPARE(s.entries.size(), 5);
        QVERIFY(!s.entries.at(0).hasHeader());
        QCOMPARE(textOf(bytes, s.entries.at(0)), "stray text before any entry\r\n");
        QCOMPARE(name(s, s.entries.at(1).from), "A");
        // The forged rule stays text of A's entry, and so does the rule before B's.
        QCOMPARE(textOf(bytes, s.entries.at(1)), "before\r\n" + r + "not a header\r\nafter\r\n" + r);
        QCOMPARE(name(s, s.entries.at(2).from), "B");
        QCOMPARE(textOf(bytes, s.entries.at(2)), "nul\0inside\r\n"_ba);
        QCOMPARE(name(s, s.entries.at(3).from), "C");
        QCOMPARE(s.entries.at(3).stamp, LogEntry::kNoStamp);
        QCOMPARE(name(s, s.entries.at(4).from), "D");
        QCOMPARE(textOf(bytes, s.entries.at(4)), r);
        for (qsizetype i = 1; i < s.entries.size(); ++i)
            QCOMPARE(s.entries.at(i).start, s.entries.at(i - 1).end);
    }

    void stampFollowsTheDateOrder()
    {
        QCOMPARE(LogStamp::orderOf(u"dd.MM.yyyy"_s), LogStamp::Order::DayMonthYear);
        QCOMPARE(LogStamp::orderOf(u"M/d/yy"_s), LogStamp::Order::MonthDayYear);
        QCOMPARE(LogStamp::orderOf(u"yyyy-MM-dd"_s), LogStamp::Order::YearMonthDay);
        const qint64 day = QDate(2026, 3, 4).toJulianDay() * 86400;
        QCOMPARE(LogStamp(LogStamp::Order::DayMonthYear).parse("04.03.2026 13:14:15"), day + 13 * 3600 + 14 * 60 + 15);
        QCOMPARE(LogStamp(LogStamp::Order::MonthDayYear).parse("3/4/26 1:14:15 PM"), day + 13 * 3600 + 14 * 60 + 15);
        QCOMPARE(LogStamp(LogStamp::Order::MonthDayYear).parse("3/4/26 12:00:00 AM"), day);
        QCOMPARE(LogStamp(LogStamp::Order::DayMonthYear).parse("2026-03-04 00:00:01"), day + 1);
        QCOMPARE(LogStamp(LogStamp::Order::DayMonthYear).parse("4 Mar 2026 00:00:02"), day + 2);
        QCOMPARE(LogStamp(LogStamp::Order::YearMonthDay).parse("2026 Mar 4 00:00:02"), day + 2);
        QCOMPARE(LogStamp(LogStamp::Order::DayMonthYear).parse("31.02.2026 10:00:00"), LogEntry::kNoStamp);
    }

    void caseFoldsBothAlphabets()
    {
        QCOMPARE(Cp1251::decode(CaseFold1251::folded(Cp1251::encode(u"ПРИВЕТ Ёлка Hello ЇЄІ"_s))),
                 u"привет ёлка hello їєі"_s);
        QCOMPARE(HistorySearch::needle(u"Мир"_s), Cp1251::encode(u"мир"_s));
        QVERIFY(HistorySearch::needle(u"日本"_s).isNull());
    }

    // Written by the program's own history writer, read back and searched.
    void searchesAndFilters()
    {
        HistoryLog log(m_path);
        const QDateTime monday(QDate(2026, 11, 2), QTime(9, 0));
        QCOMPARE(log.write(u"Привет, Иван! Встреча в ПЯТНИЦУ."_s, u"ME"_s, u"Иван"_s, monday), HistoryLog::Result::Written);
        QCOMPARE(log.write(u"привет, как дела?\r\nВторая строка"_s, u"Иван"_s, u"ME"_s, monday.addDays(1)),
                 HistoryLog::Result::Written);
        QCOMPARE(log.write(u"Release notes ready"_s, u"PETR"_s, u"ME"_s, monday.addDays(10)), HistoryLog::Result::Written);
        QCOMPARE(log.write(u"RELEASE tomorrow, пятница"_s, u"ME"_s, u"PETR"_s, monday.addDays(20)),
                 HistoryLog::Result::Written);
        append("not an entry at all\r\n");

        HistoryIndex index(m_path);
        index.start();
        waitIndexed(index, 4);

        QCOMPARE(searchFor(index, {u"ПРИВЕТ"_s, {}, {}, {}}), (QList<quint32>{0, 1}));
        QCOMPARE(searchFor(index, {u"пятниц"_s, {}, {}, {}}), (QList<quint32>{0, 3}));
        QCOMPARE(searchFor(index, {u"release"_s, {}, {}, {}}), (QList<quint32>{2, 3}));
        QCOMPARE(searchFor(index, {u"вторая"_s, {}, {}, {}}), (QList<quint32>{1}));
        // The loose line after the last entry is part of its text, and found.
        QCOMPARE(searchFor(index, {u"AN ENTRY"_s, {}, {}, {}}), (QList<quint32>{3}));
        QCOMPARE(searchFor(index, {u"absent"_s, {}, {}, {}}), QList<quint32>{});
        QCOMPARE(searchFor(index, {u"日本"_s, {}, {}, {}}), QList<quint32>{});
        QCOMPARE(searchFor(index, {{}, u"Иван"_s, {}, {}}), (QList<quint32>{0, 1}));
        QCOMPARE(searchFor(index, {u"release"_s, u"Иван"_s, {}, {}}), QList<quint32>{});
        QCOMPARE(searchFor(index, {{}, {}, QDate(2026, 11, 3), QDate(2026, 11, 12)}), (QList<quint32>{1, 2}));
        QCOMPARE(searchFor(index, {u"привет"_s, {}, QDate(2026, 11, 3), {}}), (QList<quint32>{1}));

        const HistoryRecord second = index.read(index.snapshot(), 1);
        QVERIFY(second.hasHeader);
        QCOMPARE(second.from, u"Иван"_s);
        QCOMPARE(second.to, u"ME"_s);
        QCOMPARE(second.text, u"привет, как дела?\nВторая строка"_s);
        QCOMPARE(index.read(index.snapshot(), 3).text, u"RELEASE tomorrow, пятница\nnot an entry at all"_s);
    }

    void followsAppendsAndReplacement()
    {
        HistoryLog log(m_path);
        QCOMPARE(log.write(u"first"_s, u"A"_s, u"ME"_s), HistoryLog::Result::Written);
        HistoryIndex index(m_path);
        index.start();
        waitIndexed(index, 1);
        QCOMPARE(searchFor(index, {u"second"_s, {}, {}, {}}), QList<quint32>{});

        // A query that is open gets the new entry without being asked again.
        QSignalSpy searched(&index, &HistoryIndex::searched);
        QCOMPARE(log.write(u"Second Ёжик"_s, u"B"_s, u"ME"_s), HistoryLog::Result::Written);
        index.checkForChanges();
        waitIndexed(index, 2);
        QTRY_VERIFY(!searched.isEmpty() && searched.last().at(1).value<QList<quint32>>() == QList<quint32>{1});
        QCOMPARE(index.read(index.snapshot(), 1).text, u"Second Ёжик"_s);

        // Bytes of an entry still being written join it when the rest comes.
        append("more of the second\r\n");
        index.checkForChanges();
        QTRY_COMPARE(index.read(index.snapshot(), 1).text, u"Second Ёжик\nmore of the second"_s);
        QCOMPARE(index.snapshot().entries.size(), 2);

        // A shorter file is a new file: indexed from its start.
        QFile::remove(m_path);
        QCOMPARE(HistoryLog(m_path).write(u"fresh"_s, u"C"_s, u"ME"_s), HistoryLog::Result::Written);
        index.checkForChanges();
        QTRY_VERIFY(index.snapshot().entries.size() == 1 && index.read(index.snapshot(), 0).text == u"fresh"_s);

        // A longer file moved into its place is read as the new file it is.
        const QString other = m_path + u".new"_s;
        {
            HistoryLog next(other);
            QCOMPARE(next.write(u"replacement one, longer than before"_s, u"D"_s, u"ME"_s), HistoryLog::Result::Written);
            QCOMPARE(next.write(u"replacement two"_s, u"D"_s, u"ME"_s), HistoryLog::Result::Written);
        }
        QVERIFY(QFile::remove(m_path));
        QVERIFY(QFile::rename(other, m_path));
        index.checkForChanges();
        QTRY_VERIFY(index.snapshot().entries.size() == 2
                    && index.read(index.snapshot(), 0).text == u"replacement one, longer than before"_s);
    }

    // The newest entries come first from the tail of a big file, then all.
    void newestEntriesComeFirst()
    {
        QByteArray bytes;
        const int count = 8000;
        for (int i = 0; i < count; ++i)
            bytes += HistoryLog::entry(u"message %1 текст"_s.arg(i), u"A"_s, u"ME"_s, QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
        append(bytes);
        QVERIFY(bytes.size() > LogIndexer::kTailBytes);

        HistoryIndex index(m_path);
        QSignalSpy changed(&index, &HistoryIndex::changed);
        QList<bool> completeness;
        QList<QString> lastTexts;
        connect(&index, &HistoryIndex::changed, this, [&] {
            completeness << index.snapshot().complete;
            const HistorySnapshot &s = index.snapshot();
            lastTexts << index.read(s, s.entries.size() - 1).text;
        });
        index.start();
        waitIndexed(index, count);
        QCOMPARE(completeness.first(), false);
        QCOMPARE(completeness.last(), true);
        QCOMPARE(lastTexts.first(), u"message %1 текст"_s.arg(count - 1));
        QCOMPARE(index.read(index.snapshot(), 0).text, u"message 0 текст"_s);
        QCOMPARE(searchFor(index, {u"MESSAGE 7999 ТЕКСТ"_s, {}, {}, {}}), (QList<quint32>{quint32(count - 1)}));
    }

    void missingFileIsEmpty()
    {
        HistoryIndex index(m_dir.filePath(u"none/Log.txt"_s));
        index.start();
        QTRY_VERIFY(index.snapshot().complete);
        QCOMPARE(index.snapshot().entries.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHistoryIndex)
#include "tst_historyindex.moc"
