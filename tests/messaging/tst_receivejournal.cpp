// The receive journal on disk: what one run leaves unsettled, the next gets
// back exactly; a torn last record costs only itself; a settle whose history
// entry a power cut took does not count; settled and synced records go.
#include "Cp1251.h"
#include "HistoryLog.h"
#include "HistoryTail.h"
#include "JournalFrame.h"
#include "ReceiveJournal.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A sync of a busy disk can take seconds: waited for, never timed.
constexpr int kSyncBound = 60000;

class TestReceiveJournal : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HistoryLog> m_history;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    quint64 record(ReceiveJournal &journal, const QString &text, const QString &from = u"PC-B"_s)
    {
        return journal.record(Cp1251::encode(from), Cp1251::encode(text), QHostAddress(u"10.0.0.2"_s), QString());
    }
    QStringList textsLeft()
    {
        ReceiveJournal journal(m_dir->path(), *m_history);
        QStringList texts;
        for (const ReceiveJournal::Message &message : journal.takeUnsettled())
            texts << message.text;
        return texts;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_history = std::make_unique<HistoryLog>(path(u"Log.txt"_s));
    }

    void unsettledMessagesComeBackExactly()
    {
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
        quint64 kept = 0;
        {
            ReceiveJournal journal(m_dir->path(), *m_history);
            const quint64 written = record(journal, u"записано"_s);
            kept = journal.record(Cp1251::encode(u"ПК-Ё"_s), Cp1251::encode(u"Привет\r\nмир \x98"_s),
                                  QHostAddress(u"10.0.0.3"_s), u"ab:cd"_s);
            QVERIFY(written && kept > written);
            m_history->write(u"записано"_s, u"PC-B"_s, u"ME"_s);
            journal.settle(written);
            QCOMPARE(QFile::permissions(journal.activePath()) & ~(QFile::ReadUser | QFile::WriteUser),
                     QFile::ReadOwner | QFile::WriteOwner);
            ReceiveJournal second(m_dir->path(), *m_history); // another instance on the same folder
            QVERIFY(!second.isAvailable());
            QCOMPARE(record(second, u"x"_s), 0u);
        } // ended with one message unsettled, as a crash leaves it

        ReceiveJournal journal(m_dir->path(), *m_history);
        const QList<ReceiveJournal::Message> left = journal.takeUnsettled();
        QCOMPARE(left.size(), 1);
        const ReceiveJournal::Message &message = left.first();
        QCOMPARE(message.ticket, kept);
        QCOMPARE(message.fromName, u"ПК-Ё"_s);
        QCOMPARE(message.text, u"Привет\r\nмир \x98"_s);
        QCOMPARE(message.peer, QHostAddress(u"10.0.0.3"_s));
        QCOMPARE(message.peerKey, u"ab:cd"_s);
        QVERIFY(message.arrived >= before && message.arrived <= QDateTime::currentDateTime());
        QCOMPARE(message.historyFrom, QFileInfo(path(u"Log.txt"_s)).size()); // its entry would come after
        QVERIFY(record(journal, u"later"_s) > kept);
    }

    void tornLastRecordCostsOnlyItself_data()
    {
        QTest::addColumn<int>("cut"); // bytes cut off the end; negative: that many bytes of junk added
        for (int cut : {1, 4, 9, 40, 500})
            QTest::addRow("cut %d", cut) << cut;
        QTest::addRow("junk") << -7;
    }

    void tornLastRecordCostsOnlyItself()
    {
        QFETCH(int, cut);
        QCOMPARE(JournalFrame::crc32("123456789"), 0xCBF43926u); // the standard CRC-32
        {
            ReceiveJournal journal(m_dir->path(), *m_history);
            record(journal, u"whole"_s);
            record(journal, QString(500, u'я'));
        }
        QFile file(path(u"Log.journal"_s));
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (cut > 0)
            QVERIFY(file.resize(file.size() - cut));
        else
            QVERIFY(file.seek(file.size()) && file.write(QByteArray(-cut, 'Z')) == -cut);
        file.close();
        {
            ReceiveJournal journal(m_dir->path(), *m_history);
            QCOMPARE(journal.takeUnsettled().size(), cut > 0 ? 1 : 2);
            record(journal, u"after"_s); // goes after the whole records, not after the torn one
        }
        QCOMPARE(textsLeft(), cut > 0 ? QStringList({u"whole"_s, u"after"_s})
                                      : QStringList({u"whole"_s, QString(500, u'я'), u"after"_s}));
    }

    void settledMessageWaitsAgainWhenItsEntryWasLost()
    {
        {
            ReceiveJournal journal(m_dir->path(), *m_history);
            const quint64 settled = record(journal, u"settled"_s);
            record(journal, u"waiting"_s);
            m_history->write(u"settled"_s, u"PC-B"_s, u"ME"_s);
            journal.settle(settled);
        }
        QCOMPARE(textsLeft(), QStringList({u"waiting"_s}));
        QVERIFY(QFile::resize(path(u"Log.txt"_s), 0)); // the power went before the history reached the disk
        QCOMPARE(textsLeft(), QStringList({u"settled"_s, u"waiting"_s}));
    }

    void historyTailFindsEachWrittenEntryOnceAndCompletesACutOne()
    {
        const QByteArray a = HistoryLog::entryBody(u"x"_s, u"PC-B"_s, u"ME"_s);
        m_history->write(u"x"_s, u"PC-B"_s, u"ME"_s); // before the offset asked for
        const qint64 from = m_history->end();
        const std::pair<QString, QString> written[] = {
            {u"x"_s, u"PC-B"_s}, {u"x"_s, u"PC-B"_s}, {u"x\r\nmore"_s, u"PC-C"_s}, {u"x"_s, u"ME"_s}};
        for (const auto &[text, sender] : written)
            m_history->write(text, sender, u"ME"_s);
        HistoryTail tail(path(u"Log.txt"_s), from);
        QVERIFY(tail.take(a, from));
        QVERIFY(tail.take(a, from));
        QVERIFY(!tail.take(a, from)); // the one before the offset is not it
        QVERIFY(!tail.take(HistoryLog::entryBody(u"x"_s, u"PC-C"_s, u"ME"_s), from)); // a longer text is another
        QVERIFY(tail.take(HistoryLog::entryBody(u"x\r\nmore"_s, u"PC-C"_s, u"ME"_s), from));

        // Killed while writing an entry: the system cut the write. The next
        // start completes it; cut before its names, the next entry starts a line.
        const QString text = u"длинный\r\nтекст"_s;
        const QByteArray whole = HistoryLog::entry(text, u"PC-D"_s, u"ME"_s, QDateTime::currentDateTime());
        const QByteArray body = HistoryLog::entryBody(text, u"PC-D"_s, u"ME"_s);
        QFile log(path(u"Log.txt"_s));
        QVERIFY(log.open(QIODevice::Append) && log.write(whole.first(whole.size() - 9)) > 0);
        log.close();
        HistoryTail cut(path(u"Log.txt"_s), from);
        QVERIFY(cut.missingEnd(HistoryLog::entryBody(u"длинный"_s, u"PC-C"_s, u"ME"_s), from).isEmpty());
        QCOMPARE(cut.missingEnd(body, from), whole.last(9));
        QCOMPARE(HistoryLog(path(u"Log.txt"_s)).complete(whole.last(9)), HistoryLog::Result::Written);
        QVERIFY(HistoryTail(path(u"Log.txt"_s), from).take(body, from));
        QVERIFY(log.open(QIODevice::Append) && log.write(whole.first(80)) == 80);
        log.close();
        QCOMPARE(HistoryLog(path(u"Log.txt"_s)).write(u"y"_s, u"PC-B"_s, u"ME"_s), HistoryLog::Result::Written);
        QVERIFY(HistoryTail(path(u"Log.txt"_s), from).take(HistoryLog::entryBody(u"y"_s, u"PC-B"_s, u"ME"_s), from));
    }

    void settledAndSyncedRecordsGo()
    {
        auto journal = std::make_unique<ReceiveJournal>(m_dir->path(), *m_history);
        const QString active = journal->activePath();
        journal->settle(record(*journal, u"one"_s));
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(active).size(), 0, kSyncBound);

        // Under a steady flood one file never empties: past its bound it is
        // set aside until the messages it holds are settled.
        const quint64 first = record(*journal, u"held"_s);
        for (qint64 bytes = 0; bytes < ReceiveJournal::kRotateBytes; bytes += 9999)
            journal->settle(record(*journal, QString(9999, u'a')));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(journal->oldPath()), kSyncBound);
        journal->settle(record(*journal, u"new"_s));
        journal->settle(first);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(journal->oldPath()), kSyncBound);
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(active).size(), 0, kSyncBound);

        journal->settle(record(*journal, u"two"_s));
        journal.reset(); // a clean end: nothing waits
        QVERIFY(!QFileInfo::exists(active));
    }
};

QTEST_GUILESS_MAIN(TestReceiveJournal)
#include "tst_receivejournal.moc"
