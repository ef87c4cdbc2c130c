// Two messenger cores in one process, no display, on loopback ports the
// system picks: presence, a message with history, a file and an auto-answer,
// all through the cores' calls and signals.
#include "AutoAnswerTexts.h"
#include "Cp1251.h"
#include "IniFile.h"
#include "IncomingEntry.h"
#include "Messenger.h"
#include "MsgFrame.h"
#include "Outbox.h"
#include "StreamFrame.h"
#include "UserPrompts.h"

#include <QDir>
#include <QFile>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

MessengerEnvironment loopback(const QString &home)
{
    MessengerEnvironment env;
    env.settingsPath = QDir(home).filePath(u"Zavolin.ini"_s);
    env.dataFolder = home;
    env.datagramPort = 0;
    env.broadcastHost = u"127.0.0.1"_s;
    env.broadcastPort = 9; // the discard port until the peer's port is known
    env.messagePort = 0;
    env.streamPort = 0;
    env.securePort = 0;
    env.listenAddress = QHostAddress(QHostAddress::LocalHost);
    return env;
}

// Stands in for the window: notices are read at once, a save place is chosen.
class Prompts : public UserPrompts
{
public:
    QStringList notices;
    QStringList asked;
    QString savePath;

    void showFileNotice(Notice, const QString &text, std::function<void()> closed) override
    {
        notices << text;
        if (closed)
            closed();
    }
    void askSavePath(const QString &fileName, std::function<void(const QString &path)> answered) override
    {
        asked << fileName;
        answered(savePath);
    }
};

// Only loopback: the suite runs in a private network namespace, where the
// limited broadcast has nowhere to go.
bool inPrivateNamespace()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    return std::all_of(interfaces.begin(), interfaces.end(),
                       [](const QNetworkInterface &i) { return i.flags().testFlag(QNetworkInterface::IsLoopBack); });
}

