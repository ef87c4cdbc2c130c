#include "HistoryLog.h"
#include "IncomingBatch.h"
#include "IncomingEntry.h"
#include "IncomingRenderer.h"
#include "ReceiveAnnouncement.h"
#include "IncomingView.h"
#include "MessageReceiver.h"
#include "OptionsStore.h"
#include "ReceiveHost.h"
#include "SmileyPictures.h"
#include "SmileyTable.h"
#include "Cp1251.h"
#include "SystemFormats.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

namespace {

// Counts the pictures the view has to load: each should be loaded once, not once per message.
class CountingDocument : public QTextDocument
{
public:
    QStringList loaded;

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        loaded << name.toString();
        return QTextDocument::loadResource(type, name);
    }
};

// Records what the receive operation asks of the window and the desktop.
class FakeHost : public ReceiveHost
{
public:
    explicit FakeHost(int maxMessages = IncomingView::kMaxMessages)
        : view(&document, maxMessages)
    {
    }

    CountingDocument document;
    IncomingView view;
    OptionsStore options;
    QHash<QString, QString> aliases;
    QStringList blacklist;
    QString answer = QStringLiteral("Абонент временно отсутствует!");
    QStringList calls;
    QList<std::function<void(bool)>> pendingReplies;
    QDateTime lastMoment;

    QString ownName() const override { return QStringLiteral("ME"); }
    QString displayName(const QString &n) const override { return aliases.value(n, n); }
    bool isBlacklisted(const QString &d) const override { return blacklist.contains(d); }
    QString autoAnswerText() const override { return answer; }
    void postReply(const QString &host, const QString &fallback, const QString &text,
                   std::function<void(bool)> done) override
    {
        calls << QStringLiteral("reply %1 %2 %3").arg(host, fallback, text);
        pendingReplies << done;
    }
    void markAutoAnswered() override { calls << QStringLiteral("hint"); }
    void writeHistory(const QString &t, const QString &f, const QString &to, const QDateTime &moment) override
    {
        calls << QStringLiteral("history %1|%2|%3").arg(t, f, to);
        lastMoment = moment;
    }
    void settle(quint64 ticket) override
    {
        if (ticket)
            calls << QStringLiteral("settle %1").arg(ticket);
    }
    void announce(const ReceiveAnnouncement &a) override
    {
        if (a.sound)
            calls << QStringLiteral("sound");
        if (a.blinkTray)
            calls << QStringLiteral("blink");
        if (a.showWindow)
            calls << QStringLiteral("show");
        if (!a.popupFor.isEmpty())
            calls << QStringLiteral("popup ") + a.popupFor;
        if (a.ringFloatingWindow)
            calls << QStringLiteral("ring");
        if (a.clearIncoming)
            view.clear();
    }
    void showIncoming(const IncomingEntry &entry) override
    {
        IncomingRenderer::render(view, entry, [this] { calls << QStringLiteral("scroll"); });
    }
    void reportReceiveError() override { calls << QStringLiteral("error"); }

    // These options on, every other off.
    void setOptions(std::initializer_list<Option> on)
    {
        for (Option option : Options::all())
            options.set(option, std::find(on.begin(), on.end(), option) != on.end());
    }

    QStringList lines() const { return document.toPlainText().split(u'\n'); }
};

// Entries as the receive operation makes them, of every shape the view shows.
IncomingEntry entryOf(const QString &from, const QString &text, bool smileys, bool scroll,
                      IncomingEntry::Kind kind = IncomingEntry::Kind::Message)
{
    IncomingEntry entry;
    entry.kind = kind;
    entry.header = QStringLiteral(">>Сообщение от  ") + from;
    entry.text = text;
    entry.smileys = smileys;
    entry.scrollToEnd = scroll;
    return entry;
}

int anchorsIn(const QTextDocument &document)
{
    int links = 0;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            links += it.fragment().charFormat().isAnchor();
    }
    return links;
}

// A shown line's runs of one format: a message is one paragraph whose lines
// are split by line separators, so lines are cut out of the fragments.
struct LinePiece {
    QString text;
    QTextCharFormat format;
};

QList<LinePiece> piecesOfLine(const QTextDocument &document, int wanted)
{
    QList<LinePiece> pieces;
    int line = 0;
    for (QTextBlock b = document.begin(); b.isValid() && line <= wanted; b = b.next(), ++line) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QStringList parts = it.fragment().text().split(QChar::LineSeparator);
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    ++line;
                if (line == wanted && !parts[i].isEmpty())
                    pieces.append({parts[i], it.fragment().charFormat()});
            }
        }
    }
    return pieces;
}

} // namespace

