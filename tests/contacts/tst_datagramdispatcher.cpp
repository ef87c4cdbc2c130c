#include "ContactList.h"
#include "DatagramDispatcher.h"
#include "PresenceContext.h"

#include <QHash>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class FakeChat : public ChatPort
{
public:
    bool joined = false;
    QString nick = QStringLiteral("Вася");
    QStringList participants;
    QStringList lines;
    int capacity = 100;

    bool isJoined() const override { return joined; }
    QString ownNick() const override { return nick; }
    bool hasParticipant(const QString &n) const override { return participants.contains(n); }
    bool addParticipant(const QString &n) override
    {
        if (participants.size() >= capacity)
            return false;
        participants.append(n);
        return true;
    }
    void removeParticipant(const QString &n) override { participants.removeOne(n); }
    void appendLine(const QString &line) override { lines.append(line); }
};

class FakeContext : public PresenceContext
{
public:
    QHash<QString, QString> aliases;
    bool autoAnswer = false;
    bool notices = false;
    FakeChat *chatWindow = nullptr;
    QStringList sent;
    QStringList shown;

    QString ownName() const override { return QStringLiteral("PC1"); }
    QString displayName(const QString &name) const override { return aliases.value(name, name); }
    bool isAutoAnswerOn() const override { return autoAnswer; }
    bool isStatusNoticeOn() const override { return notices; }
    void broadcast(const QString &d) override { sent.append(d); }
    void showNotice(const QString &h) override { shown.append(h); }
    ChatPort *chat() override { return chatWindow; }
    void keyAnnounced(const QByteArray &d, const QHostAddress &from) override
    {
        heard.append(u"key "_s + QString::fromLatin1(d) + u' ' + from.toString());
    }
    void presenceHeard(const QString &name, const QHostAddress &from) override
    {
        heard.append(u"presence "_s + name + u' ' + from.toString());
    }
    QStringList heard;
};

} // namespace

class TestDatagramDispatcher : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ContactList> m_contacts;
    FakeContext m_context;
    FakeChat m_chat;

    void dispatch(const QString &d) { DatagramDispatcher(*m_contacts, m_context).dispatch(d); }