QStringList decoded(const QSignalSpy &heard)
{
    QStringList out;
    for (const QList<QVariant> &args : heard)
        out << Cp1251::decode(args.at(0).toByteArray());
    return out;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestMessenger : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_homeA;
    std::unique_ptr<QTemporaryDir> m_homeB;
    std::unique_ptr<Messenger> m_a;
    std::unique_ptr<Messenger> m_b;
    Prompts m_promptsB;

    // Both online and known to each other.
    void meet()
    {
        QSignalSpy cameToA(m_a.get(), &Messenger::contactCame);
        QSignalSpy cameToB(m_b.get(), &Messenger::contactCame);
        m_a->refreshContacts();
        QTRY_COMPARE(cameToB.size(), 1);
        QTRY_COMPARE(cameToA.size(), 1); // B answered the newcomer
        QCOMPARE(cameToB.first().first().toString(), u"PC-A"_s);
        QCOMPARE(cameToA.first().first().toString(), u"PC-B"_s);
        // Each pins the other's key once its own handshake has proved it.
        if (m_a->securePort() && m_b->securePort()) {
            QTRY_VERIFY(m_a->secure()->hasPinnedKey(u"PC-B"_s));
            QTRY_VERIFY(m_b->secure()->hasPinnedKey(u"PC-A"_s));
        }
    }

    Recipient recipientOnA(const QString &name) const
    {
        const int row = m_a->contacts().indexOfAddress(name);
        return row >= 0 ? m_a->recipientAt(row) : Recipient{};
    }

private Q_SLOTS:
    void init()
    {
        m_homeA = std::make_unique<QTemporaryDir>();
        m_homeB = std::make_unique<QTemporaryDir>();
        m_a = std::make_unique<Messenger>(loopback(m_homeA->path()));
        m_b = std::make_unique<Messenger>(loopback(m_homeB->path()));
        m_promptsB = Prompts();
        m_b->setPrompts(&m_promptsB);
        for (Messenger *core : {m_a.get(), m_b.get()}) {
            core->listen();
            core->options().load(IniFile(core->environment().settingsPath)); // defaults: history on
        }
        m_a->goOnline(u"PC-A"_s);
        m_b->goOnline(u"PC-B"_s);
        QVERIFY(m_a->datagramPort() && m_b->datagramPort());
        QVERIFY(m_a->messagePort() && m_b->messagePort());
        m_a->setPeerDatagramPort(m_b->datagramPort());
        m_b->setPeerDatagramPort(m_a->datagramPort());
        m_a->setPeerMessagePort(m_b->messagePort());
        m_b->setPeerMessagePort(m_a->messagePort());
        m_a->setPeerStreamPort(m_b->streamPort());
        m_b->setPeerStreamPort(m_a->streamPort());
    }

    void cleanup()
    {
        m_a.reset();
        m_b.reset();
    }

    void presenceComesAndGoesWithNotices()
    {
        m_b->options().set(Option::StatusNotices, true);
        QSignalSpy notices(m_b.get(), &Messenger::statusNotice);
        meet();
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices.first().first().toString(), u"\"PC-A\" is online"_s);
        QCOMPARE(recipientOnA(u"PC-B"_s).fallbackHost, u"127.0.0.1"_s); // where it announced itself from

        QSignalSpy left(m_b.get(), &Messenger::contactLeft);
        m_a->recordPendingMessages();
        m_a->shutdown();
        QTRY_COMPARE(left.size(), 1);
        QCOMPARE(left.first().first().toString(), u"PC-A"_s);
        QCOMPARE(notices.last().first().toString(), u"\"PC-A\" is offline"_s);
        QCOMPARE(m_b->contacts().count(), 0);
    }

    void messageIsShownOnceAnnouncedAndKeptInBothHistories()
    {
        meet();
        m_b->options().set(Option::Sound, true);
        QStringList order;
        connect(m_b.get(), &Messenger::messageAnnounced, this, [&](const ReceiveAnnouncement &a) {
            order << (a.sound ? u"sound"_s : QString()) << (a.showWindow ? u"show"_s : QString())
                  << (a.blinkTray ? u"blink"_s : QString());
            order.removeAll(QString());
        });
        QSignalSpy shown(m_b.get(), &Messenger::incomingShown);

        const Recipient b = recipientOnA(u"PC-B"_s);
        QCOMPARE(b.displayName, u"PC-B"_s);
        bool delivered = false;
        bool finished = false;
        m_a->send({b}, u"Привет\r\nмир"_s, [&](const Recipient &, bool ok) {
            delivered = ok;
            if (ok)
                QCOMPARE(m_a->recordSent(u"Привет\r\nмир"_s, b.displayName), HistoryLog::Result::Written);
        }, [&] { finished = true; });
        QTRY_VERIFY(finished);
        QVERIFY(delivered);
        QTRY_COMPARE(shown.size(), 1);
        QCOMPARE(order, QStringList({u"sound"_s, u"show"_s})); // announced before shown
        const auto entry = shown.first().first().value<IncomingEntry>();
        QCOMPARE(entry.kind, IncomingEntry::Kind::Message);
        QCOMPARE(entry.header, u">>Сообщение от  PC-A"_s);
        QCOMPARE(entry.text, u"Привет\r\nмир"_s);
        QVERIFY(entry.smileys && entry.scrollToEnd); // on by default

        // Received entries reach the history with the others of their frame.
        const QString pathB = QDir(m_homeB->path()).filePath(u"Log.txt"_s);
        QTRY_VERIFY2(contentOf(pathB).contains(Cp1251::encode(u"PC-A"_s))
                         && contentOf(pathB).contains(Cp1251::encode(u"Привет\r\nмир"_s)),
                     contentOf(pathB).constData());
        const QByteArray logA = contentOf(QDir(m_homeA->path()).filePath(u"Log.txt"_s));
        QVERIFY2(logA.contains(Cp1251::encode(u"PC-B"_s)) && logA.contains(Cp1251::encode(u"Привет\r\nмир"_s)),
                 logA.constData());
    }

    // Undelivered messages wait in the data folder and go, in order and once,
    // when the contact announces itself; they survive a restart.
    void outboxDeliversInOrderWhenTheContactComesBack()
    {
        meet();
        const Recipient b = recipientOnA(u"PC-B"_s);
        QSignalSpy changed(m_a.get(), &Messenger::outboxChanged);
        m_a->queueForLater(b, u"первое\r\nсообщение"_s);
        m_a->queueForLater(b, u"second"_s);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(m_a->outbox().countFor(b.host), 2);
        const QString outboxPath = QDir(m_homeA->path()).filePath(u"Outbox.txt"_s);
        bool complete = false;
        QCOMPARE(Outbox::parse(contentOf(outboxPath), &complete).size(), 2);
        QVERIFY(complete);

        // B's ports refuse: a refresh brings an attempt, and everything keeps waiting.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 refusing = closed.serverPort();
        closed.close();
        m_a->setPeerMessagePort(refusing);
        m_b->secure()->close(); // B's key is pinned on A: its secure listener must refuse too
        m_a->refreshContacts();
        QTRY_VERIFY(m_a->isSending());
        QTRY_VERIFY(!m_a->isSending());
        QCOMPARE(m_a->outbox().countFor(b.host), 2);

        // The restarted program still has them.
        m_a.reset();
        m_a = std::make_unique<Messenger>(loopback(m_homeA->path()));
        m_a->listen();
        m_a->options().load(IniFile(m_a->environment().settingsPath));
        m_a->goOnline(u"PC-A"_s);
        m_a->setPeerDatagramPort(m_b->datagramPort());
        m_a->setPeerMessagePort(m_b->messagePort());
        m_b->setPeerDatagramPort(m_a->datagramPort());
        QCOMPARE(m_a->outbox().countFor(b.host), 2);

        QSignalSpy shown(m_b.get(), &Messenger::incomingShown);
        QSignalSpy delivered(m_a.get(), &Messenger::queuedDelivered);
        QVERIFY(m_b->secure()->listen(QHostAddress::LocalHost)); // announced with its new port
        m_b->refreshContacts();
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0).first().value<IncomingEntry>().text, u"первое\r\nсообщение"_s);
        QCOMPARE(shown.at(1).first().value<IncomingEntry>().text, u"second"_s);
        QTRY_COMPARE(delivered.size(), 2);
        QVERIFY(m_a->outbox().messages().isEmpty());
        QCOMPARE(Outbox::parse(contentOf(outboxPath), &complete).size(), 0);
        const QByteArray logA = contentOf(QDir(m_homeA->path()).filePath(u"Log.txt"_s));
        const qsizetype first = logA.indexOf(Cp1251::encode(u"PC-A --> PC-B\r\nпервое\r\nсообщение"_s));
        QVERIFY2(first >= 0 && logA.indexOf("PC-A --> PC-B\r\nsecond\r\n") > first, logA.constData());

        // Another presence sends nothing twice: a later message comes third.
        m_b->refreshContacts();
        m_a->refreshContacts();
        QTRY_VERIFY(m_a->contacts().indexOfAddress(u"PC-B"_s) >= 0);
        m_a->send({recipientOnA(u"PC-B"_s)}, u"marker"_s, nullptr, nullptr);
        QTRY_VERIFY(!shown.isEmpty() && shown.last().first().value<IncomingEntry>().text == u"marker"_s);
        QCOMPARE(shown.size(), 3);
    }

    void outboxEditsCancelsAndKeepsWhatADamagedFileHolds()
    {
        const QString outboxPath = QDir(m_homeA->path()).filePath(u"Outbox.txt"_s);
        const Recipient b{u"PC-B"_s, u"Борис"_s, {}};
        m_a->queueForLater(b, u"one"_s);
        m_a->queueForLater(b, u"two"_s);
        const quint64 first = m_a->outbox().messages().at(0).id;
        const quint64 second = m_a->outbox().messages().at(1).id;
        m_a->editQueued(first, u"один\tс табуляцией"_s);
        m_a->cancelQueued(second);
        QCOMPARE(m_a->outbox().messages().size(), 1);

        Outbox reread(outboxPath);
        QVERIFY(reread.load());
        QCOMPARE(reread.messages().size(), 1);
        QCOMPARE(reread.messages().at(0).text, u"один\tс табуляцией"_s);
        QCOMPARE(reread.messages().at(0).recipient.displayName, u"Борис"_s);

        // A cut file: the whole messages stay, the file is kept for the user.
        QByteArray bytes = Outbox::serialize({reread.messages().at(0), {7, b, u"cut"_s, QDateTime::currentDateTime()}});
        bytes.chop(4);
        QFile file(outboxPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QString error;
        Outbox damaged(outboxPath);
        QVERIFY(!damaged.load(&error));
        QVERIFY(error.contains(u".bad"_s));
        QCOMPARE(damaged.messages().size(), 1);
        QCOMPARE(contentOf(outboxPath + u".bad"_s), bytes);
    }

    void fileIsSavedIntoThePresetFolder()
    {
        meet();
        QTemporaryDir inbox;
        m_b->options().set(Option::SaveIntoFolder, true);
        m_b->options().setSaveFolder(inbox.path());
        const QString source = QDir(m_homeA->path()).filePath(u"report.txt"_s);
        QByteArray content;
        for (int i = 0; i < 5000; ++i)
            content += QByteArray::number(i) + "\r\n";
        {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QSignalSpy notices(m_b.get(), &Messenger::fileNotice);
        QSignalSpy ended(m_a.get(), &Messenger::transferEnded);
        const int id = m_a->sendPaths({recipientOnA(u"PC-B"_s)}, {source}).first();
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.first().at(0).toInt(), id);
        QCOMPARE(ended.first().at(1).value<TransferQueue::Result>(), TransferQueue::Result::Sent);
        QTRY_COMPARE(notices.size(), 1);
        QCOMPARE(notices.first().first().toString(),
                 u"Получен файл report.txt !\n\rФайл сохранен в каталоге "_s + inbox.path() + u'.');
        QCOMPARE(m_promptsB.notices, QStringList({notices.first().first().toString()}));
        QCOMPARE(contentOf(QDir(inbox.path()).filePath(u"report.txt"_s)), content);
    }

    void incomingFileIsListedWhileItArrivesAndACutOneFails()
    {
        QTemporaryDir inbox;
        m_b->options().set(Option::SaveIntoFolder, true);
        m_b->options().setSaveFolder(inbox.path());
        TransferList &list = m_b->transfers();
        constexpr qint64 kSize = qint64(4) << 20;
        QByteArray body(kSize, '\0');
        for (qint64 i = 0; i < kSize; ++i)
            body[i] = char(i * 7 % 251);

        // A raw sender paces the bytes, so that the row is seen half-way.
        QTcpSocket sender;
        sender.connectToHost(QHostAddress::LocalHost, m_b->streamPort());
        sender.write(StreamFrame::encodeHeader(Cp1251::encode(u"C:\\Данные\\большой.bin"_s), kSize));
        qint64 written = kSize / 4;
        sender.write(body.left(written));
        QTRY_COMPARE(list.rowCount(), 1);
        const int id = list.idAt(0);
        const TransferList::Transfer *row = list.find(id);
        QCOMPARE(row->direction, TransferList::Direction::Incoming);
        QCOMPARE(row->name, u"большой.bin"_s);
        QCOMPARE(row->size, kSize);
        QCOMPARE(row->state, TransferList::State::Sending);
        QSignalSpy changes(&list, &QAbstractItemModel::dataChanged);
        while (list.find(id)->done == 0 && written < kSize - 65536) {
            sender.write(body.mid(written, 16384));
            written += 16384;
            changes.wait(20);
        }
        row = list.find(id);
        QVERIFY2(row->done > 0 && row->done < kSize, qPrintable(QString::number(row->done)));
        QCOMPARE(row->state, TransferList::State::Sending);
        QCOMPARE(list.data(list.index(0, TransferList::Status)).toString(), u"Прием"_s);
        QVERIFY(!list.data(list.index(0, TransferList::Rate)).toString().isEmpty());
        QVERIFY(!list.data(list.index(0, TransferList::TimeLeft)).toString().isEmpty());

        sender.write(body.mid(written));
        QTRY_VERIFY_WITH_TIMEOUT(sender.bytesAvailable() >= MsgFrame::kAckSize, 30000);
        QTRY_COMPARE(list.find(id)->state, TransferList::State::Saved);
        QCOMPARE(list.rowCount(), 1); // the same row, not a second one
        const QString saved = QDir(inbox.path()).filePath(u"большой.bin"_s);
        QCOMPARE(list.find(id)->path, saved);
        QCOMPARE(list.find(id)->done, kSize);
        QVERIFY(contentOf(saved) == body);

        // The sender cancels half-way: the row fails and nothing is kept.
        QTcpSocket cut;
        cut.connectToHost(QHostAddress::LocalHost, m_b->streamPort());
        cut.write(StreamFrame::encodeHeader("cut.bin", kSize));
        cut.write(body.left(kSize / 2));
        QTRY_COMPARE(list.rowCount(), 2);
        const int cutId = list.idAt(1);
        QCOMPARE(list.find(cutId)->state, TransferList::State::Sending);
        cut.abort();
        QTRY_COMPARE(list.find(cutId)->state, TransferList::State::Failed);
        QVERIFY(list.find(cutId)->done < kSize);
        QCOMPARE(QDir(inbox.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({u"большой.bin"_s}));
    }

    void fileGoesWhereTheUserChooses()
    {
        meet();
        QTemporaryDir chosen;
        m_promptsB.savePath = QDir(chosen.path()).filePath(u"kept.bin"_s);
        // Both keys are pinned: the file goes over the secure channel.
        QSignalSpy secureStreams(&m_b->secure()->streamServer(), &TStrmServer::streamReceived);
        const QString source = QDir(m_homeA->path()).filePath(u"data.bin"_s);
        {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(70000, '\x98'));
        }
        QSignalSpy ended(m_a.get(), &Messenger::transferEnded);
        const int id = m_a->sendPaths({recipientOnA(u"PC-B"_s)}, {source}).first();
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.first().at(0).toInt(), id);
        QCOMPARE(ended.first().at(1).value<TransferQueue::Result>(), TransferQueue::Result::Sent);
        QTRY_COMPARE(m_promptsB.asked, QStringList({u"data.bin"_s}));
        QCOMPARE(m_promptsB.notices, QStringList({u"Получен файл data.bin !"_s}));
        QTRY_COMPARE(contentOf(m_promptsB.savePath), QByteArray(70000, '\x98'));
        QCOMPARE(secureStreams.size(), 1);
        // Its row, made as the stream began, ends where the user put it.
        QCOMPARE(m_b->transfers().rowCount(), 1);
        const TransferList::Transfer *row = m_b->transfers().find(m_b->transfers().idAt(0));
        QCOMPARE(row->state, TransferList::State::Saved);
        QCOMPARE(row->path, m_promptsB.savePath);
    }

    void burstOfNetworkChangesAnnouncesOnce();
    void sendFailureIsNewsAgainAfterASuccess();
    void startsWithoutANetworkAndSaysNothingToTheUser();

    void autoAnswerRepliesAndHidesTheMessage()
    {
        meet();
        m_b->setAutoAnswer(true);
        QTRY_VERIFY(m_a->contacts().autoAnswerList().contains(u"PC-B"_s)); // told by datagram
        QSignalSpy answered(m_b.get(), &Messenger::autoAnswered);
        QSignalSpy shownOnB(m_b.get(), &Messenger::incomingShown);
        QSignalSpy shownOnA(m_a.get(), &Messenger::incomingShown);
        bool delivered = false;
        m_a->send({recipientOnA(u"PC-B"_s)}, u"ты здесь?"_s, [&](const Recipient &, bool ok) { delivered = ok; },
                  nullptr);
        QTRY_COMPARE(shownOnA.size(), 1);
        QVERIFY(delivered);
        const auto reply = shownOnA.first().first().value<IncomingEntry>();
        QCOMPARE(reply.header, u">>Сообщение от  PC-B"_s);
        QCOMPARE(reply.text, AutoAnswerTexts::reply(AutoAnswerTexts::defaultAnswer()));
        // B's key is pinned on A: the reply comes securely, never as an open claim of B's name.
        QCOMPARE(reply.origin, IncomingEntry::Origin::Secure);
        QTRY_COMPARE(answered.size(), 1);
        QTRY_COMPARE(shownOnB.size(), 1);
        const auto missed = shownOnB.first().first().value<IncomingEntry>();
        QCOMPARE(missed.kind, IncomingEntry::Kind::MissedWhileAnswering); // "Получать сообщения" is off
        QVERIFY2(missed.header.startsWith(u"Было сообщение от  \"PC-A\". Время: "_s), qPrintable(missed.header));
        // While answering, the message itself is not written to the history.
        QVERIFY(!contentOf(QDir(m_homeB->path()).filePath(u"Log.txt"_s)).contains(Cp1251::encode(u"ты здесь?"_s)));
    }

    void pinnedContactsTalkOverTlsAndOpenClaimsAreMarked()
    {
        meet(); // each heard the other's key announcement with its presence
        QVERIFY(m_a->securePort() && m_b->securePort());
        QCOMPARE(m_a->secure()->pins().pin(u"PC-B"_s)->fingerprint, m_b->secure()->identity().fingerprint());
        QCOMPARE(m_b->secure()->pins().pin(u"PC-A"_s)->fingerprint, m_a->secure()->identity().fingerprint());
        QSignalSpy shown(m_b.get(), &Messenger::incomingShown);
        QSignalSpy openDrops(&m_b->secure()->trust(), &KeyTrust::keyChanged);

        bool delivered = false;
        m_a->send({recipientOnA(u"PC-B"_s)}, u"тайна"_s, [&](const Recipient &r, bool ok) {
            delivered = ok;
            QVERIFY(r.secured);
        }, nullptr);
        QTRY_COMPARE(shown.size(), 1);
        QVERIFY(delivered);
        QCOMPARE(shown.first().first().value<IncomingEntry>().origin, IncomingEntry::Origin::Secure);

        // Anyone can write PC-A's name on the open channel: shown, but marked.
        TMsgClient forger;
        forger.setHost(u"127.0.0.1"_s);
        forger.setPort(m_b->messagePort());
        forger.setFromName(u"PC-A"_s);
        forger.postText(u"я PC-A, честно"_s);
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown.last().first().value<IncomingEntry>().origin, IncomingEntry::Origin::Unverified);
        QCOMPARE(openDrops.size(), 0);

        // The secure channel fails: the message is not sent in the open until the user says so.
        QSignalSpy failed(m_a.get(), &Messenger::secureSendFailed);
        m_b->secure()->close();
        bool finished = false;
        delivered = true;
        m_a->send({recipientOnA(u"PC-B"_s)}, u"вторая тайна"_s, [&](const Recipient &, bool ok) { delivered = ok; },
                  [&] { finished = true; });
        QTRY_VERIFY_WITH_TIMEOUT(finished, 30000);
        QVERIFY(!delivered);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().at(1).toString(), u"вторая тайна"_s);
        QCOMPARE(shown.size(), 2);
        finished = false;
        m_a->sendOpenly(failed.first().first().value<Recipient>(), u"вторая тайна"_s,
                        [&](const Recipient &r, bool ok) { delivered = ok && !r.secured; }, [&] { finished = true; });
        QTRY_VERIFY(finished);
        QVERIFY(delivered);
        QTRY_COMPARE(shown.size(), 3);
        QCOMPARE(shown.last().first().value<IncomingEntry>().origin, IncomingEntry::Origin::Unverified);
    }

    // A file for a pinned contact never falls back to the open channel by
    // itself: a computer answering with another key, or no secure listener,
    // is told with the reason, and the file goes openly only when asked to.
    void fileThatCannotGoSecurelyWaitsForTheUser()
    {
        meet();
        QTemporaryDir chosen;
        m_promptsB.savePath = QDir(chosen.path()).filePath(u"kept.bin"_s);
        const QString source = QDir(m_homeA->path()).filePath(u"отчёт.bin"_s);
        {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(30000, '\x5a'));
        }
        QSignalSpy failed(m_a.get(), &Messenger::secureFileSendFailed);
        QSignalSpy changed(m_a.get(), &Messenger::keyChanged);
        QSignalSpy secureStreams(&m_b->secure()->streamServer(), &TStrmServer::streamReceived);
        TransferList &sent = m_a->transfers();

        // A believes B has another key: B's real one, proved in the handshake, is refused and shown.
        QTemporaryDir otherHome;
        const Identity other = Identity::loadOrCreate(otherHome.path());
        const QString real = m_b->secure()->identity().fingerprint();
        m_a->secure()->pins().replace(u"PC-B"_s, other.fingerprint());
        int id = m_a->sendPaths({recipientOnA(u"PC-B"_s)}, {source}).first();
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.last().at(0).toInt(), id);
        QCOMPARE(failed.last().at(1).value<Recipient>().host, u"PC-B"_s);
        QCOMPARE(failed.last().at(2).toString(), source);
        QCOMPARE(failed.last().at(3).toString(), u"ключ компьютера изменился"_s);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toString(), u"PC-B"_s);
        QCOMPARE(changed.first().at(2).toString(), other.fingerprint());
        QCOMPARE(changed.first().at(3).toString(), real);
        QTRY_COMPARE(sent.find(id)->state, TransferList::State::Failed);
        QCOMPARE(m_b->transfers().rowCount(), 0);

        // The user accepts the key: the next file to the contact goes securely.
        QVERIFY(m_a->secure()->trust().accept(u"PC-B"_s, real));
        id = m_a->sendPaths({recipientOnA(u"PC-B"_s)}, {source}).first();
        QTRY_COMPARE(sent.find(id)->state, TransferList::State::Sent);
        QTRY_COMPARE(secureStreams.size(), 1);
        QTRY_COMPARE(contentOf(m_promptsB.savePath), QByteArray(30000, '\x5a'));
        QVERIFY(QFile::remove(m_promptsB.savePath));

        // No secure listener: refused, nothing in the open until the user says so.
        m_b->secure()->close();
        id = m_a->sendPaths({recipientOnA(u"PC-B"_s)}, {source}).first();
        QTRY_COMPARE(failed.size(), 2);
        QCOMPARE(failed.last().at(3).toString(), u"не удалось установить защищённое соединение"_s);
        QTRY_COMPARE(sent.find(id)->state, TransferList::State::Failed);
        QCOMPARE(m_b->transfers().rowCount(), 1);
        const int openId = m_a->sendFileOpenly(failed.last().at(1).value<Recipient>(), failed.last().at(2).toString());
        QTRY_COMPARE(sent.find(openId)->state, TransferList::State::Sent);
        QTRY_COMPARE(contentOf(m_promptsB.savePath), QByteArray(30000, '\x5a'));
        QCOMPARE(secureStreams.size(), 1);
        QCOMPARE(failed.size(), 2);
        QCOMPARE(changed.size(), 1);
    }

    void messageThatCannotBeJournaledIsRefusedAndTheUserTold()
    {
        const QString journal = QDir(m_homeB->path()).filePath(u"Log.journal"_s);
        QVERIFY(QDir().mkdir(journal)); // cannot be written
        QSignalSpy errors(m_b.get(), &Messenger::errorOccurred);
        QSignalSpy resolved(m_b.get(), &Messenger::errorResolved);
        TMsgClient peer;
        peer.setHost(u"127.0.0.1"_s);
        peer.setPort(m_b->messagePort());
        QSignalSpy replies(&peer, &TMsgClient::finished);
        peer.postText(u"не дойдёт"_s);
        QVERIFY(replies.wait());
        QCOMPARE(replies.first().first().toByteArray(), QByteArray()); // closed without acknowledgement
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first().first().toString(), u"journal"_s);

        QVERIFY(QDir().rmdir(journal));
        peer.postText(u"дойдёт"_s);
        QVERIFY(replies.wait());
        QCOMPARE(replies.last().first().toByteArray(), MsgFrame::acknowledgement());
        QCOMPARE(resolved.size(), 1);
    }

    void acknowledgedMessageNotYetSettledIsReceivedAtTheNextStart()
    {
        // B answers automatically to a computer that takes the reply and never
        // acknowledges it: the message waits unsettled while B is killed.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        m_b->setPeerMessagePort(silent.serverPort());
        m_b->setAutoAnswer(true);
        TMsgClient peer;
        peer.setHost(u"127.0.0.1"_s);
        peer.setPort(m_b->messagePort());
        peer.setFromName(u"127.0.0.1"_s);
        QSignalSpy replies(&peer, &TMsgClient::finished);
        peer.postText(u"сохранено"_s);
        QVERIFY(replies.wait());
        QCOMPARE(replies.first().first().toByteArray(), MsgFrame::acknowledgement());
        QTRY_VERIFY(silent.hasPendingConnections());
        m_b.reset(); // no recordPendingMessages(): as a crash ends it

        m_b = std::make_unique<Messenger>(loopback(m_homeB->path())); // auto-answer is off again
        QSignalSpy shown(m_b.get(), &Messenger::incomingShown);
        m_b->listen();
        m_b->options().load(IniFile(m_b->environment().settingsPath));
        m_b->goOnline(u"PC-B"_s);
        QTRY_COMPARE(shown.size(), 1);
        const auto entry = shown.first().first().value<IncomingEntry>();
        QVERIFY2(entry.header.startsWith(u">>Сообщение от  127.0.0.1  [получено до сбоя программы, "_s),
                 qPrintable(entry.header));
        QCOMPARE(entry.text, u"сохранено"_s);
        QCOMPARE(contentOf(QDir(m_homeB->path()).filePath(u"Log.txt"_s)).count(Cp1251::encode(u"сохранено"_s)), 1);
    }

    void messageFromOpenNameWithoutPinIsPlain()
    {
        QSignalSpy shown(m_b.get(), &Messenger::incomingShown);
        TMsgClient windowsPeer;
        windowsPeer.setHost(u"127.0.0.1"_s);
        windowsPeer.setPort(m_b->messagePort());
        windowsPeer.setFromName(u"WIN98"_s);
        windowsPeer.postText(u"hi"_s);
        QTRY_COMPARE(shown.size(), 1);
        QCOMPARE(shown.first().first().value<IncomingEntry>().origin, IncomingEntry::Origin::Open);
    }
};

