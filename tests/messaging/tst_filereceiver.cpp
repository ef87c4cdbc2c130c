#include "FileReceiver.h"
#include "OptionsStore.h"
#include "FileStore.h"
#include "TransferList.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using Notice = FileReceiveHost::Notice;

namespace {

// The window's side, with boxes and dialogs the test closes and answers.
class FakeHost : public FileReceiveHost
{
public:
    OptionsStore options; // received-files folder "*" and every option off until a test sets them
    QList<QPair<Notice, QString>> notices;
    std::function<void()> openNotice; // the last box that waits to be closed
    QStringList offeredNames;
    std::function<void(const QString &)> openDialog;

    QString data = u"/var/data"_s;
    bool lists = false;

    QString dataFolder() const override { return data; }
    bool listsWaitingFiles() const override { return lists; }
    QString senderName(const QHostAddress &peer) const override
    {
        return peer == QHostAddress(u"10.0.0.2"_s) ? u"PC-B"_s : peer.toString();
    }
    void showFileNotice(Notice notice, const QString &text, std::function<void()> closed) override
    {
        notices.append({notice, text});
        openNotice = std::move(closed);
    }
    void askSavePath(const QString &fileName, std::function<void(const QString &path)> answered) override
    {
        offeredNames.append(fileName);
        openDialog = std::move(answered);
    }
    void closeNotice()
    {
        if (auto closed = std::exchange(openNotice, nullptr))
            closed();
    }
    void answer(const QString &path)
    {
        if (auto answered = std::exchange(openDialog, nullptr))
            answered(path);
    }
};

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

} // namespace

