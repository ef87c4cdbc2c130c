#include "FileReceiver.h"
#include "FilesController.h"
#include "LoopbackEnvironment.h"
#include "MessageBoxProbe.h"
#include "NetForm.h"
#include "SettingsForm.h"
#include "TransferList.h"
#include "TransfersForm.h"

#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;
using State = TransferList::State;

// Several files, folders, drops and the transfers window between two main
// windows in one process, on loopback ports chosen by the system.
class TestNetFormTransfers : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TNetForm> m_sender;
    std::unique_ptr<TNetForm> m_receiver;

    std::unique_ptr<TNetForm> startForm(const QString &name)
    {
        const QString home = m_dir->filePath(name);
        QDir().mkpath(home);
        auto form = std::make_unique<TNetForm>(loopbackEnvironment(home, name));
        form->startUp();
        form->show();
        return form;
    }

    QString makeFile(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir->filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        return path;
    }

    static QByteArray contentOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Files dropped at `position` of `target`, as a file manager drops them.
    static void drop(QWidget *target, const QPoint &position, const QStringList &paths)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        QDragEnterEvent enter(position, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPointF(position), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        QVERIFY(dropped.isAccepted());
    }

    // Outgoing rows of the sender's list, by contact.
    QStringList outgoingContacts() const
    {
        QStringList contacts;
        TransferList &list = m_sender->messenger().transfers();
        for (int row = 0; row < list.rowCount(); ++row) {
            const TransferList::Transfer *transfer = list.find(list.idAt(row));
            if (transfer->direction == TransferList::Direction::Outgoing)
                contacts << transfer->contact + u':' + transfer->name;
        }
        return contacts;
    }

    int countIn(const TransferList &list, State state) const
    {
        int n = 0;
        for (int row = 0; row < list.rowCount(); ++row)
            n += list.find(list.idAt(row))->state == state;
        return n;
    }

    void intoFolder(const QString &folder)
    {
        QVERIFY(QDir().mkpath(folder));
        m_receiver->settingsForm()->setOption(Option::SaveIntoFolder, true);
        m_receiver->settingsForm()->setSaveFolder(folder);
    }

    void addReceiverAs(const QString &name)
    {
        m_sender->contacts().add(name, u"127.0.0.1"_s);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_sender = startForm(u"pc-a"_s);
        m_receiver = startForm(u"pc-b"_s);
        m_sender->setPeerStreamPort(m_receiver->streamPort());
    }

    void cleanup()
    {
        m_sender.reset();
        m_receiver.reset();
        m_dir.reset();
    }

    void dropOnAContactSendsToThatContact()
    {
        const QString folder = m_dir->filePath(u"in"_s);
        intoFolder(folder);
        addReceiverAs(u"ПЕРВЫЙ"_s);
        addReceiverAs(u"ВТОРОЙ"_s);
        QListView *list = m_sender->widgets().listBox1();
        list->selectionModel()->setCurrentIndex(m_sender->contacts().index(0), QItemSelectionModel::ClearAndSelect);
        const int row = 1;
        const QRect second = list->visualRect(m_sender->contacts().index(row));
        QVERIFY(second.isValid());
        const QString a = makeFile(u"out/один.txt"_s, "one");
        const QString b = makeFile(u"out/два.bin"_s, QByteArray(100000, 'b'));
        drop(list->viewport(), second.center(), {a, b});
        const QString target = m_sender->contacts().displayNameAt(row);
        QCOMPARE(outgoingContacts(), (QStringList{target + u":один.txt"_s, target + u":два.bin"_s}));
        QTRY_COMPARE(contentOf(QDir(folder).filePath(u"два.bin"_s)), QByteArray(100000, 'b'));
        QCOMPARE(contentOf(QDir(folder).filePath(u"один.txt"_s)), QByteArray("one"));
        // The transfers window came up by itself, without taking the focus.
        TTransfersForm *form = m_sender->files().transfersForm();
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), u"Передача файлов"_s);
        QTRY_COMPARE(countIn(m_sender->messenger().transfers(), State::Sent), 2);
    }

    void dropOnTheEditorSendsToTheSelectedContactsAndTextStaysText()
    {
        const QString folder = m_dir->filePath(u"in"_s);
        intoFolder(folder);
        addReceiverAs(u"ПЕРВЫЙ"_s);
        m_sender->contacts().add(u"ВТОРОЙ"_s, u"127.0.0.1"_s);
        QListView *list = m_sender->widgets().listBox1();
        list->selectionModel()->select(m_sender->contacts().index(0), QItemSelectionModel::Select);
        list->selectionModel()->select(m_sender->contacts().index(1), QItemSelectionModel::Select);
        const QString dir = m_dir->filePath(u"Папка"_s);
        makeFile(u"Папка/вложено/x.txt"_s, "x");
        QPlainTextEdit *editor = m_sender->widgets().memo1();
        drop(editor->viewport(), editor->viewport()->rect().center(), {dir});
        QCOMPARE(outgoingContacts().size(), 2);
        QVERIFY(outgoingContacts().contains(u"ПЕРВЫЙ:Папка.zip"_s));
        QVERIFY(outgoingContacts().contains(u"ВТОРОЙ:Папка.zip"_s));
        QTRY_COMPARE_WITH_TIMEOUT(countIn(m_sender->messenger().transfers(), State::Sent), 2, 15000);
        QVERIFY(QFileInfo(QDir(folder).filePath(u"Папка.zip"_s)).size() > 0);
        QVERIFY(editor->toPlainText().isEmpty()); // a file drop leaves no path in the text

        // Text dropped on the editor goes in as a paste would put it.
        QMimeData text;
        text.setText(u"перетащенный текст"_s);
        const QPoint middle = editor->viewport()->rect().center();
        QDragEnterEvent enter(middle, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(editor->viewport(), &enter);
        QDragMoveEvent move(middle, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(editor->viewport(), &move);
        QDropEvent dropped(QPointF(middle), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(editor->viewport(), &dropped);
        QVERIFY(enter.isAccepted());
        QVERIFY(dropped.isAccepted());
        QCOMPARE(editor->toPlainText(), u"перетащенный текст"_s);
        QCOMPARE(outgoingContacts().size(), 2);
    }

    void dropWithoutASelectedContactIsRefused()
    {
        QPlainTextEdit *editor = m_sender->widgets().memo1();
        drop(editor->viewport(), editor->viewport()->rect().center(), {makeFile(u"f.txt"_s, "f")});
        const QList<SeenBox> boxes = MessageBoxProbe::take(m_sender.get());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.at(0).text, u"Не выбран абонент!"_s);
        QVERIFY(outgoingContacts().isEmpty());
    }

    void cancelInTheTransfersWindowEndsTheStreamAndTheReceiverKeepsNothing()
    {
        const QString folder = m_dir->filePath(u"in"_s);
        intoFolder(folder);
        addReceiverAs(u"ПРИЁМНИК"_s);
        QFile sparse(m_dir->filePath(u"big.img"_s));
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.resize(qint64(256) << 20));
        sparse.close();
        TTransfersForm *form = m_sender->files().transfersForm();
        TransferList &list = m_sender->messenger().transfers();
        auto *cancel = form->findChild<QPushButton *>(u"CancelButton"_s);
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), u"Отменить"_s);
        // Clicked as the first bytes are reported: on loopback the rest would follow at once.
        bool clicked = false;
        connect(&list, &QAbstractItemModel::dataChanged, form, [&] {
            const TransferList::Transfer *transfer = list.find(list.idAt(0));
            if (clicked || !transfer || transfer->done == 0)
                return;
            clicked = true;
            form->selectTransfer(transfer->id);
            QVERIFY(cancel->isEnabled());
            cancel->click();
        });
        m_sender->files().sendPaths({m_sender->messenger().recipientAt(0)}, {sparse.fileName()});
        QTRY_VERIFY(clicked);
        QTRY_COMPARE(list.find(list.idAt(0))->state, State::Cancelled);
        QVERIFY(!cancel->isEnabled());
        QTRY_VERIFY(MessageBoxProbe::open(m_receiver.get())); // told it came incomplete
        QVERIFY(MessageBoxProbe::take(m_receiver.get()).at(0).text.contains(u"получен не полностью"_s));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QDir(m_dir->filePath(u"pc-b"_s)).entryList({u".zavolin-*"_s}, QDir::Files | QDir::Hidden),
                 QStringList());
        QVERIFY(MessageBoxProbe::take(m_sender.get()).isEmpty());
    }

    // A send that failed says why in Russian, and goes again by "Повторить".
    void aFailedSendSaysWhyAndGoesAgain()
    {
        const QString folder = m_dir->filePath(u"in"_s);
        intoFolder(folder);
        addReceiverAs(u"ПРИЁМНИК"_s);
        quint16 closedPort = 0;
        {
            QTcpServer gone;
            QVERIFY(gone.listen(QHostAddress(QHostAddress::LocalHost)));
            closedPort = gone.serverPort();
        }
        m_sender->setPeerStreamPort(closedPort);
        m_sender->files().sendPaths({m_sender->messenger().recipientAt(0)}, {makeFile(u"again.txt"_s, "again")});
        TransferList &list = m_sender->messenger().transfers();
        QTRY_COMPARE(list.find(list.idAt(0))->state, State::Failed);
        const QString state = list.data(list.index(0, TransferList::Status)).toString();
        QCOMPARE(state, u"Ошибка: компьютер отказал в соединении (программа на нём не запущена или порт закрыт)"_s);
        QCOMPARE(list.data(list.index(0, TransferList::Status), Qt::ToolTipRole).toString(), state);

        TTransfersForm *form = m_sender->files().transfersForm();
        auto *retry = form->findChild<QPushButton *>(u"RetryButton"_s);
        form->selectTransfer(list.idAt(0));
        QVERIFY(retry->isEnabled());
        m_sender->setPeerStreamPort(m_receiver->streamPort());
        retry->click();
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(form->currentId(), list.idAt(1));
        QTRY_COMPARE(list.find(list.idAt(1))->state, State::Sent);
        QCOMPARE(contentOf(QDir(folder).filePath(u"again.txt"_s)), QByteArray("again"));
        QVERIFY(!retry->isEnabled());
    }

    void twentyFilesWaitInTheListAndAreSavedTogether()
    {
        // With Ch20 off: the first file asks with a notice and a dialog; those arriving while it waits are listed.
        addReceiverAs(u"ПРИЁМНИК"_s);
        QStringList paths;
        for (int i = 0; i < 20; ++i)
            paths << makeFile(u"batch/файл%1.txt"_s.arg(i, 2, 10, QChar(u'0')), QByteArray::number(i).repeated(1000 + i));
        m_sender->files().sendPaths({m_sender->messenger().recipientAt(0)}, paths);
        TransferList &received = m_receiver->messenger().transfers();
        QTRY_COMPARE_WITH_TIMEOUT(countIn(received, State::Deciding), 20, 20000);
        QCOMPARE(m_receiver->messenger().fileReceiver().waitingFiles(u"127.0.0.1"_s).size(), 20);
        // One notice (the first file's), not twenty.
        QCOMPARE(MessageBoxProbe::take(m_receiver.get()).size(), 1);
        QVERIFY(m_receiver->findChildren<QMessageBox *>().size() <= 1);

        TTransfersForm *form = m_receiver->files().transfersForm();
        QVERIFY(form->isVisible());
        form->view()->setCurrentIndex(received.index(received.rowCount() - 1, 0));
        auto *saveAll = form->findChild<QPushButton *>(u"SaveAllButton"_s);
        QVERIFY(saveAll && saveAll->isEnabled());
        QCOMPARE(saveAll->text(), u"Сохранить все в…"_s);
        QVERIFY(form->findChild<QPushButton *>(u"SaveButton"_s)->isEnabled());
        QVERIFY(form->findChild<QPushButton *>(u"RejectButton"_s)->isEnabled());
        const QString folder = m_dir->filePath(u"all"_s);
        QVERIFY(QDir().mkpath(folder));
        form->saveAllInto(folder);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 20);
        for (int i = 0; i < 20; ++i) {
            const QString name = u"файл%1.txt"_s.arg(i, 2, 10, QChar(u'0'));
            QCOMPARE(contentOf(QDir(folder).filePath(name)), QByteArray::number(i).repeated(1000 + i));
        }
        QCOMPARE(countIn(received, State::Saved), 20);
        QVERIFY(m_receiver->messenger().fileReceiver().waitingFiles().isEmpty());
        // The first file's dialog, answered late, has nothing left to do.
        if (QMessageBox *box = MessageBoxProbe::open(m_receiver.get()))
            MessageBoxProbe::closeAndWait(box);
        QTRY_COMPARE(QDir(m_dir->filePath(u"pc-b"_s)).entryList({u".zavolin-*"_s}, QDir::Files | QDir::Hidden),
                     QStringList());
        // Open the saved file and its folder with the desktop.
        QList<QUrl> opened;
        form->setOpener([&](const QUrl &url) { opened << url; });
        form->view()->setCurrentIndex(received.index(0, 0));
        form->findChild<QPushButton *>(u"OpenButton"_s)->click();
        form->findChild<QPushButton *>(u"OpenFolderButton"_s)->click();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(QFileInfo(opened.at(1).toLocalFile()).absoluteFilePath(), QFileInfo(folder).absoluteFilePath());
    }

    void rejectingAllOfAContactDropsTheirFiles()
    {
        addReceiverAs(u"ПРИЁМНИК"_s);
        QStringList paths;
        for (int i = 0; i < 4; ++i)
            paths << makeFile(u"r/f%1.txt"_s.arg(i), "r");
        m_sender->files().sendPaths({m_sender->messenger().recipientAt(0)}, paths);
        TransferList &received = m_receiver->messenger().transfers();
        QTRY_COMPARE(countIn(received, State::Deciding), 4);
        TTransfersForm *form = m_receiver->files().transfersForm();
        form->view()->setCurrentIndex(received.index(2, 0));
        form->findChild<QPushButton *>(u"RejectButton"_s)->click();
        QCOMPARE(countIn(received, State::Rejected), 1);
        form->view()->setCurrentIndex(received.index(3, 0));
        form->findChild<QPushButton *>(u"RejectAllButton"_s)->click();
        QCOMPARE(countIn(received, State::Rejected), 4);
        if (QMessageBox *box = MessageBoxProbe::open(m_receiver.get()))
            MessageBoxProbe::closeAndWait(box);
        QTRY_COMPARE(QDir(m_dir->filePath(u"pc-b"_s)).entryList({u".zavolin-*"_s}, QDir::Files | QDir::Hidden),
                     QStringList());
    }

    void menuOpensTheTransfersWindowAndTheDialogTakesSeveralFiles()
    {
        QAction *item = m_sender->findChild<QAction *>(u"TransfersAction"_s);
        QVERIFY(item);
        QCOMPARE(item->text(), u"Передача файлов"_s);
        item->trigger();
        QVERIFY(m_sender->files().transfersForm()->isVisible());
        QVERIFY(!m_sender->files().transfersForm()->accessibleName().isEmpty());
        for (QPushButton *button : m_sender->files().transfersForm()->findChildren<QPushButton *>())
            QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));

        addReceiverAs(u"ПРИЁМНИК"_s);
        m_sender->widgets().listBox1()->selectionModel()->setCurrentIndex(m_sender->contacts().index(0),
                                                                        QItemSelectionModel::ClearAndSelect);
        m_sender->files().sendFile();
        QFileDialog *open = nullptr;
        QTRY_VERIFY((open = m_sender->findChild<QFileDialog *>(u"OpenDialog1"_s)) && open->isVisible());
        QCOMPARE(open->fileMode(), QFileDialog::ExistingFiles);
        open->reject();
    }
};

QTEST_MAIN(TestNetFormTransfers)
#include "tst_netformtransfers.moc"