void TestMessenger::burstOfNetworkChangesAnnouncesOnce()
{
    TUdpServer peer; // another computer, hearing what A broadcasts
    peer.setDefaultPort(0);
    QVERIFY(peer.setActive(true));
    QSignalSpy heard(&peer, &TUdpServer::datagramReceived);
    m_a->setPeerDatagramPort(peer.localPort());
    m_a->setAutoAnswer(true);
    QVERIFY(m_a->networkWatch());
    QSignalSpy again(m_a.get(), &Messenger::announcedAgain);

    // A link going down, coming back, and the new address: one burst.
    for (int i = 0; i < 3; ++i)
        m_a->networkWatch()->noteChange();
    QVERIFY(again.wait(5000));
    QVERIFY(!m_a->networkWatch()->isSettling());
    m_a->broadcast(u"&marker"_s);
    QTRY_VERIFY(decoded(heard).contains(u"&marker"_s));
    // The key announcement that follows every "%" is not what this counts.
    QStringList commands = decoded(heard);
    commands.removeIf([](const QString &d) { return d.startsWith(u'$'); });
    QVERIFY2(commands == (QStringList{u"(PC-A"_s, u"%PC-A"_s, u"(PC-A"_s, u"&marker"_s}), qPrintable(commands.join(u' ')));
    QCOMPARE(again.size(), 1);
}