private Q_SLOTS:
    void init()
    {
        m_contacts = std::make_unique<ContactList>();
        m_context = FakeContext();
        m_chat = FakeChat();
    }

    void newcomerIsListedAndAnsweredOnce()
    {
        m_context.autoAnswer = true;
        m_context.chatWindow = &m_chat;
        m_chat.joined = true;
        dispatch(QStringLiteral("%PC2"));
        QCOMPARE(m_contacts->displayNames(), QStringList{QStringLiteral("PC2")});
        QCOMPARE(m_contacts->addresses(), QStringList{QStringLiteral("PC2")});
        QCOMPARE(m_context.sent, QStringList({QStringLiteral("%PC1"), QStringLiteral("(PC1"), QStringLiteral("CPC1")}));

        // Known names and our own announcement add and send nothing.
        dispatch(QStringLiteral("%PC2"));
        dispatch(QStringLiteral("%PC1"));
        QCOMPARE(m_contacts->count(), 1);
        QCOMPARE(m_context.sent.size(), 3);
    }

    void presenceComparesUpperCaseAndStoresUpperCase()
    {
        dispatch(QStringLiteral("%pc-ж"));
        QCOMPARE(m_contacts->addresses(), QStringList{QStringLiteral("PC-ж")});
        // Names on the wire are upper case, so any spelling of a known name is known.
        dispatch(QStringLiteral("%pc-ж"));
        dispatch(QStringLiteral("%Pc-ж"));
        QCOMPARE(m_contacts->count(), 1);
        QCOMPARE(m_context.sent, QStringList{QStringLiteral("%PC1")});
        // Only ASCII letters change case: a Cyrillic capital is another name.
        dispatch(QStringLiteral("%PC-Ж"));
        QCOMPARE(m_contacts->count(), 2);
        dispatch(QStringLiteral("#pc-ж"));
        QCOMPARE(m_contacts->count(), 2);
        dispatch(QStringLiteral("#PC-ж"));
        QCOMPARE(m_contacts->count(), 1);
    }

    // The IP list may list an address twice: presence knows it until both entries are gone.
    void addressListedTwiceIsKnownUntilBothAreGone()
    {
        m_contacts->add(u"Сервер"_s, u"PC2"_s);
        m_contacts->add(u"PC2"_s, u"PC2"_s);
        for (int removed : {1, 2}) {
            dispatch(u"#PC2"_s);
            dispatch(u"%PC2"_s);
            QCOMPARE(m_context.sent.size(), removed - 1);
        }
        QCOMPARE(m_contacts->count(), 1);
    }

    // Every reply is a broadcast: a flood of one name must not be amplified.
    void floodOfOneNameIsAnsweredAtMostOnce()
    {
        for (int i = 0; i < 50; ++i)
            dispatch(QStringLiteral("%pc"));
        QCOMPARE(m_contacts->addresses(), QStringList{QStringLiteral("PC")});
        QCOMPARE(m_context.sent, QStringList{QStringLiteral("%PC1")});

        // Our own name in any case is ourselves.
        for (const QString &own : {QStringLiteral("%pc1"), QStringLiteral("%Pc1"), QStringLiteral("%PC1")})
            dispatch(own);
        QCOMPARE(m_contacts->count(), 1);
        QCOMPARE(m_context.sent.size(), 1);
    }

    void contactListIsCappedAndSaysSoOnce()
    {
        const int cap = ContactList::kMaxContacts;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("contact list is full")));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        for (int i = 0; i < cap + 100; ++i) {
            dispatch(u'%' + QStringLiteral("PC-%1").arg(i));
            dispatch(u'(' + QStringLiteral("PC-%1").arg(i));
            dispatch(u'C' + QStringLiteral("PC-%1").arg(i));
        }
        QCOMPARE(m_contacts->count(), cap);
        QCOMPARE(m_contacts->autoAnswerList().size(), cap);
        QCOMPARE(m_contacts->inChatList().size(), cap);
        // Refused names are not answered either.
        QCOMPARE(m_context.sent.size(), cap);

        // Room made by a farewell is taken by the next newcomer.
        dispatch(QStringLiteral("#PC-0"));
        dispatch(QStringLiteral("%PC-NEW"));
        QCOMPARE(m_contacts->count(), cap);
        QCOMPARE(m_contacts->addresses().last(), QStringLiteral("PC-NEW"));
    }

    void aliasShowsInListAndNotices()
    {
        m_context.notices = true;
        m_context.aliases.insert(QStringLiteral("PC2"), QStringLiteral("Бухгалтерия"));
        dispatch(QStringLiteral("%PC2"));
        QCOMPARE(m_contacts->displayNameAt(0), QStringLiteral("Бухгалтерия"));
        QCOMPARE(m_contacts->addressAt(0), QStringLiteral("PC2"));
        dispatch(QStringLiteral("#PC2"));
        QCOMPARE(m_contacts->count(), 0);
        // Online shows the alias upper-cased in ASCII only (Cyrillic unchanged).
        QCOMPARE(m_context.shown, QStringList({QStringLiteral("\"Бухгалтерия\" is online"),
                                               QStringLiteral("\"Бухгалтерия\" is offline")}));
        m_context.aliases.insert(QStringLiteral("PC3"), QStringLiteral("boss"));
        dispatch(QStringLiteral("%PC3"));
        QCOMPARE(m_context.shown.last(), QStringLiteral("\"BOSS\" is online"));
    }

    void farewellOfUnknownChangesNothingAndKeepsStateLists()
    {
        dispatch(QStringLiteral("%PC2"));
        dispatch(QStringLiteral("(PC2"));
        dispatch(QStringLiteral("CPC2"));
        dispatch(QStringLiteral("#PC9"));
        QCOMPARE(m_contacts->count(), 1);
        dispatch(QStringLiteral("#PC2"));
        QCOMPARE(m_contacts->count(), 0);
        QCOMPARE(m_contacts->autoAnswerList(), QStringList{QStringLiteral("PC2")});
        QCOMPARE(m_contacts->inChatList(), QStringList{QStringLiteral("PC2")});
    }

    void stateListsHoldDisplayNamesOnce()
    {
        m_context.aliases.insert(QStringLiteral("PC2"), QStringLiteral("Шеф"));
        dispatch(QStringLiteral("(PC2"));
        dispatch(QStringLiteral("(PC2"));
        dispatch(QStringLiteral("CPC2"));
        QCOMPARE(m_contacts->autoAnswerList(), QStringList{QStringLiteral("Шеф")});
        QCOMPARE(m_contacts->inChatList(), QStringList{QStringLiteral("Шеф")});
        dispatch(QStringLiteral(")PC2"));
        dispatch(QStringLiteral("VPC2"));
        dispatch(QStringLiteral(")PC7"));
        QVERIFY(m_contacts->autoAnswerList().isEmpty());
        QVERIFY(m_contacts->inChatList().isEmpty());
    }

    void markersFollowStateLists()
    {
        m_context.aliases.insert(QStringLiteral("PC2"), QStringLiteral("Друг"));
        m_context.aliases.insert(QStringLiteral("PC3"), QStringLiteral("Друг"));
        dispatch(QStringLiteral("%PC2"));
        dispatch(QStringLiteral("%PC3"));
        m_contacts->setBlacklist({QStringLiteral("Друг")});
        dispatch(QStringLiteral("CPC2"));
        for (int row : {0, 1}) {
            const QModelIndex i = m_contacts->index(row);
            QVERIFY(i.data(ContactList::BlacklistedRole).toBool());
            QVERIFY(i.data(ContactList::InChatRole).toBool());
            QVERIFY(!i.data(ContactList::AutoAnswerRole).toBool());
        }
    }

    void chatDatagramsNeedTheWindow()
    {
        dispatch(QStringLiteral("&hello"));
        dispatch(QStringLiteral("ZПетя"));
        QVERIFY(m_chat.lines.isEmpty() && m_chat.participants.isEmpty());

        m_context.chatWindow = &m_chat;
        dispatch(QStringLiteral("&not joined yet"));
        dispatch(QStringLiteral("ZПетя"));
        dispatch(QStringLiteral("ZВася")); // our own nick, even into an empty list
        QCOMPARE(m_chat.participants, QStringList{QStringLiteral("Петя")});
        QVERIFY(m_chat.lines.isEmpty());
        QVERIFY(m_context.sent.isEmpty());

        m_chat.joined = true;
        dispatch(QStringLiteral("ZМаша"));
        dispatch(QStringLiteral("ZКоля"));
        dispatch(QStringLiteral("&[12:00:00] Маша: привет"));
        QCOMPARE(m_context.sent, QStringList({QStringLiteral("ZВася"), QStringLiteral("ZВася")}));
        QCOMPARE(m_chat.lines, QStringList{QStringLiteral("[12:00:00] Маша: привет")});

        dispatch(QStringLiteral("XМаша"));
        QCOMPARE(m_chat.participants, QStringList({QStringLiteral("Петя"), QStringLiteral("Коля")}));
    }

    void nickRefusedByAFullListIsNotAnswered()
    {
        // A peer inventing nicks must not make every joined instance answer each one.
        m_context.chatWindow = &m_chat;
        m_chat.joined = true;
        m_chat.capacity = 1;
        dispatch(QStringLiteral("ZПетя"));
        dispatch(QStringLiteral("ZКоля"));
        QCOMPARE(m_chat.participants, QStringList{QStringLiteral("Петя")});
        QCOMPARE(m_context.sent, QStringList{QStringLiteral("ZВася")});
    }

    // Raw datagrams: a key announcement goes to the context untouched and
    // never into the list; a presence is told with its sender first.
    void rawDatagramsReachTheContextWithTheirSender_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("heard");
        QTest::addColumn<int>("listed");
        QTest::newRow("key") << QByteArray("$1\tPC2\t6712\tAB") << u"key $1\tPC2\t6712\tAB 10.0.0.2"_s << 0;
        QTest::newRow("presence") << QByteArray("%pc2") << u"presence pc2 10.0.0.2"_s << 1;
        QTest::newRow("farewell") << QByteArray("#PC2") << QString() << 0;
        QTest::newRow("code page 1251") << QByteArray("%\xcf\xca") << u"presence ПК 10.0.0.2"_s << 1;
    }

    void rawDatagramsReachTheContextWithTheirSender()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, heard);
        QFETCH(int, listed);
        DatagramDispatcher(*m_contacts, m_context).dispatch(datagram, QHostAddress(u"10.0.0.2"_s));
        QCOMPARE(m_context.heard.join(u'|'), heard);
        QCOMPARE(m_contacts->rowCount(), listed);
    }

    void unknownAndEmptyDatagramsAreIgnored()
    {
        for (const QString &d : {QString(), QStringLiteral("?PC2"), QStringLiteral("%"), QStringLiteral("c")})
            dispatch(d);
        // "%" with an empty name is a name like any other: one entry, no crash.
        QVERIFY(m_contacts->count() <= 1);
    }
};

QTEST_GUILESS_MAIN(TestDatagramDispatcher)
#include "tst_datagramdispatcher.moc"
