#include "DatagramObserver.h"
#include "Fingerprint.h"
#include "ContactList.h"
#include "KeyAnnouncement.h"
#include "KeyForm.h"
#include "MessageBoxProbe.h"
#include "FilesController.h"
#include "LoopbackEnvironment.h"
#include "NetForm.h"
#include "PinStore.h"
#include "SecureChannel.h"
#include "StrmChannel.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTcpServer>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A computer on loopback that holds its own key and proves it in a handshake.
struct Peer
{
    QTemporaryDir home;
    SecureChannel channel{home.path(), 0};
    bool listening = channel.listen(QHostAddress(QHostAddress::LocalHost));
    QString fingerprint() const { return channel.identity().fingerprint(); }
};

// Everything a screen reader can read in a window.
QString readable(QAccessibleInterface *iface)
{
    QString all;
    for (QAccessible::Text t : {QAccessible::Name, QAccessible::Value, QAccessible::Description})
        all += iface->text(t) + u'\n';
    for (int i = 0; i < iface->childCount(); ++i)
        all += readable(iface->child(i));
    return all;
}

QMessageBox *boxSaying(QWidget *under, const QString &part)
{
    for (QMessageBox *box : under->findChildren<QMessageBox *>()) {
        if (box->isVisible() && box->text().contains(part))
            return box;
    }
    return nullptr;
}

} // namespace

