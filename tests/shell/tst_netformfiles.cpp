#include "FilesController.h"
#include "LoopbackEnvironment.h"
#include "MessageBoxProbe.h"
#include "NetForm.h"
#include "SettingsForm.h"
#include "SpoolFile.h"
#include "StreamFrame.h"
#include "TransferList.h"
#include "TransfersForm.h"

#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A 1 MiB file system of this test's own: a tmpfs in a private mount
// namespace (a user namespace too when not root), so that nothing outside
// sees it and it goes with the process.
struct SmallDisk
{
    QString path;
    QString why; // when there is none

    void mount()
    {
        if (::unshare(CLONE_NEWNS) != 0) {
            const uid_t uid = ::getuid();
            const gid_t gid = ::getgid();
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                why = u"no private mount namespace: %1"_s.arg(QString::fromLocal8Bit(std::strerror(errno)));
                return;
            }
            writeProc("/proc/self/setgroups", "deny");
            writeProc("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1");
            writeProc("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1");
        }
        // Private first: a mount made here must not reach the machine's own namespace.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            why = u"mount propagation: %1"_s.arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/tst_netformfiles-disk-XXXXXX";
        if (!::mkdtemp(folder.data())) {
            why = u"mkdtemp: %1"_s.arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        if (::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=1m,mode=0700") != 0) {
            why = u"tmpfs: %1"_s.arg(QString::fromLocal8Bit(std::strerror(errno)));
            ::rmdir(folder.constData());
            return;
        }
        path = QFile::decodeName(folder);
    }

    void unmount()
    {
        if (path.isEmpty())
            return;
        const QByteArray folder = QFile::encodeName(path);
        ::umount2(folder.constData(), MNT_DETACH);
        ::rmdir(folder.constData());
        path.clear();
    }

    static void writeProc(const char *file, const QByteArray &line)
    {
        QFile proc(QString::fromLatin1(file));
        if (proc.open(QIODevice::WriteOnly))
            proc.write(line);
    }
};

SmallDisk g_smallDisk;


} // namespace

// Files between two main windows in one process, on loopback ports chosen by the system.
class TestNetFormFiles : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TNetForm> m_sender;
    std::unique_ptr<TNetForm> m_receiver;

    std::unique_ptr<TNetForm> startForm(const QString &name, quint16 streamPort = 0)
    {
        const QString home = m_dir->filePath(name);
        QDir().mkpath(home);
        NetFormEnvironment env = loopbackEnvironment(home, name);
        env.streamPort = streamPort;
        auto form = std::make_unique<TNetForm>(env);
        form->startUp();
        form->show();
        return form;
    }

    // The receiver as the sender's only contact, selected.
    void selectReceiver(quint16 port)
    {
        m_sender->contacts().add(u"ПРИЁМНИК"_s, u"127.0.0.1"_s);
        m_sender->setPeerStreamPort(port);
        QListView *list = m_sender->widgets().listBox1();
        list->selectionModel()->setCurrentIndex(m_sender->contacts().index(0), QItemSelectionModel::ClearAndSelect);
    }

    static QFileDialog *dialog(TNetForm *form, const QString &name)
    {
        QFileDialog *found = form->findChild<QFileDialog *>(name);
        return found && found->isVisible() ? found : nullptr;
    }

    QString makeFile(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir->filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        return path;
    }

    // Presses "Отправить файл" and picks `path` in the open dialog.
    void sendThroughDialog(const QString &path)
    {
        m_sender->widgets().action(NetFormWidgets::NetAction::SendFile)->trigger();
        QTRY_VERIFY(dialog(m_sender.get(), u"OpenDialog1"_s));
        QFileDialog *open = dialog(m_sender.get(), u"OpenDialog1"_s);
        QCOMPARE(open->nameFilters(), QStringList{u"Все файлы *.* (*)"_s});
        if (QWidget *focused = open->focusWidget())
            focused->clearFocus(); // selectFile() leaves a name edit that has the focus alone
        open->selectFile(path);
        static_cast<QDialog *>(open)->accept(); // as the Open button does
    }

    // Posts `content` under `fromName` straight to the receiver's stream port,
    // as any peer may: the acknowledgement, or empty when there was none.
    QByteArray postRaw(const QString &fromName, const QByteArray &content)
    {
        TStrmClient client;
        client.setHost(u"127.0.0.1"_s);
        client.setPort(m_receiver->streamPort());
        client.setFromName(fromName);
        QSignalSpy finished(&client, &TStrmClient::finished);
        QSignalSpy failed(&client, &TStrmClient::failed);
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(content);
        buffer->open(QIODevice::ReadOnly);
        client.postStream(std::move(buffer));
        if (!QTest::qWaitFor([&] { return !finished.isEmpty() || !failed.isEmpty(); }, 10000))
            return "<no end>";
        return finished.isEmpty() ? QByteArray() : finished.at(0).at(0).toByteArray();
    }

    static QStringList spoolFilesIn(const QString &folder)
    {
        return QDir(folder).entryList({u".zavolin-*.part"_s}, QDir::Files | QDir::Hidden);
    }

    static QByteArray contentOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

