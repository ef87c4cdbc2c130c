// Two messenger cores in one process, no display, on loopback ports the
// system picks: presence, a message with history, a file and an auto-answer,
// all through the cores' calls and signals.
#include "AutoAnswerTexts.h"
#include "Cp1251.h"
#include "IniFile.h"
#include "IncomingEntry.h"
#include "Messenger.h"
#include "UserPrompts.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
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
        connect(m_b.get(), &Messenger::soundRequested, this, [&] { order << u"sound"_s; });
        connect(m_b.get(), &Messenger::windowShowRequested, this, [&] { order << u"show"_s; });
        connect(m_b.get(), &Messenger::trayBlinkRequested, this, [&] { order << u"blink"_s; });
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

        const QByteArray logB = contentOf(QDir(m_homeB->path()).filePath(u"Log.txt"_s));
        const QByteArray logA = contentOf(QDir(m_homeA->path()).filePath(u"Log.txt"_s));
        QVERIFY2(logB.contains(Cp1251::encode(u"PC-A"_s)) && logB.contains(Cp1251::encode(u"Привет\r\nмир"_s)),
                 logB.constData());
        QVERIFY2(logA.contains(Cp1251::encode(u"PC-B"_s)) && logA.contains(Cp1251::encode(u"Привет\r\nмир"_s)),
                 logA.constData());
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
        FileSender::Refusal refusal = FileSender::Refusal::None;
        QString error;
        std::unique_ptr<QFile> file = FileSender::open(source, &refusal, &error);
        QVERIFY2(file, qPrintable(error));
        std::optional<FileSender::Result> result;
        m_a->sendFile(recipientOnA(u"PC-B"_s), std::move(file),
                      [&](FileSender::Result r, const QString &) { result = r; });
        QTRY_VERIFY(result.has_value());
        QCOMPARE(*result, FileSender::Result::Sent);
        QTRY_COMPARE(notices.size(), 1);
        QCOMPARE(notices.first().first().toString(),
                 u"Получен файл report.txt !\n\rФайл сохранен в каталоге "_s + inbox.path() + u'.');
        QCOMPARE(m_promptsB.notices, QStringList({notices.first().first().toString()}));
        QCOMPARE(contentOf(QDir(inbox.path()).filePath(u"report.txt"_s)), content);
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
        std::optional<FileSender::Result> result;
        FileSender::Refusal refusal = FileSender::Refusal::None;
        QString error;
        m_a->sendFile(recipientOnA(u"PC-B"_s), FileSender::open(source, &refusal, &error),
                      [&](FileSender::Result r, const QString &) { result = r; });
        QTRY_VERIFY(result.has_value());
        QCOMPARE(*result, FileSender::Result::Sent);
        QTRY_COMPARE(m_promptsB.asked, QStringList({u"data.bin"_s}));
        QCOMPARE(m_promptsB.notices, QStringList({u"Получен файл data.bin !"_s}));
        QTRY_COMPARE(contentOf(m_promptsB.savePath), QByteArray(70000, '\x98'));
        QCOMPARE(secureStreams.size(), 1);
    }

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
        QCOMPARE(reply.origin, IncomingEntry::Origin::Verified);
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
        QSignalSpy openDrops(m_b->secure(), &SecureChannel::keyMismatch);

        bool delivered = false;
        m_a->send({recipientOnA(u"PC-B"_s)}, u"тайна"_s, [&](const Recipient &r, bool ok) {
            delivered = ok;
            QVERIFY(r.secured);
        }, nullptr);
        QTRY_COMPARE(shown.size(), 1);
        QVERIFY(delivered);
        QCOMPARE(shown.first().first().value<IncomingEntry>().origin, IncomingEntry::Origin::Verified);

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

QTEST_GUILESS_MAIN(TestMessenger)
#include "tst_messenger.moc"