class TestReceive : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<MessageReceiver> m_receiver;

    void receive(const QString &from, const QString &text)
    {
        m_receiver->receive(from, text, QStringLiteral("10.0.0.2"));
    }

private Q_SLOTS:
    void init()
    {
        m_host = std::make_unique<FakeHost>();
        m_receiver = std::make_unique<MessageReceiver>(*m_host, m_host->options);
    }

    void severalEntriesAtOnceShowWhatOneAtATimeShows_data()
    {
        QTest::addColumn<QList<bool>>("scrolls");
        QTest::newRow("every one scrolls") << QList<bool>{true, true, true, true};
        QTest::newRow("only an earlier one scrolls") << QList<bool>{true, true, false, false};
        QTest::newRow("none scrolls") << QList<bool>{false, false, false, false};
    }

    void severalEntriesAtOnceShowWhatOneAtATimeShows()
    {
        QFETCH(QList<bool>, scrolls);
        // 40 links each: the limit of drawn links holds per message, not per batch.
        const QString links = QStringLiteral("www.a ").repeated(40);
        const QList<IncomingEntry> entries{
            entryOf(QStringLiteral("PC1"), QStringLiteral("a:--))b\r\nline two"), true, scrolls[0]),
            entryOf(QStringLiteral("PC2"), links, false, scrolls[1]),
            entryOf(QStringLiteral("PC3"), QString(), false, scrolls[2], IncomingEntry::Kind::MissedWhileAnswering),
            entryOf(QStringLiteral("PC4"), links + QStringLiteral(":confused:"), true, scrolls[3]),
        };
        QTextDocument single, together;
        IncomingView singleView(&single), togetherView(&together);
        int singleScrolledAt = -1, togetherScrolledAt = -1, togetherScrolls = 0;
        for (const IncomingEntry &entry : entries)
            IncomingRenderer::render(singleView, entry, [&] { singleScrolledAt = single.characterCount(); });
        together.documentLayout(); // changes are reported to a layout
        int changes = 0;
        connect(&together, &QTextDocument::contentsChange, this, [&] { ++changes; });
        IncomingRenderer::render(togetherView, entries, [&] {
            togetherScrolledAt = together.characterCount();
            ++togetherScrolls;
        });
        QCOMPARE(together.toPlainText(), single.toPlainText());
        QCOMPARE(togetherScrolledAt, singleScrolledAt); // the view ends where the last scroll left it
        QCOMPARE(togetherScrolls, singleScrolledAt < 0 ? 0 : 1);
        QCOMPARE(anchorsIn(together), 80);
        QCOMPARE(togetherView.messageCount(), 4);
        // Laid out together, not per message: before the scroll, the empty line after it, the rest.
        QVERIFY2(changes >= 1 && changes <= 3, qPrintable(QString::number(changes)));
    }

    void aBurstWaitsForOneFrameAndGoesInTogetherInOrder()
    {
        QTextDocument document;
        IncomingView view(&document);
        int scrolls = 0;
        IncomingBatch batch(view, [&] { ++scrolls; });
        document.documentLayout(); // changes are reported to a layout
        int changes = 0;
        connect(&document, &QTextDocument::contentsChange, this, [&] { ++changes; });
        for (int i = 1; i <= 5; ++i)
            batch.add(entryOf(QStringLiteral("PC%1").arg(i), QStringLiteral("text %1").arg(i), false, true));
        QVERIFY(document.isEmpty()); // nothing laid out while the burst goes on
        QTRY_COMPARE(batch.waiting(), 0);
        QStringList expected;
        for (int i = 1; i <= 5; ++i)
            expected << QStringLiteral(">>Сообщение от  PC%1").arg(i) << QStringLiteral("text %1").arg(i);
        expected << QString();
        QCOMPARE(document.toPlainText().split(u'\n'), expected);
        QCOMPARE(scrolls, 1);
        QCOMPARE(changes, 1);

        // Messages still coming: the next change waits for the next frame.
        batch.add(entryOf(QStringLiteral("PC6"), QStringLiteral("text 6"), false, true));
        batch.flush(); // what reads the view gets everything at once
        QCOMPARE(batch.waiting(), 0);
        QElapsedTimer sinceFlush;
        sinceFlush.start();
        batch.add(entryOf(QStringLiteral("PC7"), QStringLiteral("text 7"), false, true));
        batch.add(entryOf(QStringLiteral("PC8"), QStringLiteral("text 8"), false, true));
        QTRY_COMPARE(batch.waiting(), 0);
        QVERIFY2(sinceFlush.elapsed() >= IncomingBatch::kFrameMs - 1, qPrintable(QString::number(sinceFlush.elapsed())));
        QVERIFY(document.toPlainText().endsWith(QStringLiteral("PC7\ntext 7\n>>Сообщение от  PC8\ntext 8\n")));

        // Emptied while entries wait (Ch3, "Очистить"): they go with the view.
        batch.add(entryOf(QStringLiteral("PC9"), QStringLiteral("text 9"), false, true));
        batch.dropWaiting();
        view.clear();
        QCOMPARE(batch.waiting(), 0);
        batch.flush();
        QVERIFY(document.isEmpty());
    }

    void plainMessageIsAnnouncedThenShown()
    {
        m_host->setOptions({Option::Sound, Option::Popup, Option::History, Option::ScrollToEnd, Option::FloatingWindow});
        receive(QStringLiteral("PC2"), QStringLiteral("Привет\r\nмир"));
        QCOMPARE(m_host->calls, QStringList({QStringLiteral("history Привет\r\nмир|PC2|ME"), QStringLiteral("sound"),
                                             QStringLiteral("show"), QStringLiteral("popup PC2"),
                                             QStringLiteral("ring"), QStringLiteral("scroll")}));
        QCOMPARE(m_host->lines(), QStringList({QStringLiteral(">>Сообщение от  PC2"), QStringLiteral("Привет"),
                                               QStringLiteral("мир"), QString()}));
    }

    void originIsMarkedWithoutChangingHistory()
    {
        m_host->setOptions({Option::History});
        m_receiver->receive(QStringLiteral("PC2"), QStringLiteral("тайна"), QStringLiteral("10.0.0.2"),
                            IncomingEntry::Origin::Secure);
        m_receiver->receive(QStringLiteral("PC2"), QStringLiteral("подделка"), QStringLiteral("10.0.0.9"),
                            IncomingEntry::Origin::Unverified);
        receive(QStringLiteral("WIN"), QStringLiteral("открыто"));
        QCOMPARE(m_host->lines(),
                 QStringList({QStringLiteral(">>Сообщение от  PC2") + IncomingRenderer::secureMark(),
                              QStringLiteral("тайна"), IncomingRenderer::unverifiedWarning(),
                              QStringLiteral(">>Сообщение от  PC2"), QStringLiteral("подделка"),
                              QStringLiteral(">>Сообщение от  WIN"), QStringLiteral("открыто"), QString()}));
        // The history file knows nothing of marks: its entries stay as they are.
        QCOMPARE(m_host->calls.filter(QStringLiteral("history")),
                 QStringList({QStringLiteral("history тайна|PC2|ME"), QStringLiteral("history подделка|PC2|ME"),
                              QStringLiteral("history открыто|WIN|ME")}));
    }

    void trayBlinksInsteadOfShowingAndCh3ClearsOldMessages()
    {
        m_host->setOptions({Option::TrayInsteadOfWindow, Option::ClearIncomingOnNew});
        receive(QStringLiteral("PC2"), QStringLiteral("one"));
        receive(QStringLiteral("PC3"), QStringLiteral("two"));
        QCOMPARE(m_host->calls, QStringList({QStringLiteral("blink"), QStringLiteral("blink")}));
        QCOMPARE(m_host->lines(), QStringList({QStringLiteral(">>Сообщение от  PC3"), QStringLiteral("two"), QString()}));
    }

    void blacklistMatchesTheDisplayName()
    {
        m_host->aliases.insert(QStringLiteral("PC2"), QStringLiteral("Office"));
        m_host->blacklist = {QStringLiteral("PC2")};
        receive(QStringLiteral("PC2"), QStringLiteral("through: the alias is not listed"));
        QVERIFY(m_host->document.toPlainText().contains(QStringLiteral("Office")));
        m_host->blacklist = {QStringLiteral("Office")};
        m_host->document.clear();
        receive(QStringLiteral("PC2"), QStringLiteral("dropped"));
        QVERIFY(m_host->document.isEmpty());
    }

    void headerWithTimeUpperCasesAsciiOnly_data()
    {
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QString>("shown");
        QTest::newRow("latin") << QStringLiteral("Office") << QStringLiteral("OFFICE");
        QTest::newRow("cyrillic") << QStringLiteral("Бухгалтерия") << QStringLiteral("Бухгалтерия");
    }

    void headerWithTimeUpperCasesAsciiOnly()
    {
        QFETCH(QString, alias);
        QFETCH(QString, shown);
        m_host->setOptions({Option::TimeInHeader});
        m_host->aliases.insert(QStringLiteral("PC2"), alias);
        receive(QStringLiteral("PC2"), QStringLiteral("x"));
        const QString header = m_host->lines().first();
        QVERIFY2(header.startsWith(QStringLiteral(">>Сообщение от  \"") + shown + QStringLiteral("\"<<  ")),
                 qPrintable(header));
        m_host->setOptions({});
        receive(QStringLiteral("PC2"), QStringLiteral("y"));
        QVERIFY(m_host->lines().contains(QStringLiteral(">>Сообщение от  ") + alias));
    }

    void autoAnswerWithoutReceivingOnlyNotes()
    {
        m_host->setOptions({Option::AutoAnswer, Option::Sound, Option::History});
        m_host->aliases.insert(QStringLiteral("PC2"), QStringLiteral("boss"));
        const QTime before = QTime::currentTime();
        receive(QStringLiteral("PC2"), QStringLiteral("are you there?"));
        const QTime after = QTime::currentTime();
        QCOMPARE(m_host->calls,
                 QStringList{QStringLiteral("reply PC2 10.0.0.2 Автоответчик: Абонент временно отсутствует!")});
        QVERIFY(m_host->document.isEmpty()); // nothing before the reply is acknowledged
        m_host->pendingReplies.takeFirst()(true);
        QCOMPARE(m_host->calls.last(), QStringLiteral("hint"));
        const QStringList lines = m_host->lines();
        QCOMPARE(lines.size(), 3);
        const QString note = QStringLiteral("Было сообщение от  \"BOSS\". Время: ");
        QVERIFY2(lines[0] == note + SystemFormats::longTime(before) || lines[0] == note + SystemFormats::longTime(after),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], QString());
    }

    void autoAnswerWhileReceivingShowsWithoutAnnouncing()
    {
        m_host->setOptions({Option::AutoAnswer, Option::ReceiveWhileAnswering, Option::Sound, Option::Popup, Option::History});
        receive(QStringLiteral("PC2"), QStringLiteral("hello"));
        m_host->pendingReplies.takeFirst()(true);
        QCOMPARE(m_host->calls.size(), 2); // the reply and the hint: no history, sound or popup
        QCOMPARE(m_host->lines().mid(0, 2), QStringList({QStringLiteral(">>Сообщение от  PC2"), QStringLiteral("hello")}));
    }

    void failedReplyIsReportedAndLaterMessagesKeepTheirOrder()
    {
        m_host->setOptions({Option::AutoAnswer, Option::ReceiveWhileAnswering});
        receive(QStringLiteral("PC2"), QStringLiteral("first"));
        receive(QStringLiteral("PC3"), QStringLiteral("second"));
        QCOMPARE(m_host->pendingReplies.size(), 1); // the second waits for the first
        m_host->pendingReplies.takeFirst()(false);
        QVERIFY(m_host->calls.contains(QStringLiteral("error")));
        QCOMPARE(m_host->pendingReplies.size(), 1);
        m_host->pendingReplies.takeFirst()(true);
        QVERIFY(!m_host->document.toPlainText().contains(QStringLiteral("first")));
        QVERIFY(m_host->document.toPlainText().contains(QStringLiteral("second")));
        QVERIFY(m_receiver->isIdle());
    }

    void smileysBecomePicturesFollowedByAnEmptyLine()
    {
        m_host->setOptions({Option::Smileys});
        receive(QStringLiteral("PC2"), QStringLiteral("a:--))b:confused:c"));
        QStringList pieces;
        for (const LinePiece &piece : piecesOfLine(m_host->document, 1))
            pieces << (piece.format.isImageFormat() ? piece.format.toImageFormat().name() : piece.text);
        QCOMPARE(pieces, QStringList({QStringLiteral("a"), QStringLiteral("qrc") + SmileyPictures::picture(1),
                                      QStringLiteral("b"), QStringLiteral("qrc") + SmileyPictures::picture(11),
                                      QStringLiteral("c")}));
        QCOMPARE(m_host->lines().mid(2), QStringList({QString(), QString()}));
    }

    void linksAreMarked()
    {
        receive(QStringLiteral("PC2"), QStringLiteral("see http://intranet/wiki and www.example.org.\r\nnext line"));
        QStringList hrefs;
        for (QTextBlock b = m_host->document.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().isAnchor())
                    hrefs << it.fragment().charFormat().anchorHref();
            }
        }
        QCOMPARE(hrefs, QStringList({QStringLiteral("http://intranet/wiki"), QStringLiteral("http://www.example.org.")}));
        QCOMPARE(m_host->lines().at(2), QStringLiteral("next line"));
    }

    void floodsOfLinksAndSmileysDrawOnlyTheFirstOnesAndLayOutOnce_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<bool>("smileys");
        QTest::newRow("links") << QStringLiteral("www.a ") << false;
        QTest::newRow("links with smileys on") << QStringLiteral("www.a ") << true;
        QTest::newRow("smileys") << QStringLiteral("Привет :--)) ") << true;
    }

    void floodsOfLinksAndSmileysDrawOnlyTheFirstOnesAndLayOutOnce()
    {
        // A text of 9,996 bytes may hold 1,666 links: drawn one by one into a
        // paragraph, each insert lays the paragraph out again.
        QFETCH(QString, piece);
        QFETCH(bool, smileys);
        if (smileys)
            m_host->setOptions({Option::Smileys});
        const QString text = piece.repeated(9996 / piece.size());
        int changes = 0;
        connect(&m_host->document, &QTextDocument::contentsChange, this, [&] { ++changes; });
        for (int message = 0; message < 2; ++message)
            receive(QStringLiteral("PC2"), text);
        QVERIFY2(changes <= 6, qPrintable(QString::number(changes)));

        int links = 0, pictures = 0;
        QString shown;
        for (const LinePiece &piece : piecesOfLine(m_host->document, 1)) {
            links += piece.format.isAnchor();
            pictures += piece.format.isImageFormat();
            shown += piece.format.isImageFormat() ? QStringLiteral(":--))") : piece.text;
        }
        const bool isLinks = piece.startsWith(u'w');
        QCOMPARE(links, isLinks ? IncomingView::kMaxLinks : 0);
        QCOMPARE(pictures, isLinks ? 0 : IncomingView::kMaxPictures);
        QCOMPARE(shown, text); // the rest stays as plain text, nothing lost
    }

    void viewKeepsTheNewestMessagesAndDropsTheOldestFromTheTop_data()
    {
        QTest::addColumn<int>("held");
        QTest::newRow("three") << 3;
        QTest::newRow("one") << 1;
        QTest::newRow("two hundred, dropped twenty more at a time") << 200;
    }

    void viewKeepsTheNewestMessagesAndDropsTheOldestFromTheTop()
    {
        // Multi-line texts, smileys (their message ends with an extra empty
        // line) and auto-answer notes: each is one message, and what stays
        // is exactly what an unbounded view shows of the newest ones.
        QFETCH(int, held);
        FakeHost bounded(held);
        FakeHost unbounded;
        MessageReceiver boundedReceiver(bounded, bounded.options);
        MessageReceiver unboundedReceiver(unbounded, unbounded.options);
        QStringList headers;
        QList<int> firstLines;
        int kept = 0;
        const int rounds = held + 4;
        for (int i = 0; i < rounds; ++i) {
            // Every third message is answered, every third drawn with smileys.
            auto applyOptions = [i](FakeHost *host) {
                if (i % 3 == 2)
                    host->setOptions({Option::AutoAnswer});
                else if (i % 3 == 1)
                    host->setOptions({Option::Smileys});
                else
                    host->setOptions({});
            };
            const QString from = QStringLiteral("PC%1").arg(i);
            firstLines << unbounded.lines().size() - 1;
            for (FakeHost *host : {&bounded, &unbounded}) {
                applyOptions(host);
                MessageReceiver &receiver = host == &bounded ? boundedReceiver : unboundedReceiver;
                receiver.receive(from, QStringLiteral("text %1 :--))\r\nline two").arg(i), QStringLiteral("10.0.0.2"));
                if (!host->pendingReplies.isEmpty())
                    host->pendingReplies.takeFirst()(true);
            }
            headers << unbounded.lines().at(firstLines.last());
            // Never more than held; past it, down by a hundredth of held more.
            if (++kept > held)
                kept = held - held / IncomingView::kDropShare;
            QCOMPARE(bounded.view.messageCount(), kept);
            QCOMPARE(bounded.lines().first(), headers.at(i + 1 - kept));
            QCOMPARE(bounded.lines(), unbounded.lines().mid(firstLines.at(i + 1 - kept)));
        }
        QVERIFY(headers.at(2).startsWith(QStringLiteral("Было сообщение от  \"PC2\"")));

        // Cleared from outside the view: the next messages are counted afresh.
        bounded.document.clear();
        bounded.setOptions({});
        for (int i = 0; i <= held; ++i)
            boundedReceiver.receive(QStringLiteral("NEW%1").arg(i), QStringLiteral("x"), QStringLiteral("10.0.0.2"));
        kept = held - held / IncomingView::kDropShare;
        QCOMPARE(bounded.view.messageCount(), kept);
        QCOMPARE(bounded.lines().first(), QStringLiteral(">>Сообщение от  NEW%1").arg(held + 1 - kept));
        QCOMPARE(bounded.lines().size(), 2 * kept + 1);
    }

    void viewKeepsNoUndoStepsAndOnePictureOfEachSmiley()
    {
        m_host->setOptions({Option::Smileys});
        for (int i = 0; i < 30; ++i)
            receive(QStringLiteral("PC2"), QStringLiteral("a :--)) b ;--) c :--))"));
        QCOMPARE(m_host->document.availableUndoSteps(), 0);
        QSet<QString> names;
        int pictures = 0;
        for (QTextBlock b = m_host->document.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().isImageFormat()) {
                    names << it.fragment().charFormat().toImageFormat().name();
                    ++pictures;
                }
            }
        }
        QCOMPARE(pictures, 90);
        QCOMPARE(names.size(), 2);
        QCOMPARE(QSet<QString>(m_host->document.loaded.cbegin(), m_host->document.loaded.cend()), names);
        QCOMPARE(m_host->document.loaded.size(), 2);
        for (const QString &name : names)
            QVERIFY(!m_host->document.resource(QTextDocument::ImageResource, QUrl(name)).isNull());
    }

    void pendingMessagesGoToTheHistoryAsReceivingWouldWriteThem()
    {
        // Two held behind an auto-answer reply, then auto-answer goes off and
        // the program ends with two more acknowledged but not yet handed on.
        m_host->setOptions({Option::AutoAnswer, Option::History, Option::ReceiveWhileAnswering});
        m_host->blacklist = {QStringLiteral("SPAM")};
        receive(QStringLiteral("PC2"), QStringLiteral("answered"));
        receive(QStringLiteral("PC3"), QStringLiteral("held"));
        receive(QStringLiteral("SPAM"), QStringLiteral("held, blacklisted"));
        m_host->setOptions({Option::History});
        m_host->calls.clear();
        const QString shownBefore = m_host->document.toPlainText();
        m_receiver->recordPending({{QStringLiteral("PC4"), QStringLiteral("queued"), QHostAddress::LocalHost},
                                   {QStringLiteral("SPAM"), QStringLiteral("spam"), QHostAddress::LocalHost}});
        QCOMPARE(m_host->calls, QStringList({QStringLiteral("history held|PC3|ME"),
                                             QStringLiteral("history queued|PC4|ME")}));
        QCOMPARE(m_host->document.toPlainText(), shownBefore); // nothing shown
        m_host->pendingReplies.takeFirst()(true);             // the reply lands as the program ends
        QVERIFY(m_receiver->isIdle());

        // Without the history option, or with auto-answer on, receiving writes nothing.
        for (std::initializer_list<Option> options :
             {std::initializer_list<Option>{}, std::initializer_list<Option>{Option::AutoAnswer, Option::History}}) {
            m_host->setOptions(options);
            m_host->calls.clear();
            m_receiver->recordPending({{QStringLiteral("PC4"), QStringLiteral("x"), QHostAddress::LocalHost}});
            QCOMPARE(m_host->calls, QStringList());
        }
    }

    void eachMessageIsSettledOnceItsFateIsDecided()
    {
        m_host->setOptions({Option::History});
        m_host->blacklist = {QStringLiteral("SPAM")};
        m_receiver->receive(QStringLiteral("SPAM"), QStringLiteral("a"), QStringLiteral("10.0.0.2"), {}, 1);
        m_receiver->receive(QStringLiteral("PC2"), QStringLiteral("b"), QStringLiteral("10.0.0.2"), {}, 2);
        m_host->setOptions({Option::History, Option::AutoAnswer});
        m_receiver->receive(QStringLiteral("PC3"), QStringLiteral("c"), QStringLiteral("10.0.0.3"), {}, 3);
        m_receiver->receive(QStringLiteral("PC4"), QStringLiteral("d"), QStringLiteral("10.0.0.4"), {}, 4);
        QCOMPARE(m_host->calls.filter(QStringLiteral("settle")), QStringList({QStringLiteral("settle 1"),
                                                                             QStringLiteral("settle 2")}));
        m_host->pendingReplies.takeFirst()(false); // an answered message is settled once its reply is done
        // The program ends: the one whose reply is on its way, and what waits, are settled.
        m_receiver->recordPending({{QStringLiteral("PC5"), QStringLiteral("e"), QHostAddress::LocalHost, {}, 5}});
        QCOMPARE(m_host->calls.filter(QStringLiteral("settle")),
                 QStringList({QStringLiteral("settle 1"), QStringLiteral("settle 2"), QStringLiteral("settle 3"),
                              QStringLiteral("settle 4"), QStringLiteral("settle 5")}));
    }

    void recoveredMessageIsReceivedWithItsArrivalTimeAndSaysSo()
    {
        const QDateTime arrived(QDate(2026, 12, 7), QTime(9, 5, 3));
        const QString mark = QStringLiteral("  [получено до сбоя программы, %1]").arg(SystemFormats::dateTime(arrived));
        m_host->setOptions({Option::History, Option::Sound, Option::TimeInHeader});
        m_receiver->replay({{QStringLiteral("PC2"), QStringLiteral("потерялось бы"), QStringLiteral("10.0.0.2"),
                             IncomingEntry::Origin::Open, arrived, 7}});
        QCOMPARE(m_host->calls, QStringList({QStringLiteral("history потерялось бы|PC2|ME"), QStringLiteral("sound"),
                                             QStringLiteral("show"), QStringLiteral("settle 7")}));
        QCOMPARE(m_host->lastMoment, arrived);
        QCOMPARE(m_host->lines().mid(0, 2), QStringList({QStringLiteral(">>Сообщение от  \"PC2\"<<  ")
                                                             + SystemFormats::longTime(arrived.time()) + mark,
                                                         QStringLiteral("потерялось бы")}));

        // Nobody is answered that late; what the view shows follows the options.
        m_host->setOptions({Option::History, Option::AutoAnswer});
        m_host->calls.clear();
        m_receiver->replay({{QStringLiteral("PC3"), QStringLiteral("x"), QStringLiteral("10.0.0.3"),
                             IncomingEntry::Origin::Open, arrived, 8}});
        QCOMPARE(m_host->calls, QStringList({QStringLiteral("hint"), QStringLiteral("settle 8")}));
        QVERIFY(m_host->document.toPlainText().contains(QStringLiteral("Было сообщение от  \"PC3\". Время: ")
                                                        + SystemFormats::longTime(arrived.time()) + mark));
    }

    void historyEntriesAreExactAndAppended()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Log.txt"));
        const QDateTime moment(QDate(2026, 12, 7), QTime(9, 5, 3));
        HistoryLog log(path);
        QCOMPARE(log.write(QStringLiteral("Привет\r\nвсем"), QStringLiteral("PC1"), QStringLiteral("Шеф"), moment),
                 HistoryLog::Result::Written);
        QCOMPARE(log.write(QString(), QStringLiteral("PC1"), QStringLiteral("PC2"), moment), HistoryLog::Result::Written);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray rule = "//" + QByteArray(69, '-') + "\r\n";
        const QByteArray stamp = "[" + Cp1251::encode(SystemFormats::dateTime(moment)) + "] ";
        QCOMPARE(file.readAll(), rule + stamp + "PC1 --> \xD8\xE5\xF4\r\n\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xE2\xF1\xE5\xEC\r\n"
                                     + rule + stamp + "PC1 --> PC2\r\n\r\n");
        QCOMPARE(HistoryLog(dir.filePath(QStringLiteral("missing/Log.txt"))).write(QStringLiteral("x"), {}, {}),
                 HistoryLog::Result::CannotCreate);
    }
};

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