public:
    static void initMain()
    {
        // Before any thread exists: a user namespace can only be entered then.
        g_smallDisk.mount();
    }

private Q_SLOTS:
    void cleanupTestCase()
    {
        g_smallDisk.unmount();
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_sender = startForm(u"pc-a"_s);
        m_receiver = startForm(u"pc-b"_s);
    }

    void cleanup()
    {
        m_sender.reset();
        m_receiver.reset();
        m_dir.reset();
    }

    void sendIsRefusedWithoutExactlyOneContact()
    {
        m_sender->files().sendFile();
        QList<SeenBox> boxes = MessageBoxProbe::take(m_sender.get());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.at(0).caption, u"Внимание"_s);
        QCOMPARE(boxes.at(0).text, u"Не выбран абонент!"_s);
        QCOMPARE(boxes.at(0).icon, QMessageBox::Warning);

        m_sender->contacts().add(u"A"_s, u"10.0.0.1"_s);
        m_sender->contacts().add(u"B"_s, u"10.0.0.2"_s);
        QListView *list = m_sender->widgets().listBox1();
        list->selectionModel()->setCurrentIndex(m_sender->contacts().index(0), QItemSelectionModel::Select);
        list->selectionModel()->setCurrentIndex(m_sender->contacts().index(1), QItemSelectionModel::Select);
        m_sender->files().sendFile();
        boxes = MessageBoxProbe::take(m_sender.get());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.at(0).text, u"Выберано более одного абонента!"_s);
        QVERIFY(!dialog(m_sender.get(), u"OpenDialog1"_s));
    }

    void fileIsSavedIntoThePresetFolder()
    {
        const QString folder = m_dir->filePath(u"incoming"_s);
        QVERIFY(QDir().mkpath(folder));
        m_receiver->settingsForm()->setOption(Option::SaveIntoFolder, true);
        m_receiver->settingsForm()->setSaveFolder(folder);
        QByteArray content(200000, Qt::Uninitialized);
        for (qsizetype i = 0; i < content.size(); ++i)
            content[i] = char(i * 7);
        const QString path = makeFile(u"отчёт.bin"_s, content);
        selectReceiver(m_receiver->streamPort());
        sendThroughDialog(path);

        QTRY_VERIFY(MessageBoxProbe::shows(m_sender.get(), u"Файл отправлен!"_s));
        const QList<SeenBox> sent = MessageBoxProbe::take(m_sender.get());
        QCOMPARE(sent.at(0).caption, u"Внимание"_s);
        QCOMPARE(sent.at(0).icon, QMessageBox::Information);
        const QString saved = u"Получен файл отчёт.bin !\nФайл сохранен в каталоге "_s + folder + u'.';
        QTRY_VERIFY(MessageBoxProbe::shows(m_receiver.get(), saved));
        QCOMPARE(contentOf(QDir(folder).filePath(u"отчёт.bin"_s)), content);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"отчёт.bin"_s});
    }

    void aFloodOfSavedFilesOpensABoundedNumberOfNotices()
    {
        // Every file is saved and listed; only the first few are boxes, and
        // once they are read the next file is told by a box again.
        const QString folder = m_dir->filePath(u"flood"_s);
        QVERIFY(QDir().mkpath(folder));
        m_receiver->settingsForm()->setOption(Option::SaveIntoFolder, true);
        m_receiver->settingsForm()->setSaveFolder(folder);
        constexpr int kFiles = FilesController::kMaxOpenFileNotices + 7;
        for (int i = 0; i < kFiles; ++i)
            QVERIFY(!postRaw(u"C:\\in\\n%1.txt"_s.arg(i), "x").isEmpty());
        QTRY_COMPARE(QDir(folder).entryList(QDir::Files).size(), kFiles);
        QCOMPARE(MessageBoxProbe::take(m_receiver.get()).size(), FilesController::kMaxOpenFileNotices);
        QVERIFY(!postRaw(u"C:\\in\\after.txt"_s, "y").isEmpty());
        QTRY_VERIFY(MessageBoxProbe::shows(m_receiver.get(), u"Получен файл after.txt !\nФайл сохранен в каталоге "_s + folder + u'.'));
    }

    void withoutFolderTheFileIsDroppedAndTheSenderStillSucceeds()
    {
        m_receiver->settingsForm()->setOption(Option::SaveIntoFolder, true);
        m_receiver->settingsForm()->setSaveFolder(u"*"_s);
        selectReceiver(m_receiver->streamPort());
        sendThroughDialog(makeFile(u"f.txt"_s, "text"));
        QTRY_VERIFY(MessageBoxProbe::shows(m_sender.get(), u"Файл отправлен!"_s));
        QTRY_VERIFY(MessageBoxProbe::shows(m_receiver.get(), u"Не указан каталог сохранения полученных файлов!"_s));
        const QString home = m_dir->filePath(u"pc-b"_s);
        QTRY_COMPARE(QDir(home).entryList({u".zavolin-*"_s}, QDir::Files | QDir::Hidden), QStringList());
    }

    void receiverAsksWhereToSave()
    {
        selectReceiver(m_receiver->streamPort());
        sendThroughDialog(makeFile(u"report.txt"_s, "saved by dialog"));
        QTRY_VERIFY(MessageBoxProbe::shows(m_receiver.get(), u"Получен файл report.txt !"_s));
        QVERIFY(!dialog(m_receiver.get(), u"SaveDialog1"_s));
        MessageBoxProbe::take(m_receiver.get());
        QTRY_VERIFY(dialog(m_receiver.get(), u"SaveDialog1"_s));
        QFileDialog *save = dialog(m_receiver.get(), u"SaveDialog1"_s);
        QVERIFY(save->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
        const QString target = m_dir->filePath(u"chosen.txt"_s);
        if (QWidget *focused = save->focusWidget())
            focused->clearFocus();
        save->selectFile(target);
        static_cast<QDialog *>(save)->accept();
        QTRY_COMPARE(contentOf(target), QByteArray("saved by dialog"));
    }

    void unreachableReceiverIsASendError()
    {
        QTcpServer probe; // a port that is surely closed: bound, then released
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 closed = probe.serverPort();
        probe.close();
        selectReceiver(closed);
        sendThroughDialog(makeFile(u"f.txt"_s, "x"));
        QTRY_VERIFY(MessageBoxProbe::shows(m_sender.get(), u"Ошибка отправки файла!"_s));
        const QList<SeenBox> boxes = MessageBoxProbe::take(m_sender.get());
        QCOMPARE(boxes.at(0).caption, u"Внимание"_s);
        QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
        QVERIFY(!m_sender->files().isSendingFile());
    }

    void fileTooLargeForTheFormatIsRefusedBeforeConnecting()
    {
        QFile sparse(m_dir->filePath(u"dvd.iso"_s));
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.resize(qint64(1) << 31));
        sparse.close();
        QTcpServer watcher;
        QVERIFY(watcher.listen(QHostAddress::LocalHost));
        QSignalSpy contacts(&watcher, &QTcpServer::newConnection);
        selectReceiver(watcher.serverPort());
        sendThroughDialog(sparse.fileName());
        QTRY_VERIFY(!m_sender->findChildren<QMessageBox *>().isEmpty());
        const QList<SeenBox> boxes = MessageBoxProbe::take(m_sender.get());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.at(0).caption, u"Внимание"_s);
        QCOMPARE(boxes.at(0).icon, QMessageBox::Warning);
        QVERIFY2(boxes.at(0).text.startsWith(u"Файл не отправлен: его размер 2147483648 байт"_s),
                 qPrintable(boxes.at(0).text));
        QVERIFY(!m_sender->files().isSendingFile());
        QCOMPARE(contacts.size(), 0); // nothing was even tried
    }

    void longSendShowsProgressAndCanBeCancelled()
    {
        QTcpServer mute; // takes the connection and never reads: the send stalls
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        QFile sparse(m_dir->filePath(u"big.img"_s));
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.resize(qint64(1) << 30));
        sparse.close();
        selectReceiver(mute.serverPort());
        sendThroughDialog(sparse.fileName());
        QTRY_VERIFY(m_sender->files().isSendingFile());
        // The transfers window shows its progress; the main window stays usable.
        TTransfersForm *progress = m_sender->files().transfersForm();
        QVERIFY(progress->isVisible());
        QVERIFY(!progress->isModal());
        QCOMPARE(m_sender->messenger().transfers().find(progress->currentId())->name, u"big.img"_s);
        QVERIFY(m_sender->isEnabled());
        auto *cancel = progress->findChild<QPushButton *>(u"CancelButton"_s);
        QVERIFY(cancel);
        QTRY_VERIFY(cancel->isEnabled());
        cancel->click();
        QTRY_VERIFY(!m_sender->files().isSendingFile());
        // The outcome was reported when the send ended, and a cancel shows no box.
        QVERIFY(MessageBoxProbe::take(m_sender.get()).isEmpty());
    }

    void fullPresetFolderRefusesBeforeTheAcknowledgement()
    {
        if (g_smallDisk.path.isEmpty())
            QSKIP(qPrintable(u"no small file system to fill: "_s + g_smallDisk.why));
        const QString folder = QDir(g_smallDisk.path).filePath(u"in"_s);
        QVERIFY(QDir().mkpath(folder));
        m_receiver->settingsForm()->setOption(Option::SaveIntoFolder, true);
        m_receiver->settingsForm()->setSaveFolder(folder);
        const QString home = m_dir->filePath(u"pc-b"_s);
        const QString noRoom = u"Ошибка сохранения файла!\nФайл %1 от %2 не принят: нет места на диске в каталоге "_s
                               + folder + u'.';

        // Announced larger than the room: refused as the header arrives.
        QByteArray big(2 * 1024 * 1024, 'b');
        selectReceiver(m_receiver->streamPort());
        sendThroughDialog(makeFile(u"big.bin"_s, big));
        QTRY_VERIFY(MessageBoxProbe::shows(m_sender.get(), u"Ошибка отправки файла!"_s));
        QVERIFY(!MessageBoxProbe::shows(m_sender.get(), u"Файл отправлен!"_s));
        QTRY_VERIFY(MessageBoxProbe::shows(m_receiver.get(), noRoom.arg(u"big.bin"_s, u"127.0.0.1"_s)));
        MessageBoxProbe::take(m_receiver.get());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(spoolFilesIn(home), QStringList()); // spooled nowhere else either

        // Room at first, filled up by someone else while the bytes arrive.
        constexpr qint64 kSize = 700 * 1024;
        QTcpSocket raw;
        raw.connectToHost(QHostAddress::LocalHost, m_receiver->streamPort());
        QVERIFY(raw.waitForConnected(5000));
        raw.write(StreamFrame::encodeHeader("C:\\grows.bin", kSize) + QByteArray(100 * 1024, 'g'));
        QTRY_VERIFY(spoolFilesIn(folder).size() == 1
                    && QFileInfo(QDir(folder).filePath(spoolFilesIn(folder).at(0))).size() == 100 * 1024);
        QFile filler(QDir(g_smallDisk.path).filePath(u"filler"_s));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        QCOMPARE(filler.write(QByteArray(700 * 1024, 'f')), qint64(700 * 1024));
        QVERIFY(filler.flush());
        raw.write(QByteArray(kSize - 100 * 1024, 'g'));
        QTRY_VERIFY_WITH_TIMEOUT(raw.state() == QAbstractSocket::UnconnectedState, 10000);
        QVERIFY(!raw.readAll().startsWith("OK"));
        QTRY_VERIFY(MessageBoxProbe::shows(m_receiver.get(), noRoom.arg(u"grows.bin"_s, u"127.0.0.1"_s)));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
        filler.remove();
    }

    void hiddenNameForThePresetFolderIsRefusedBeforeTheAcknowledgement()
    {
        const QString folder = m_dir->filePath(u"incoming"_s);
        QVERIFY(QDir().mkpath(folder));
        m_receiver->settingsForm()->setOption(Option::SaveIntoFolder, true);
        m_receiver->settingsForm()->setSaveFolder(folder);
        QCOMPARE(postRaw(u"C:\\Users\\me\\.bashrc"_s, "evil"), QByteArray());
        QTRY_VERIFY(MessageBoxProbe::shows(m_receiver.get(), u"Файл от 127.0.0.1 не сохранен: недопустимое имя файла «.bashrc»."_s));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(spoolFilesIn(m_dir->filePath(u"pc-b"_s)), QStringList());
    }

    void filesWaitingForNobodyAreBounded()
    {
        // Nobody at the keyboard: the first file's notice stays open and the rest wait.
        const QString home = m_dir->filePath(u"pc-b"_s);
        int acknowledged = 0;
        int refused = 0;
        for (int i = 0; i < 70; ++i) {
            const QByteArray reply = postRaw(u"C:\\in\\f%1.txt"_s.arg(i), QByteArray(1000, char('a' + i % 26)));
            if (reply.isEmpty())
                ++refused;
            else
                ++acknowledged;
            QVERIFY(reply != "<no end>");
        }
        QCOMPARE(acknowledged, TStrmServer::kMaxSpooledFiles);
        QCOMPARE(refused, 70 - TStrmServer::kMaxSpooledFiles);
        QCOMPARE(spoolFilesIn(home).size(), TStrmServer::kMaxSpooledFiles);

        // A user sending then is told it failed.
        selectReceiver(m_receiver->streamPort());
        sendThroughDialog(makeFile(u"late.txt"_s, "late"));
        QTRY_VERIFY(MessageBoxProbe::shows(m_sender.get(), u"Ошибка отправки файла!"_s));

        // Once the user has dealt with one, there is room for the next.
        QTRY_VERIFY(MessageBoxProbe::shows(m_receiver.get(), u"Получен файл f0.txt !"_s));
        MessageBoxProbe::take(m_receiver.get());
        QTRY_VERIFY(dialog(m_receiver.get(), u"SaveDialog1"_s));
        dialog(m_receiver.get(), u"SaveDialog1"_s)->reject();
        QTRY_COMPARE(spoolFilesIn(home).size(), TStrmServer::kMaxSpooledFiles - 1);
        QVERIFY(!postRaw(u"C:\\in\\again.txt"_s, "again").isEmpty());
    }

    void staleSpoolFilesAreRemovedWhenTheStreamServerStarts()
    {
        const QString home = m_dir->filePath(u"pc-c"_s);
        const QString folder = m_dir->filePath(u"preset"_s);
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QDir().mkpath(folder));
        {
            QFile ini(QDir(home).filePath(u"Zavolin.ini"_s));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Form]\r\nSaveFileDir=" + QFile::encodeName(folder) + "\r\n");
        }
        QString error;
        for (const QString &where : {home, folder}) {
            const auto killed = SpoolFile::create(where, &error); // a killed instance's, closed
            QVERIFY(killed);
            killed->write("half");
        }
        const auto arriving = SpoolFile::create(folder, &error); // another instance still writes it
        QVERIFY(arriving);
        const QString mine = QDir(folder).filePath(u"mine.txt"_s);
        QFile(mine).open(QIODevice::WriteOnly);

        auto third = startForm(u"pc-c"_s);
        QCOMPARE(spoolFilesIn(home), QStringList());
        QCOMPARE(spoolFilesIn(folder), QStringList{QFileInfo(arriving->fileName()).fileName()});
        QVERIFY(QFile::exists(mine));
    }

    void portInUseIsReportedOnce()
    {
        TStrmServer holder;
        holder.setPort(0);
        QVERIFY(holder.listen());
        auto third = startForm(u"pc-c"_s, holder.serverPort());
        const QList<SeenBox> boxes = MessageBoxProbe::take(third.get());
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes.at(0).text.startsWith(u"Файлы не будут приниматься: порт %1 занят"_s.arg(holder.serverPort())));
    }
};

QTEST_MAIN(TestNetFormFiles)
#include "tst_netformfiles.moc"
