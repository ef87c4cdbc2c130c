#include "ChatDatagrams.h"
#include "ChatSession.h"
#include "ContactList.h"
#include "DatagramDispatcher.h"
#include "ManualPause.h"
#include "SystemFormats.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;

namespace {

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// One instance on a pretend segment: its contact list, dispatcher and chat
// session, every broadcast going to the segment's queue.
class Segment;
class Peer : public PresenceContext
{
public:
    Peer(Segment &segment, const QString &name, const QString &nick);

    QString ownName() const override { return m_name; }
    QString displayName(const QString &name) const override { return name; }
    bool isAutoAnswerOn() const override { return false; }
    bool isStatusNoticeOn() const override { return false; }
    void broadcast(const QString &datagram) override;
    void showNotice(const QString &) override {}
    ChatPort *chat() override { return session.get(); }

    Segment &m_segment;
    QString m_name;
    ContactList contacts;
    DatagramDispatcher dispatcher{contacts, *this};
    ManualPause::Log pauses;
    std::unique_ptr<ChatSession> session;
    QStringList sent;
    QStringList log;
};

// Every datagram reaches every peer, the sender included, in sending order.
class Segment
{
public:
    QList<Peer *> peers;
    QStringList queue;

    void deliver()
    {
        while (!queue.isEmpty()) {
            const QString datagram = queue.takeFirst();
            for (Peer *peer : std::as_const(peers))
                peer->dispatcher.dispatch(datagram);
        }
    }
    // Ends every pause and delivers until the segment is quiet.
    void settle()
    {
        for (bool more = true; more;) {
            deliver();
            more = false;
            for (Peer *peer : std::as_const(peers))
                more = elapse(peer->pauses) || more;
        }
    }
};

Peer::Peer(Segment &segment, const QString &name, const QString &nick)
    : m_segment(segment)
    , m_name(name)
    , session(std::make_unique<ChatSession>(name, [this](const QString &d) { broadcast(d); },
                                            std::make_unique<ManualPause>(pauses)))
{
    session->setNick(nick);
    QObject::connect(session.get(), &ChatSession::lineArrived, [this](const QString &line) { log << line; });
    segment.peers << this;
}

void Peer::broadcast(const QString &datagram)
{
    sent << datagram;
    m_segment.queue << datagram;
}

} // namespace

// The chat session on its own and on a pretend segment, with pauses that end
// only when the test ends them: what goes out, in which order, after which pause.
class TestChatSession : public QObject
{
    Q_OBJECT

private:
    ManualPause::Log m_pauses;
    QStringList m_sent;
    std::unique_ptr<ChatSession> m_session;

    void makeSession(const QString &nick)
    {
        m_pauses = {};
        m_sent.clear();
        m_session = std::make_unique<ChatSession>(QStringLiteral("PC1"),
                                                  [this](const QString &d) { m_sent << d; },
                                                  std::make_unique<ManualPause>(m_pauses));
        m_session->setNick(nick);
    }

    // Ends pauses until the session sends nothing more.
    void finishSequences()
    {
        while (elapse(m_pauses)) {
        }
    }

private Q_SLOTS:
    void joinAndLeaveSendThreeDatagramsEachAfterAPause()
    {
        makeSession(s("Вася"));
        QSignalSpy joined(m_session.get(), &ChatSession::joinedChanged);
        m_session->join();
        // Joined at once, the first datagram out, the others only after pauses.
        QVERIFY(m_session->isJoined());
        QCOMPARE(joined.size(), 1);
        QCOMPARE(m_sent, QStringList{s("ZВася")});
        QVERIFY(m_session->isBusy());
        QCOMPARE(m_pauses.asked, QList<std::chrono::milliseconds>{500ms});
        QVERIFY(elapse(m_pauses));
        QCOMPARE(m_sent, QStringList({s("ZВася"), s("CPC1")}));
        QVERIFY(elapse(m_pauses));
        QCOMPARE(m_sent, QStringList({s("ZВася"), s("CPC1"), s("&<--- Вася в чате! --->")}));
        QCOMPARE(m_pauses.asked, QList<std::chrono::milliseconds>({500ms, 500ms}));
        QVERIFY(!m_pauses.running); // no pause after the last datagram
        QVERIFY(!m_session->isBusy());

        m_session->addParticipant(s("Петя"));
        m_sent.clear();
        m_session->leave();
        QVERIFY(!m_session->isJoined());
        QVERIFY(m_session->participants().isEmpty());
        QCOMPARE(m_sent, QStringList{s("XВася")});
        finishSequences();
        QCOMPARE(m_sent, QStringList({s("XВася"), s("VPC1"), s("&<--- Вася вышел из чата! --->")}));
        QCOMPARE(m_pauses.asked.size(), 4);
        QCOMPARE(joined.size(), 2);
    }

