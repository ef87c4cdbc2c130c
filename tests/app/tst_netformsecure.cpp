#include "DatagramObserver.h"
#include "Fingerprint.h"
#include "KeyAnnouncement.h"
#include "KeyForm.h"
#include "MessageBoxProbe.h"
#include "LoopbackEnvironment.h"
#include "NetForm.h"
#include "PinStore.h"
#include "SecureChannel.h"
#include "StrmChannel.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTcpServer>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The contact's menu and the window comparing fingerprints: what two users
// read to each other over the phone, the "проверен" mark kept in the pins
// file, and a changed key shown beside the pinned one until accepted.
class TestNetFormSecure : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DatagramObserver> m_observer;
    std::unique_ptr<TNetForm> m_form;

    // Another computer's identity, announced under `name` from loopback.
    void announce(const QString &name, const Identity &identity, quint16 port = 6712)
    {
        const KeyAnnouncement announcement{name, port, identity.fingerprint()};
        QVERIFY(DatagramObserver::sendTo(m_form->datagramPort(), announcement.encode()));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_observer = std::make_unique<DatagramObserver>();
        QVERIFY(m_observer->isListening());
        m_form = std::make_unique<TNetForm>(loopbackEnvironment(m_dir->path(), u"pc-test"_s, m_observer->port()));
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
        QTemporaryDir peerHome;
        const Identity peer = Identity::loadOrCreate(peerHome.path());
        QVERIFY(peer.isValid());

        QMenu *menu = m_form->contactMenu();
        QVERIFY(menu);
        QCOMPARE(m_form->widgets().listBox1()->contextMenuPolicy(), Qt::CustomContextMenu);
        auto *item = menu->findChild<QAction *>(u"KeysItem"_s);
        QVERIFY(item);
        QCOMPARE(item->text(), u"Ключи и отпечатки..."_s);
        m_form->widgets().listBox1()->setCurrentIndex(m_form->widgets().listBox1()->model()->index(0, 0));
        item->trigger();
        auto *form = m_form->findChild<TKeyForm *>();
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->windowTitle(), u"Ключи - Zavolin"_s);
        QCOMPARE(form->contact(), u"PC2"_s);
        const QString own = m_form->messenger().secure()->identity().fingerprint();
        QCOMPARE(form->ownLabel()->text(), Fingerprint::grouped(own));
        QVERIFY(form->ownLabel()->text().contains(u' '));
        // No key heard yet: nothing to compare, nothing to mark.
        QVERIFY(form->pinnedLabel()->text().startsWith(u"ключ не известен"_s));
        QVERIFY(!form->verifiedBox()->isEnabled());

        announce(u"PC2"_s, peer);
        QTRY_COMPARE(form->pinnedLabel()->text(), Fingerprint::grouped(peer.fingerprint()));
        QVERIFY(form->verifiedBox()->isEnabled());
        QVERIFY(!form->acceptButton()->isVisible());
        form->verifiedBox()->click();
        PinStore stored(QDir(m_dir->path()).filePath(QString::fromLatin1(PinStore::kFileName)));
        stored.load();
        QVERIFY(stored.pin(u"PC2"_s) && stored.pin(u"PC2"_s)->verified);

        // The same window again for the same contact, not a second one.
        QCOMPARE(m_form->openKeyForm(0), form);
        form->close();
        QTRY_VERIFY(!m_form->findChild<TKeyForm *>());
        form = m_form->openKeyForm(0);
        QVERIFY(form->verifiedBox()->isChecked());
    }

    void changedKeyIsShownAndCanBeAccepted()
    {
        QTemporaryDir firstHome, secondHome;
        const Identity first = Identity::loadOrCreate(firstHome.path());
        const Identity second = Identity::loadOrCreate(secondHome.path());
        announce(u"PC2"_s, first);
        QTRY_VERIFY(m_form->messenger().secure()->hasPinnedKey(u"PC2"_s));
        TKeyForm *form = m_form->openKeyForm(0);
        QVERIFY(form);
        form->verifiedBox()->click();
        QVERIFY(form->verifiedBox()->isChecked());

        announce(u"PC2"_s, second);
        QTRY_VERIFY(form->acceptButton()->isVisible());
        QVERIFY(form->offeredLabel()->text().contains(Fingerprint::grouped(second.fingerprint())));
        QVERIFY(form->offeredLabel()->text().contains(u"127.0.0.1"_s));
        QCOMPARE(form->pinnedLabel()->text(), Fingerprint::grouped(first.fingerprint()));
        QVERIFY(!form->verifiedBox()->isEnabled()); // nothing to mark while the keys disagree

        form->acceptButton()->click();
        QCOMPARE(form->pinnedLabel()->text(), Fingerprint::grouped(second.fingerprint()));
        QVERIFY(!form->acceptButton()->isVisible());
        QVERIFY(!form->verifiedBox()->isChecked()); // a new key is compared afresh
        QVERIFY(form->verifiedBox()->isEnabled());
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
        announce(u"PC2"_s, peer, closed);
        QTRY_VERIFY(m_form->messenger().secure()->hasPinnedKey(u"PC2"_s));

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
                                 u"защищённое соединение не удалось.\nОтправить его открыто, без шифрования, один раз?"_s;
        QTRY_VERIFY(MessageBoxProbe::find(m_form.get(), question));
        QVERIFY(!m_form->isSendingFile());
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