void TestMessenger::sendFailureIsNewsAgainAfterASuccess()
{
    QSignalSpy errors(m_a.get(), &Messenger::errorOccurred);
    QSignalSpy resolved(m_a.get(), &Messenger::errorResolved);
    m_a->broadcast(QString(70000, u'x'));
    QCOMPARE(errors.size(), 1);
    const QString key = errors.first().at(0).toString();
    QCOMPARE(errors.first().at(1).toString(), u"Package Size Too Big."_s);
    m_a->broadcast(QString(70000, u'x'));
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors.last().at(0).toString(), key); // the window shows a kind once
    QVERIFY(resolved.isEmpty());

    m_a->broadcast(u"%PC-A"_s);
    QCOMPARE(resolved.size(), 1);
    QCOMPARE(resolved.first().first().toString(), key);
    m_a->broadcast(u"%PC-A"_s);
    QCOMPARE(resolved.size(), 1); // nothing was pending any more
}

void TestMessenger::startsWithoutANetworkAndSaysNothingToTheUser()
{
    if (!inPrivateNamespace())
        QSKIP("only in a private network namespace: unshare -rn");
    QTemporaryDir home;
    MessengerEnvironment env = loopback(home.path());
    env.broadcastHost = u"255.255.255.255"_s; // as the program does
    Messenger core(env);
    QSignalSpy errors(&core, &Messenger::errorOccurred);
    core.listen();
    core.goOnline(u"PC-C"_s);
    core.refreshContacts();
    core.broadcast(u"&a chat line"_s);
    core.shutdown();
    QVERIFY2(errors.isEmpty(), qPrintable(errors.value(0).value(1).toString()));
}

QTEST_GUILESS_MAIN(TestMessenger)
#include "tst_messenger.moc"