class TestFileReceiver : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_spool;
    std::unique_ptr<QTemporaryDir> m_folder;
    int m_spooled = 0;

    QStringList spoolFiles() const { return QDir(m_spool->path()).entryList(QDir::Files | QDir::Hidden); }
    QStringList folderFiles() const
    {
        return QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    ReceivedStream arrived(const QString &fromName, const QByteArray &content)
    {
        const QString path = m_spool->filePath(u".zavolin-%1.part"_s.arg(++m_spooled));
        writeFile(path, content);
        return ReceivedStream::complete(fromName, QHostAddress(u"10.0.0.2"_s), content.size(), path);
    }

private Q_SLOTS:
    void init()
    {
        m_spool = std::make_unique<QTemporaryDir>();
        m_folder = std::make_unique<QTemporaryDir>();
    }

    void cleanup()
    {
        m_folder.reset();
        m_spool.reset();
    }

    void presetFolderGetsTheFileAndReplacesAnOldOne()
    {
        FakeHost host;
        host.options.set(Option::SaveIntoFolder, true);
        host.options.setSaveFolder(m_folder->path());
        writeFile(m_folder->filePath(u"report.txt"_s), "old and longer");
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\Docs\\report.txt"_s, "new"));
        QCOMPARE(contentOf(m_folder->filePath(u"report.txt"_s)), QByteArray("new"));
        QCOMPARE(host.notices.size(), 1);
        QCOMPARE(host.notices.at(0).first, Notice::Information);
        QCOMPARE(host.notices.at(0).second,
                 u"Получен файл report.txt !\n\rФайл сохранен в каталоге "_s + m_folder->path() + u'.');
        QCOMPARE(spoolFiles(), QStringList());
        QCOMPARE(folderFiles(), QStringList{u"report.txt"_s});
        QCOMPARE(receiver.pending(), 0);
    }

    void savedFileGetsTheUsualPermissions()
    {
        FakeHost host;
        host.options.set(Option::SaveIntoFolder, true);
        host.options.setSaveFolder(m_folder->path());
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\p.txt"_s, "p"));
        QFile plain(m_folder->filePath(u"plain"_s));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QCOMPARE(QFile::permissions(m_folder->filePath(u"p.txt"_s)), plain.permissions());
    }

    void aLinkAtTheNameIsReplacedNotFollowed()
    {
        QTemporaryDir outside;
        const QString victim = outside.filePath(u"victim"_s);
        writeFile(victim, "precious");
        QVERIFY(QFile::link(victim, m_folder->filePath(u"report.txt"_s)));
        FakeHost host;
        host.options.set(Option::SaveIntoFolder, true);
        host.options.setSaveFolder(m_folder->path());
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\report.txt"_s, "payload"));
        QCOMPARE(contentOf(victim), QByteArray("precious"));
        QVERIFY(!QFileInfo(m_folder->filePath(u"report.txt"_s)).isSymLink());
        QCOMPARE(contentOf(m_folder->filePath(u"report.txt"_s)), QByteArray("payload"));
    }

    void noFolderChosenDropsTheFile()
    {
        FakeHost host;
        host.options.set(Option::SaveIntoFolder, true);
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\report.txt"_s, "x"));
        QCOMPARE(host.notices.size(), 1);
        QCOMPARE(host.notices.at(0).first, Notice::Warning);
        QCOMPARE(host.notices.at(0).second, u"Не указан каталог сохранения полученных файлов!"_s);
        QCOMPARE(spoolFiles(), QStringList());
    }

    void unusableFolderIsASaveError()
    {
        FakeHost host;
        host.options.set(Option::SaveIntoFolder, true);
        host.options.setSaveFolder(m_folder->filePath(u"gone"_s));
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\report.txt"_s, "x"));
        QCOMPARE(host.notices.size(), 1);
        QCOMPARE(host.notices.at(0).first, Notice::Warning);
        // The known text first; why, with the folder, on the second line.
        const QStringList lines = host.notices.at(0).second.split(u"\n\r"_s);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), u"Ошибка сохранения файла!"_s);
        QVERIFY2(lines.at(1).contains(host.options.saveFolder()), qPrintable(lines.at(1)));
        QCOMPARE(spoolFiles(), QStringList());
    }

    void saveDialogFollowsTheNoticeAndSavesWhereChosen()
    {
        FakeHost host;
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\Docs\\report.txt"_s, "chosen"));
        QCOMPARE(host.notices.size(), 1);
        QCOMPARE(host.notices.at(0).first, Notice::Information);
        QCOMPARE(host.notices.at(0).second, u"Получен файл report.txt !"_s);
        QVERIFY(host.offeredNames.isEmpty()); // not before the notice is closed
        host.closeNotice();
        QCOMPARE(host.offeredNames, QStringList{u"report.txt"_s});
        const QString target = m_folder->filePath(u"elsewhere.txt"_s);
        host.answer(target);
        QCOMPARE(contentOf(target), QByteArray("chosen"));
        QCOMPARE(host.notices.size(), 1);
        QCOMPARE(spoolFiles(), QStringList());
        QCOMPARE(receiver.pending(), 0);
    }

    void cancelledDialogDropsTheFile()
    {
        FakeHost host;
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\report.txt"_s, "x"));
        host.closeNotice();
        host.answer(QString());
        QCOMPARE(spoolFiles(), QStringList());
        QCOMPARE(folderFiles(), QStringList());
        QCOMPARE(host.notices.size(), 1);
    }

    void failedSaveAsSaysWhy()
    {
        FakeHost host;
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\report.txt"_s, "x"));
        host.closeNotice();
        host.answer(m_folder->filePath(u"no/such/folder/report.txt"_s));
        QCOMPARE(host.notices.size(), 2);
        QCOMPARE(host.notices.at(1).first, Notice::Error);
        QVERIFY(host.notices.at(1).second.startsWith(
            u"Ошибка сохранения файла!\n\rВероятно, файл с таким именем уже существует!\n\r"_s));
        // The guess is followed by the system's reason, with the path.
        const QString reason = host.notices.at(1).second.section(u"\n\r"_s, 2);
        QVERIFY2(reason.contains(m_folder->filePath(u"no/such/folder/report.txt"_s)), qPrintable(reason));
        QCOMPARE(spoolFiles(), QStringList());
    }

    void nextFileWaitsForTheDialogsOfTheOneBefore()
    {
        FakeHost host;
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\first.txt"_s, "1"));
        receiver.receive(arrived(u"C:\\second.txt"_s, "2"));
        QCOMPARE(receiver.pending(), 2);
        QCOMPARE(host.notices.size(), 1);
        host.closeNotice();
        QCOMPARE(host.notices.size(), 1); // the second waits while the dialog is open
        host.answer(m_folder->filePath(u"1"_s));
        QCOMPARE(host.notices.size(), 2);
        QCOMPARE(host.notices.at(1).second, u"Получен файл second.txt !"_s);
        host.closeNotice();
        host.answer(m_folder->filePath(u"2"_s));
        QCOMPARE(contentOf(m_folder->filePath(u"1"_s)), QByteArray("1"));
        QCOMPARE(contentOf(m_folder->filePath(u"2"_s)), QByteArray("2"));
        QCOMPARE(receiver.pending(), 0);
    }

    void incompleteAndUnstoredStreamsAreReported()
    {
        FakeHost host;
        host.options.set(Option::SaveIntoFolder, true);
        host.options.setSaveFolder(m_folder->path());
        FileReceiver receiver(host, host.options);
        receiver.receive(ReceivedStream::incomplete(u"C:\\big.iso"_s, QHostAddress(u"10.0.0.2"_s), 100, 40));
        receiver.receive(ReceivedStream::notStored(u"C:\\huge.iso"_s, QHostAddress(u"10.0.0.9"_s), 100,
                                                   u"No space left on device"_s));
        QCOMPARE(host.notices.size(), 2);
        QCOMPARE(host.notices.at(0).first, Notice::Warning);
        QCOMPARE(host.notices.at(0).second,
                 u"Файл big.iso от PC-B получен не полностью (40 из 100 байт) и не сохранен."_s);
        QCOMPARE(host.notices.at(1).first, Notice::Warning);
        QVERIFY(host.notices.at(1).second.startsWith(u"Ошибка сохранения файла!\n\rФайл huge.iso от 10.0.0.9 не принят"_s));
        QCOMPARE(folderFiles(), QStringList());
    }

    void hostileNamesAreRefusedAndNothingIsWritten_data()
    {
        QTest::addColumn<QString>("fromName");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("userMayPick"); // offered under another name in the save dialog
        QTest::newRow("parent") << u"C:\\x\\.."_s << u".."_s << false;
        QTest::newRow("dot") << u"C:\\x\\."_s << u"."_s << false;
        QTest::newRow("no name") << u"C:\\x\\"_s << u"C:\\x\\"_s << false;
        QTest::newRow("empty") << QString() << QString() << false;
        QTest::newRow("hidden") << u"C:\\.bashrc"_s << u".bashrc"_s << true;
        QTest::newRow("line feed") << u"C:\\a\nb.txt"_s << u"a?b.txt"_s << false;
    }

    void hostileNamesAreRefusedAndNothingIsWritten()
    {
        QFETCH(QString, fromName);
        QFETCH(QString, shown);
        QFETCH(bool, userMayPick);
        for (bool intoFolder : {true, false}) {
            if (userMayPick && !intoFolder)
                continue; // hiddenNameIsOfferedVisibleInTheSaveDialog
            FakeHost admitting;
            admitting.options.set(Option::SaveIntoFolder, intoFolder);
            admitting.options.setSaveFolder(m_folder->path());
            const StreamAdmission admission =
                FileReceiver(admitting, admitting.options).admit({fromName, QHostAddress(u"10.0.0.2"_s), 4, {}});
            QVERIFY(!admission.refusal.isEmpty()); // before a byte of it is stored
            QCOMPARE(admission.notice, u"Файл от PC-B не сохранен: недопустимое имя файла «%1»."_s.arg(shown));

            FakeHost host;
            host.options.set(Option::SaveIntoFolder, intoFolder);
            host.options.setSaveFolder(m_folder->path());
            FileReceiver receiver(host, host.options);
            receiver.receive(arrived(fromName, "evil"));
            QCOMPARE(host.notices.size(), 1);
            QCOMPARE(host.notices.at(0).first, Notice::Warning);
            QCOMPARE(host.notices.at(0).second,
                     u"Файл от PC-B не сохранен: недопустимое имя файла «%1»."_s.arg(shown));
            QVERIFY(host.offeredNames.isEmpty());
            QCOMPARE(folderFiles(), QStringList());
            QCOMPARE(spoolFiles(), QStringList());
        }
    }

    void hiddenNameIsOfferedVisibleInTheSaveDialog_data()
    {
        QTest::addColumn<QString>("fromName");
        QTest::addColumn<QString>("offered");
        QTest::newRow("one dot") << u"C:\\.bashrc"_s << u"bashrc"_s;
        QTest::newRow("two dots") << u"C:\\..profile.txt"_s << u"profile.txt"_s;
        QTest::newRow("only dots") << u"C:\\..."_s << QString(); // the user types a name
    }

    void hiddenNameIsOfferedVisibleInTheSaveDialog()
    {
        QFETCH(QString, fromName);
        QFETCH(QString, offered);
        FakeHost host;
        host.options.setSaveFolder(m_folder->path()); // not used while Ch20 is off
        FileReceiver receiver(host, host.options);
        const StreamAdmission admission = receiver.admit({fromName, QHostAddress(u"10.0.0.2"_s), 4, {}});
        QVERIFY2(admission.refusal.isEmpty(), qPrintable(admission.refusal));
        receiver.receive(arrived(fromName, "dots"));
        QCOMPARE(host.notices.size(), 1);
        QCOMPARE(host.notices.at(0).first, Notice::Information);
        host.closeNotice();
        QCOMPARE(host.offeredNames, QStringList{offered});
        const QString target = m_folder->filePath(u"picked"_s);
        host.answer(target);
        QCOMPARE(contentOf(target), QByteArray("dots"));
        QCOMPARE(folderFiles(), QStringList{u"picked"_s});
        QCOMPARE(host.notices.size(), 1);
    }

    void presetFolderIsTheOnlyPlaceItsFilesAreSpooled()
    {
        FakeHost host;
        FileReceiver receiver(host, host.options);
        const StreamOffer offer{u"C:\\Docs\\report.txt"_s, QHostAddress(u"10.0.0.2"_s), 1000, {}};

        // Asked where to save: the file waits in the data folder, or wherever there is room.
        StreamAdmission admission = receiver.admit(offer);
        QVERIFY(admission.refusal.isEmpty());
        QCOMPARE(admission.spoolFolder, host.data);
        QVERIFY(!admission.spoolFolderOnly);

        // With the preset folder, bytes acknowledged elsewhere might find no room there.
        host.options.set(Option::SaveIntoFolder, true);
        host.options.setSaveFolder(m_folder->path());
        admission = receiver.admit(offer);
        QVERIFY(admission.refusal.isEmpty());
        QCOMPARE(admission.spoolFolder, m_folder->path());
        QVERIFY(admission.spoolFolderOnly);

        // No folder chosen: taken, then dropped with its notice, as peers expect.
        host.options.setSaveFolder(u"*"_s);
        admission = receiver.admit(offer);
        QVERIFY(admission.refusal.isEmpty());
        QCOMPARE(admission.spoolFolder, host.data);

        // A preset folder that is gone: refused before the acknowledgement, and the user told why.
        host.options.setSaveFolder(m_folder->filePath(u"gone"_s));
        admission = receiver.admit(offer);
        QVERIFY(!admission.refusal.isEmpty());
        const QStringList lines = admission.notice.split(u"\n\r"_s);
        QCOMPARE(lines.value(0), u"Ошибка сохранения файла!"_s);
        QVERIFY(lines.value(1).startsWith(u"Файл report.txt от PC-B не принят"_s));
        QVERIFY2(lines.value(1).contains(host.options.saveFolder()), qPrintable(lines.value(1)));
        receiver.receive(ReceivedStream::refused(offer.fromName, offer.peer, offer.size, admission.notice));
        QCOMPARE(host.notices.size(), 1);
        QCOMPARE(host.notices.at(0).first, Notice::Warning);
        QCOMPARE(host.notices.at(0).second, admission.notice);
    }

    void fullDiskIsNamedWithItsFolder()
    {
        FakeHost host;
        FileReceiver receiver(host, host.options);
        receiver.receive(ReceivedStream::notStored(u"C:\\big.iso"_s, QHostAddress(u"10.0.0.2"_s), 100,
                                                   u"No space left on device"_s, m_folder->path(), true));
        receiver.receive(ReceivedStream::notStored(u"C:\\big.iso"_s, QHostAddress(u"10.0.0.2"_s), 100,
                                                   u"Permission denied"_s, m_folder->path(), false));
        QCOMPARE(host.notices.size(), 2);
        QCOMPARE(host.notices.at(0).second, u"Ошибка сохранения файла!\n\rФайл big.iso от PC-B не принят: "
                                            u"нет места на диске в каталоге %1."_s.arg(m_folder->path()));
        QVERIFY(host.notices.at(1).second.contains(u"Permission denied"_s));
        QVERIFY(host.notices.at(1).second.contains(m_folder->path()));
    }

    void noticesOfRefusedFilesDoNotPileUpBehindADialog()
    {
        FakeHost host;
        FileReceiver receiver(host, host.options);
        receiver.receive(arrived(u"C:\\wanted.txt"_s, "w")); // its notice waits to be closed
        for (int i = 0; i < 1000; ++i) {
            receiver.receive(ReceivedStream::refused(u"C:\\.x"_s, QHostAddress(u"10.0.0.9"_s), 4,
                                                     u"refused"_s));
        }
        QVERIFY2(receiver.pending() <= 1 + 64, qPrintable(QString::number(receiver.pending())));
        host.closeNotice();
        host.answer(QString());
        QCOMPARE(receiver.pending(), 0);
        QCOMPARE(host.notices.size(), int(1 + 64));
    }

    void filesArrivingWhileOneWaitsAreListedAndSavedTogether()
    {
        FakeHost host;
        host.lists = true;
        TransferList list;
        FileReceiver receiver(host, host.options);
        receiver.setTransferList(&list);
        receiver.receive(arrived(u"C:\\in\\first.txt"_s, "1"));
        QCOMPARE(host.notices.size(), 1);
        receiver.receive(arrived(u"C:\\in\\b.txt"_s, "b1"));
        receiver.receive(arrived(u"D:\\other\\b.txt"_s, "b2"));
        receiver.receive(arrived(u"C:\\in\\.profile"_s, "hidden"));
        // No notice, no dialog for the three: they wait in the list with the first.
        QCOMPARE(host.notices.size(), 1);
        QCOMPARE(receiver.waitingFiles(u"PC-B"_s).size(), 4);
        QCOMPARE(receiver.waitingFiles(u"PC-C"_s).size(), 0);
        QCOMPARE(list.rowCount(), 4);
        QCOMPARE(list.find(list.idAt(1))->state, TransferList::State::Deciding);
        writeFile(m_folder->filePath(u"b.txt"_s), "already there");

        QStringList errors;
        QCOMPARE(receiver.saveAllWaiting(u"PC-B"_s, m_folder->path(), &errors), 4);
        QCOMPARE(errors, QStringList());
        QCOMPARE(contentOf(m_folder->filePath(u"b.txt"_s)), QByteArray("already there"));
        QCOMPARE(contentOf(m_folder->filePath(u"b (2).txt"_s)), QByteArray("b1"));
        QCOMPARE(contentOf(m_folder->filePath(u"b (3).txt"_s)), QByteArray("b2"));
        QCOMPARE(contentOf(m_folder->filePath(u"profile"_s)), QByteArray("hidden"));
        QCOMPARE(contentOf(m_folder->filePath(u"first.txt"_s)), QByteArray("1"));
        QCOMPARE(list.find(list.idAt(0))->path, m_folder->filePath(u"first.txt"_s));
        QCOMPARE(list.find(list.idAt(0))->state, TransferList::State::Saved);

        // The first file's notice and dialog, answered late, change nothing.
        host.closeNotice();
        QVERIFY(!host.openDialog);
        QCOMPARE(receiver.pending(), 0);
        QCOMPARE(spoolFiles(), QStringList());

        // Afterwards a file asks again as ever.
        receiver.receive(arrived(u"C:\\in\\next.txt"_s, "n"));
        QCOMPARE(host.notices.size(), 2);
    }

    void rejectedFilesLeaveNothingAndTheDialogAnswerStillCounts()
    {
        FakeHost host;
        host.lists = true;
        TransferList list;
        FileReceiver receiver(host, host.options);
        receiver.setTransferList(&list);
        receiver.receive(arrived(u"C:\\first.txt"_s, "1"));
        receiver.receive(arrived(u"C:\\a.txt"_s, "a"));
        receiver.receive(arrived(u"C:\\b.txt"_s, "b"));
        const QList<int> waiting = receiver.waitingFiles();
        QCOMPARE(waiting.size(), 3);
        receiver.rejectWaiting(waiting.at(1));
        QCOMPARE(list.find(waiting.at(1))->state, TransferList::State::Rejected);
        QVERIFY(receiver.saveWaiting(waiting.at(2), m_folder->filePath(u"chosen.txt"_s)));
        QCOMPARE(contentOf(m_folder->filePath(u"chosen.txt"_s)), QByteArray("b"));
        // The first one's own dialog saves it.
        host.closeNotice();
        host.answer(m_folder->filePath(u"first-saved.txt"_s));
        QCOMPARE(contentOf(m_folder->filePath(u"first-saved.txt"_s)), QByteArray("1"));
        QCOMPARE(list.find(waiting.at(0))->state, TransferList::State::Saved);
        QCOMPARE(receiver.pending(), 0);
        QCOMPARE(spoolFiles(), QStringList());
    }

    void storeCopiesAcrossFileSystems()
    {
        const QString shm = u"/dev/shm"_s;
        if (!QFileInfo(shm).isDir() || !QFileInfo(shm).isWritable()
            || QStorageInfo(shm).device() == QStorageInfo(m_folder->path()).device())
            QSKIP("no second writable file system");
        QTemporaryDir other(shm + u"/tst_filereceiver-XXXXXX"_s);
        const QString spool = other.filePath(u"spool"_s);
        writeFile(spool, "across");
        const QString target = m_folder->filePath(u"t.txt"_s);
        writeFile(target, "old");
        QString error;
        QVERIFY2(FileStore::replace(spool, target, &error), qPrintable(error));
        QCOMPARE(contentOf(target), QByteArray("across"));
        QCOMPARE(folderFiles(), QStringList{u"t.txt"_s}); // no hidden copy left beside it
        QVERIFY(QFile::exists(spool));                      // its owner removes it

        QVERIFY(!FileStore::replace(spool, m_folder->filePath(u"missing/t.txt"_s), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(folderFiles(), QStringList{u"t.txt"_s});
    }
};

QTEST_GUILESS_MAIN(TestFileReceiver)
#include "tst_filereceiver.moc"