    void leaveWhenNotJoinedStillSends()
    {
        makeSession(QString());
        QSignalSpy joined(m_session.get(), &ChatSession::joinedChanged);
        m_session->leave();
        finishSequences();
        QCOMPARE(m_sent, QStringList({s("X"), s("VPC1"), s("&<---  вышел из чата! --->")}));
        QCOMPARE(m_sent.last(), QStringLiteral("&<--- ") + s(" вышел из чата! --->"));
        QCOMPARE(joined.size(), 0);
    }

    void joinWithoutNickSendsNothing()
    {
        makeSession(QString());
        QSignalSpy refused(m_session.get(), &ChatSession::joinRefused);
        m_session->join();
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.at(0).at(0).value<ChatSession::Refusal>(), ChatSession::Refusal::NoNick);
        QVERIFY(!m_session->isJoined());
        QVERIFY(m_sent.isEmpty());

        // A nick whose leave notice could never arrive is refused as well.
        makeSession(QString(ChatDatagrams::kMaxBytes, u'н'));
        QSignalSpy tooLong(m_session.get(), &ChatSession::joinRefused);
        m_session->join();
        QCOMPARE(tooLong.at(0).at(0).value<ChatSession::Refusal>(), ChatSession::Refusal::NickTooLong);
        QVERIFY(m_sent.isEmpty());
    }

    void clicksDuringASequenceWaitForItsEnd()
    {
        makeSession(s("Вася"));
        m_session->join();
        m_session->leave();
        m_session->join();
        m_session->leave(); // only the last click waiting is carried out
        QVERIFY(m_session->isJoined());
        QCOMPARE(m_sent, QStringList{s("ZВася")});
        QVERIFY(elapse(m_pauses));
        QVERIFY(elapse(m_pauses));
        // The join ended with its notice; the leave follows at once, not mixed in.
        QCOMPARE(m_sent, QStringList({s("ZВася"), s("CPC1"), s("&<--- Вася в чате! --->"), s("XВася")}));
        QVERIFY(!m_session->isJoined());
        finishSequences();
        QCOMPARE(m_sent.mid(3), QStringList({s("XВася"), s("VPC1"), s("&<--- Вася вышел из чата! --->")}));
        QCOMPARE(m_pauses.asked.size(), 4);
    }

    void nickIsFixedForTheSequenceBeingSent()
    {
        makeSession(s("Вася"));
        m_session->leave();
        m_session->setNick(s("Петя")); // the nick field is free again during a leave
        finishSequences();
        QCOMPARE(m_sent, QStringList({s("XВася"), s("VPC1"), s("&<--- Вася вышел из чата! --->")}));
    }

    void closeWaitsForTheSequenceThenLeaves()
    {
        makeSession(s("Вася"));
        QSignalSpy closed(m_session.get(), &ChatSession::closed);
        m_session->join();
        m_session->close();
        m_session->join(); // ignored once closing
        QCOMPARE(closed.size(), 0);
        QVERIFY(elapse(m_pauses));
        QVERIFY(elapse(m_pauses));
        QCOMPARE(m_sent.size(), 4);
        QCOMPARE(m_sent.at(3), s("XВася"));
        QCOMPARE(closed.size(), 0);
        finishSequences();
        QCOMPARE(m_sent.mid(3), QStringList({s("XВася"), s("VPC1"), s("&<--- Вася вышел из чата! --->")}));
        QCOMPARE(closed.size(), 1);
        QVERIFY(m_session->isClosed());

        // Not joined and idle: closed at once, silently.
        makeSession(s("Вася"));
        QSignalSpy quiet(m_session.get(), &ChatSession::closed);
        m_session->close();
        QCOMPARE(quiet.size(), 1);
        QVERIFY(m_sent.isEmpty());
    }

    void finishNowSendsWhatIsDueWithoutPauses()
    {
        makeSession(s("Вася"));
        QSignalSpy closed(m_session.get(), &ChatSession::closed);
        m_session->join();
        m_session->leave();
        m_session->finishNow();
        QCOMPARE(m_sent, QStringList({s("ZВася"), s("CPC1"), s("&<--- Вася в чате! --->"), s("XВася"), s("VPC1"),
                                      s("&<--- Вася вышел из чата! --->")}));
        QCOMPARE(closed.size(), 1);
        QVERIFY(!m_pauses.running);
        QVERIFY(!m_session->isJoined());
        m_session->finishNow();
        m_session->close();
        QCOMPARE(closed.size(), 1);
        QCOMPARE(m_sent.size(), 6);

        // A leave under way is completed; nothing is added when not joined.
        makeSession(s("Вася"));
        m_session->leave();
        m_session->finishNow();
        QCOMPARE(m_sent, QStringList({s("XВася"), s("VPC1"), s("&<--- Вася вышел из чата! --->")}));
    }

    void linesLeaveOnlyWhenJoinedAndWhenTheyFit()
    {
        makeSession(s("Вася"));
        const QTime time(14, 5, 33);
        QCOMPARE(m_session->sendLine(s("привет"), time), ChatSession::SendResult::NotJoined);
        m_session->join();
        finishSequences();
        m_sent.clear();
        QCOMPARE(m_session->sendLine(QString(), time), ChatSession::SendResult::Empty);
        QCOMPARE(m_session->sendLine(s("привет"), time), ChatSession::SendResult::Sent);
        QCOMPARE(m_sent, QStringList{QStringLiteral("&[") + SystemFormats::longTime(time) + s("] Вася: привет")});

        // The whole datagram counts, in code page 1251: one byte per character,
        // a character 1251 lacks included.
        const int frame = ChatDatagrams::wireSize(ChatDatagrams::line(time, s("Вася"), QString()));
        const QString fits = QString(ChatDatagrams::kMaxBytes - frame - 1, u'ж') + QChar(0x4E2D);
        int size = 0;
        QCOMPARE(m_session->sendLine(fits, time, &size), ChatSession::SendResult::Sent);
        QCOMPARE(size, ChatDatagrams::kMaxBytes);
        m_sent.clear();
        QCOMPARE(m_session->sendLine(fits + u'!', time, &size), ChatSession::SendResult::TooLong);
        QCOMPARE(size, ChatDatagrams::kMaxBytes + 1);
        QVERIFY(m_sent.isEmpty());
    }

    void participantsRules()
    {
        makeSession(s("Вася"));
        QSignalSpy lines(m_session.get(), &ChatSession::lineArrived);
        QVERIFY(!m_session->addParticipant(s("Вася")));
        QVERIFY(m_session->addParticipant(s("Петя")));
        QVERIFY(!m_session->addParticipant(s("Петя")));
        QVERIFY(m_session->addParticipant(s("петя"))); // case counts
        QVERIFY(m_session->addParticipant(s("Маша")));
        m_session->removeParticipant(s("петя"));
        m_session->removeParticipant(s("Коля"));
        QCOMPARE(m_session->participants(), QStringList({s("Петя"), s("Маша")}));
        m_session->appendLine(s("не в чате"));
        QCOMPARE(lines.size(), 0);

        for (int i = m_session->participants().size(); i < ChatSession::kMaxParticipants; ++i)
            QVERIFY(m_session->addParticipant(QString::number(i)));
        QVERIFY(!m_session->addParticipant(s("ещё один")));
        QCOMPARE(m_session->participants().size(), ChatSession::kMaxParticipants);
    }

    // A flood of nicks through the dispatcher: the list keeps the first it
    // can hold in the order they came, each answered once; a leave empties
    // it, and the same nicks are taken again after a new join.
    void nickFloodThroughTheDispatcher()
    {
        Segment segment;
        Peer a(segment, QStringLiteral("PC-A"), s("Аня"));
        a.session->join();
        segment.settle();
        a.sent.clear();
        for (int i = 0; i < 20000; ++i)
            a.dispatcher.dispatch(u'Z' + QString::number(i % 10000));
        const QStringList listed = a.session->participants();
        QCOMPARE(listed.size(), ChatSession::kMaxParticipants);
        for (int i = 0; i < listed.size(); ++i)
            QCOMPARE(listed.at(i), QString::number(i));
        QCOMPARE(a.sent.size(), ChatSession::kMaxParticipants);
        QCOMPARE(a.sent.count(s("ZАня")), ChatSession::kMaxParticipants);

        a.dispatcher.dispatch(QStringLiteral("X17"));
        QVERIFY(!a.session->hasParticipant(QStringLiteral("17")));
        QCOMPARE(a.session->participants().at(17), QStringLiteral("18"));
        a.dispatcher.dispatch(QStringLiteral("Z17"));
        QCOMPARE(a.session->participants().last(), QStringLiteral("17"));

        a.session->leave();
        segment.settle();
        QVERIFY(a.session->participants().isEmpty());
        QVERIFY(!a.session->hasParticipant(QStringLiteral("5")));
        QVERIFY(a.session->addParticipant(QStringLiteral("5")));
    }

    void joinsOnASegment()
    {
        Segment segment;
        Peer a(segment, QStringLiteral("PC-A"), s("Аня"));
        Peer b(segment, QStringLiteral("PC-B"), s("Боря"));
        Peer c(segment, QStringLiteral("PC-C"), s("Катя"));
        a.session->join();
        b.session->join();
        segment.settle();
        QCOMPARE(a.session->participants(), QStringList{s("Боря")});
        QCOMPARE(b.session->participants(), QStringList{s("Аня")});
        // C has the window open but has not joined: it collects nicks, shows no lines.
        QCOMPARE(c.session->participants(), QStringList({s("Аня"), s("Боря")}));
        QVERIFY(c.log.isEmpty());
        QCOMPARE(a.log, QStringList({s("<--- Аня в чате! --->"), s("<--- Боря в чате! --->")}));
        QCOMPARE(b.log, a.log);

        a.sent.clear();
        b.sent.clear();
        c.session->join();
        segment.settle();
        // A and B answer once each; C learns both; nobody answers twice.
        QCOMPARE(a.sent, QStringList{s("ZАня")});
        QCOMPARE(b.sent, QStringList{s("ZБоря")});
        QCOMPARE(c.session->participants(), QStringList({s("Аня"), s("Боря")}));
        QCOMPARE(a.session->participants(), QStringList({s("Боря"), s("Катя")}));
        for (Peer *p : {&a, &b, &c})
            QCOMPARE(p->contacts.inChatList().size(), 3);
        QCOMPARE(c.log, QStringList{s("<--- Катя в чате! --->")});

        QCOMPARE(b.session->sendLine(s("всем привет"), QTime(9, 0)), ChatSession::SendResult::Sent);
        segment.settle();
        const QString line = QStringLiteral("[") + SystemFormats::longTime(QTime(9, 0)) + s("] Боря: всем привет");
        for (Peer *p : {&a, &b, &c})
            QCOMPARE(p->log.last(), line); // the sender's own line came back to it too

        b.session->leave();
        segment.settle();
        QCOMPARE(a.session->participants(), QStringList{s("Катя")});
        QCOMPARE(c.session->participants(), QStringList{s("Аня")});
        QVERIFY(b.session->participants().isEmpty());
        QCOMPARE(a.log.last(), s("<--- Боря вышел из чата! --->"));
        QCOMPARE(a.contacts.inChatList(), QStringList({QStringLiteral("PC-A"), QStringLiteral("PC-C")}));

        // A second join repeats the datagrams: lists stay, logs get a second notice.
        c.session->join();
        segment.settle();
        QCOMPARE(a.session->participants(), QStringList{s("Катя")});
        QCOMPARE(a.log.last(), s("<--- Катя в чате! --->"));
        QCOMPARE(a.log.count(s("<--- Катя в чате! --->")), 2);
    }

    void sameNickUsersNeverSeeEachOther()
    {
        Segment segment;
        Peer a(segment, QStringLiteral("PC-A"), s("Гость"));
        Peer b(segment, QStringLiteral("PC-B"), s("Гость"));
        Peer c(segment, QStringLiteral("PC-C"), s("Катя"));
        for (Peer *p : {&a, &b, &c})
            p->session->join();
        segment.settle();
        QCOMPARE(a.session->participants(), QStringList{s("Катя")});
        QCOMPARE(b.session->participants(), QStringList{s("Катя")});
        QCOMPARE(c.session->participants(), QStringList{s("Гость")});

        a.session->sendLine(s("я А"), QTime(10, 0));
        b.session->sendLine(s("я Б"), QTime(10, 0));
        segment.settle();
        for (Peer *p : {&a, &b, &c}) {
            QVERIFY(p->log.last().endsWith(s("] Гость: я Б")));
            QVERIFY(p->log.at(p->log.size() - 2).endsWith(s("] Гость: я А")));
        }
    }
};

QTEST_GUILESS_MAIN(TestChatSession)
#include "tst_chatsession.moc"