// The contact's trust level in the list, its menu, the keys window (what two
// users read to each other over the phone, the "проверен" mark kept in the
// pins file, forgetting a key, choosing among offered keys) and the box
// asking about a changed key.
class TestNetFormSecure : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DatagramObserver> m_observer;
    std::unique_ptr<TNetForm> m_form;
    qint64 m_now = 0;

    KeyTrust &trust() { return m_form->messenger().secure()->trust(); }
    QString pinned(const QString &name) { return trust().pins().pin(name).value_or(PinStore::Pin()).fingerprint; }

    // `peer`, announced as PC2 from loopback, proves its key: pinned, or offered against the pin.
    void proveAsPc2(Peer &peer)
    {
        QVERIFY(peer.listening);
        m_now += KeyTrust::kVerifyIntervalMs; // each announcement may ask for a check
        const KeyAnnouncement announcement{u"PC2"_s, peer.channel.serverPort(), peer.fingerprint()};
        QVERIFY(DatagramObserver::sendTo(m_form->datagramPort(), announcement.encode()));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_observer = std::make_unique<DatagramObserver>();
        QVERIFY(m_observer->isListening());
        m_form = std::make_unique<TNetForm>(loopbackEnvironment(m_dir->path(), u"pc-test"_s, m_observer->port()));
        trust().setClock([this] { return m_now; });
        m_form->startUp();
        m_form->show();
        QTRY_COMPARE(m_observer->count(), 2);
        QVERIFY(DatagramObserver::sendTo(m_form->datagramPort(), "%PC2"));
        QTRY_COMPARE(m_form->contacts().count(), 1);
    }

    void cleanup()
    {
        m_form.reset();
        m_observer.reset();
        m_dir.reset();
    }

    void menuShowsBothFingerprintsAndKeepsTheVerifiedMark()
    {
        QMenu *menu = m_form->contactMenu();
        auto *item = menu->findChild<QAction *>(u"KeysItem"_s);
        QCOMPARE(item->text(), u"Ключи и отпечатки..."_s);
        m_form->widgets().listBox1()->setCurrentIndex(m_form->widgets().listBox1()->model()->index(0, 0));
        item->trigger();
        auto *form = m_form->findChild<TKeyForm *>();
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->windowTitle(), u"Ключи и отпечатки: PC2 - Zavolin"_s); // the menu's words
        QCOMPARE(form->contact(), u"PC2"_s);
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(form);
        QVERIFY(readable(window).contains(Fingerprint::grouped(m_form->messenger().secure()->identity().fingerprint())));
        // No key proven yet: nothing to compare, nothing to mark.
        QVERIFY(readable(window).contains(u"PC2: без шифрования"_s));
        QVERIFY(!form->verifiedBox()->isEnabled());

        Peer peer;
        proveAsPc2(peer);
        QTRY_COMPARE(form->pinnedField()->text(), Fingerprint::grouped(peer.fingerprint()));
        QVERIFY(readable(window).contains(Fingerprint::grouped(peer.fingerprint())));
        QVERIFY(readable(window).contains(u"PC2: зашифровано; ключ не сверен"_s));
        form->verifiedBox()->click();
        QVERIFY(readable(window).contains(u"PC2: зашифровано; ключ сверен"_s));
        PinStore stored(QDir(m_dir->path()).filePath(QString::fromLatin1(PinStore::kFileName)));
        QVERIFY(stored.pin(u"PC2"_s) && stored.pin(u"PC2"_s)->verified);

        // The same window again for the same contact, not a second one.
        QCOMPARE(m_form->openKeyForm(0), form);
        form->close();
        QTRY_VERIFY(!m_form->findChild<TKeyForm *>());
        form = m_form->openKeyForm(0);
        QVERIFY(form->verifiedBox()->isChecked());
    }

    // The box shows both fingerprints grouped in a fixed-width font; "Да"
    // pins the key it shows, even when another was offered since; closing
    // it pins nothing.
    void changedKeyBoxPinsExactlyTheKeyItShows()
    {
        Peer first, second, third;
        proveAsPc2(first);
        QTRY_COMPARE(pinned(u"PC2"_s), first.fingerprint());
        proveAsPc2(second);
        QMessageBox *shown = nullptr;
        QTRY_VERIFY((shown = boxSaying(m_form.get(), Fingerprint::grouped(second.fingerprint()))));
        QVERIFY(shown->text().contains(Fingerprint::grouped(first.fingerprint())));
        QVERIFY(shown->text().contains(u"monospace"_s));
        proveAsPc2(third); // offered while the box is open
        QMessageBox *later = nullptr;
        QTRY_VERIFY((later = boxSaying(m_form.get(), Fingerprint::grouped(third.fingerprint()))));
        later->reject(); // closed without an answer, as when the program ends
        QTRY_VERIFY(!boxSaying(m_form.get(), Fingerprint::grouped(third.fingerprint())));
        QCOMPARE(pinned(u"PC2"_s), first.fingerprint());
        shown->button(QMessageBox::Yes)->click();
        QCOMPARE(pinned(u"PC2"_s), second.fingerprint());
    }

    // Enter anywhere in the keys window closes it; accepting asks first, and
    // only "Да" pins the chosen key.
    void enterNeverAcceptsAndAcceptingAsks()
    {
        Peer first, second;
        proveAsPc2(first);
        QTRY_COMPARE(pinned(u"PC2"_s), first.fingerprint());
        proveAsPc2(second);
        QTRY_VERIFY(boxSaying(m_form.get(), Fingerprint::grouped(second.fingerprint())));
        TKeyForm *form = m_form->openKeyForm(0);
        QTRY_VERIFY(form->offeredList()->isVisible());
        QVERIFY(!form->verifiedBox()->isEnabled()); // nothing to mark while the keys disagree
        QPointer<TKeyForm> guard(form);
        QTest::keyClick(form->offeredList(), Qt::Key_Return);
        QTRY_VERIFY(!guard);
        QCOMPARE(pinned(u"PC2"_s), first.fingerprint());

        form = m_form->openKeyForm(0);
        form->acceptButton()->click();
        QMessageBox *question = nullptr;
        QTRY_VERIFY((question = boxSaying(form, Fingerprint::grouped(second.fingerprint()))));
        QTest::keyClick(question, Qt::Key_Return); // "Нет" is the default
        QTRY_VERIFY(!boxSaying(form, Fingerprint::grouped(second.fingerprint())));
        QCOMPARE(pinned(u"PC2"_s), first.fingerprint());
        form->acceptButton()->click();
        QTRY_VERIFY((question = boxSaying(form, Fingerprint::grouped(second.fingerprint()))));
        question->button(QMessageBox::Yes)->click();
        QCOMPARE(pinned(u"PC2"_s), second.fingerprint());
        QVERIFY(!form->verifiedBox()->isChecked()); // a new key is compared afresh
    }

    void forgetReturnsTheContactToTheOpenChannel()
    {
        Peer peer;
        proveAsPc2(peer);
        QTRY_COMPARE(pinned(u"PC2"_s), peer.fingerprint());
        TKeyForm *form = m_form->openKeyForm(0);
        form->forgetButton()->click();
        QMessageBox *question = nullptr;
        QTRY_VERIFY((question = boxSaying(form, u"Забыть ключ компьютера PC2?"_s)));
        question->button(QMessageBox::Yes)->click();
        QCOMPARE(trust().levelOf(u"PC2"_s), TrustLevel::Open);
        QVERIFY(!m_form->messenger().secure()->isSecureRoute(u"PC2"_s));
        // Until it proves a key again.
        QVERIFY(DatagramObserver::sendTo(m_form->datagramPort(), "%PC2"));
        proveAsPc2(peer);
        QTRY_COMPARE(trust().levelOf(u"PC2"_s), TrustLevel::FirstUse);
    }

    // Two addresses announce different keys for PC2: told once, nothing pinned, the user chooses.
    void conflictingKeysAreToldAndChosenInTheKeysWindow()
    {
        const QString keys[] = {QString(64, u'A'), QString(64, u'B')};
        const QString addresses[] = {u"127.0.0.2"_s, u"127.0.0.3"_s};
        for (int i : {0, 1}) {
            trust().notePresence(u"PC2"_s, addresses[i]);
            trust().noteAnnouncement(KeyAnnouncement{u"PC2"_s, 6712, keys[i]}, addresses[i]);
        }
        QVERIFY(boxSaying(m_form.get(), u"Несколько компьютеров называют себя PC2"_s));
        QVERIFY(pinned(u"PC2"_s).isEmpty());
        TKeyForm *form = m_form->openKeyForm(0);
        QTreeWidget *offered = form->offeredList();
        QCOMPARE(offered->topLevelItemCount(), 2);
        QTreeWidgetItem *chosen = offered->findItems(addresses[1], Qt::MatchExactly, 0).value(0);
        QVERIFY(chosen && chosen->text(2) == Fingerprint::grouped(keys[1]));
        offered->setCurrentItem(chosen);
        form->acceptButton()->click();
        QMessageBox *question = nullptr;
        QTRY_VERIFY((question = boxSaying(form, Fingerprint::grouped(keys[1]))));
        question->button(QMessageBox::Yes)->click();
        QCOMPARE(pinned(u"PC2"_s), keys[1]);
    }

    // Open, pinned on first use, compared: three levels the list tells apart
    // on the screen and to a screen reader.
    void contactListShowsThreeLevels()
    {
        for (const char *presence : {"%PC3", "%PC4"})
            QVERIFY(DatagramObserver::sendTo(m_form->datagramPort(), presence));
        QTRY_COMPARE(m_form->contacts().count(), 3);
        QVERIFY(m_form->messenger().secure()->pins().pinFirst(u"PC3"_s, QString(64, u'C')));
        QVERIFY(m_form->messenger().secure()->pins().pinFirst(u"PC4"_s, QString(64, u'D')));
        trust().setCompared(u"PC4"_s, true);

        QListView *list = m_form->widgets().listBox1();
        list->selectionModel()->clear();
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(list);
        const QString said = readable(accessible);
        const QImage shown = list->viewport()->grab().toImage();
        const QString words[] = {u"PC2, без шифрования"_s, u"PC3, зашифровано; ключ не сверен"_s,
                                 u"PC4, зашифровано; ключ сверен"_s};
        QList<QImage> marks;
        for (int row = 0; row < 3; ++row) {
            const QModelIndex index = m_form->contacts().index(row);
            const int level = index.data(ContactList::TrustRole).toInt();
            QCOMPARE(level, row); // rows PC2, PC3, PC4
            QVERIFY2(said.contains(words[row]), qPrintable(said));
            const QRect rect = list->visualRect(index);
            marks << shown.copy(QRect(rect.right() - 16, rect.top() + 1, 15, 14));
        }
        QVERIFY(marks[0] != marks[1] && marks[1] != marks[2] && marks[0] != marks[2]);
    }

    void shiftF10AndTheMenuKeyOpenTheContactMenu()
    {
        QListView *list = m_form->widgets().listBox1();
        list->setCurrentIndex(m_form->contacts().index(0));
        for (const QKeyCombination key : {Qt::SHIFT | Qt::Key_F10, QKeyCombination(Qt::Key_Menu)}) {
            QVERIFY(!m_form->contactMenu()->isVisible());
            QTest::keyClick(list, key.key(), key.keyboardModifiers());
            QTRY_VERIFY(m_form->contactMenu()->isVisible());
            m_form->contactMenu()->close();
        }
    }

    // A file that could not go securely asks once whether to send it openly,
    // instead of the plain error; Yes sends it in the open, this once.
    void failedSecureFileIsOfferedOpenly()
    {
        QTemporaryDir peerHome;
        const Identity peer = Identity::loadOrCreate(peerHome.path());
        QTcpServer probe; // a port that is surely closed: bound, then released
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 closed = probe.serverPort();
        probe.close();
        QVERIFY(m_form->messenger().secure()->pins().pinFirst(u"PC2"_s, peer.fingerprint(), u"127.0.0.1"_s));
        m_form->messenger().secure()->setPeerPort(closed);

        TStrmServer openServer;
        openServer.setPort(0);
        openServer.setSpoolFolder([this] { return m_dir->path(); });
        QList<ReceivedStream> received;
        connect(&openServer, &TStrmServer::streamReceived, this, [&](const ReceivedStream &s) { received << s; });
        QVERIFY(openServer.listen(QHostAddress::LocalHost));
        m_form->setPeerStreamPort(openServer.serverPort());

        const QString path = QDir(m_dir->path()).filePath(u"смета.txt"_s);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("cost 42");
        }
        QListView *list = m_form->widgets().listBox1();
        list->selectionModel()->setCurrentIndex(m_form->contacts().index(0), QItemSelectionModel::ClearAndSelect);
        m_form->widgets().action(NetFormWidgets::NetAction::SendFile)->trigger();
        QFileDialog *open = nullptr;
        QTRY_VERIFY((open = m_form->findChild<QFileDialog *>(u"OpenDialog1"_s)) && open->isVisible());
        if (QWidget *focused = open->focusWidget())
            focused->clearFocus();
        open->selectFile(path);
        static_cast<QDialog *>(open)->accept();

        const QString question = u"Файл «смета.txt» для PC2 не отправлен по защищённому каналу: "
                                 u"не удалось установить защищённое соединение.\nОтправить его открыто, без шифрования, один раз?"_s;
        QTRY_VERIFY(MessageBoxProbe::find(m_form.get(), question));
        QVERIFY(!m_form->files().isSendingFile());
        // The transfer's end came with the question, in the same turn: no second box.
        const QList<QMessageBox *> boxes = m_form->findChildren<QMessageBox *>();
        QCOMPARE(std::count_if(boxes.begin(), boxes.end(), [](QMessageBox *b) { return b->isVisible(); }), 1);
        QVERIFY(received.isEmpty());

        QMessageBox *box = MessageBoxProbe::find(m_form.get(), question);
        QCOMPARE(box->windowTitle(), u"Внимание"_s);
        box->button(QMessageBox::Yes)->click();
        QTRY_COMPARE(received.size(), 1);
        QFile got(received.first().spoolPath());
        QVERIFY(got.open(QIODevice::ReadOnly));
        QCOMPARE(got.readAll(), QByteArray("cost 42"));
        QVERIFY(received.first().fromName().endsWith(u"смета.txt"_s));
    }
};

QTEST_MAIN(TestNetFormSecure)
#include "tst_netformsecure.moc"
