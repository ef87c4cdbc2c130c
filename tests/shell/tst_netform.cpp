#include "AboutForm.h"
#include "Cp1251.h"
#include "IncomingBrowser.h"
#include "IncomingEntry.h"
#include "IniFile.h"
#include "KeyAnnouncement.h"
#include "DatagramObserver.h"
#include "HistoryForm.h"
#include "LoopbackEnvironment.h"
#include "MsgChannel.h"
#include "NetForm.h"
#include "SettingsForm.h"
#include "TextToolsController.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <csignal>
#include <memory>

#include <sys/resource.h>

// The main window's start-up and shutdown, headless, with its datagrams sent
// to a listener of the test on loopback instead of the broadcast address.
class TestNetForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DatagramObserver> m_observer;
    std::unique_ptr<TNetForm> m_form;

    QString iniPath() const { return m_dir->filePath(QStringLiteral("Zavolin.ini")); }

    void writeIni(const QByteArray &content)
    {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void startForm(const QString &hostName = QStringLiteral("pc-test"), const QString &settingsPath = {},
                   bool desktop = false)
    {
        NetFormEnvironment env = loopbackEnvironment(m_dir->path(), hostName, m_observer->port());
        if (!settingsPath.isEmpty())
            env.settingsPath = settingsPath;
        env.desktopIntegration = desktop;
        m_form = std::make_unique<TNetForm>(env);
        m_form->startUp();
        m_form->show();
    }

    QStringList heard()
    {
        return m_observer->heard();
    }

    void sendToForm(const QByteArray &datagram)
    {
        QVERIFY(DatagramObserver::sendTo(m_form->datagramPort(), datagram));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_observer = std::make_unique<DatagramObserver>();
        QVERIFY(m_observer->isListening());
    }

    void cleanup()
    {
        m_form.reset();
        m_observer.reset();
        m_dir.reset();
    }

    void startUpAnnouncesPresenceThenAutoAnswerState_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("stateDatagram");
        QTest::addColumn<QString>("title");
        QTest::newRow("off") << QByteArray() << QStringLiteral(")PC-TEST") << QStringLiteral("Сеанс сообщений - Zavolin");
        QTest::newRow("on") << QByteArray("[Form]\r\nCh6=1\r\n") << QStringLiteral("(PC-TEST")
                            << QStringLiteral("Автоответчик - Zavolin");
    }

    void startUpAnnouncesPresenceThenAutoAnswerState()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, stateDatagram);
        QFETCH(QString, title);
        writeIni(ini);
        startForm();
        QTRY_COMPARE(heard(), QStringList({QStringLiteral("%PC-TEST"), stateDatagram}));
        // The key goes out beside the presence, naming this computer and its fingerprint.
        QCOMPARE(m_observer->keyAnnouncements().size(), 1);
        const auto announced = KeyAnnouncement::parse(m_observer->keyAnnouncements().first());
        QVERIFY(announced);
        QCOMPARE(announced->name, QStringLiteral("PC-TEST"));
        QCOMPARE(announced->fingerprint, m_form->messenger().secure()->identity().fingerprint());
        QCOMPARE(announced->port, m_form->messenger().securePort());
        QCOMPARE(m_form->windowTitle(), title);
        QCOMPARE(m_form->widgets().label2()->text(), QStringLiteral("PC-TEST"));
    }

    void ownNameUpperCasesAsciiOnly()
    {
        startForm(QStringLiteral("buh-пк2"));
        QCOMPARE(m_form->ownName(), QStringLiteral("BUH-пк2"));
    }

    void presenceRepliesAndOwnAnnouncementIsIgnored()
    {
        startForm();
        QTRY_COMPARE(m_observer->count(), 2);
        sendToForm("%PC-TEST");
        sendToForm("%PC2");
        QTRY_COMPARE(m_form->contacts().count(), 1);
        QCOMPARE(m_form->contacts().addressAt(0), QStringLiteral("PC2"));
        QTRY_COMPARE(heard().mid(2), QStringList{QStringLiteral("%PC-TEST")});
        sendToForm("#PC2");
        QTRY_COMPARE(m_form->contacts().count(), 0);
    }

    void shutdownSavesThenSaysFarewellLast()
    {
        writeIni("[Form]\r\nMusic=ring.wav\r\nCh9=0\r\n");
        startForm();
        QTRY_COMPARE(m_observer->count(), 2);
        QSignalSpy finished(m_form.get(), &TNetForm::finished);
        m_form->close(); // Ch9 off: Close ends the program without asking
        QCOMPARE(finished.size(), 1);
        QTRY_COMPARE(heard().last(), QStringLiteral("#PC-TEST"));
        const IniFile ini(iniPath());
        QCOMPARE(ini.readString(u"Form", u"Music"), QStringLiteral("ring.wav"));
        QCOMPARE(ini.readSection(u"Form").mid(0, 6),
                 QStringList({QStringLiteral("Music"), QStringLiteral("Ch9"), QStringLiteral("Top"),
                              QStringLiteral("Left"), QStringLiteral("Width"), QStringLiteral("Height")}));
        QCOMPARE(ini.readSection(u"Form").last(), QStringLiteral("FontStyle"));
        QCOMPARE(m_form->datagramPort(), quint16(0)); // the listener is gone
    }

    void unsavedSettingsAtExitAreShownBeforeTheProgramEnds()
    {
        // A folder that is a file: no user, root included, can write there.
        writeIni("not a folder");
        startForm(QStringLiteral("pc-test"), iniPath() + QStringLiteral("/Zavolin.ini"));
        QTRY_COMPARE(m_observer->count(), 2);
        QSignalSpy finished(m_form.get(), &TNetForm::finished);
        m_form->endSession();
        QTRY_COMPARE(heard().last(), QStringLiteral("#PC-TEST")); // the farewell does not wait
        auto *box = m_form->findChild<QMessageBox *>();
        QVERIFY(box && box->isVisible());
        QVERIFY(box->text().startsWith(QStringLiteral("Unable to write to ")));
        QCOMPARE(finished.size(), 0);
        box->button(QMessageBox::Ok)->click();
        QCOMPARE(finished.size(), 1);

        // Asked to end a second time (the session manager insists): it ends without the click.
        m_form.reset();
        startForm(QStringLiteral("pc-test"), iniPath() + QStringLiteral("/Zavolin.ini"));
        QSignalSpy again(m_form.get(), &TNetForm::finished);
        m_form->endSession();
        QVERIFY(m_form->findChild<QMessageBox *>());
        QCOMPARE(again.size(), 0);
        m_form->endSession();
        QCOMPARE(again.size(), 1);
    }

    // "Сохранить настройки" replaces the file once: when the disk takes only a
    // part of it, the old file stays as it was and the user is told.
    void refusedSaveLeavesTheSettingsFileWhole()
    {
        const QByteArray original = "[Form]\r\nCh9=0\r\n";
        writeIni(original);
        startForm();
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 64; // room for a few keys, not for all of them
        const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const bool savedAll = m_form->saveSettings();
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);
        QVERIFY(!savedAll);
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), original);
        auto *box = m_form->findChild<QMessageBox *>();
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Ошибка"));
        QCOMPARE(box->text(), QStringLiteral("Unable to write to ") + iniPath());
        box->accept();

        QVERIFY(m_form->saveSettings());
        QCOMPARE(IniFile(iniPath()).readSection(u"Form").size(), 33);
    }

    void closeHidesWhileCh9IsOnAndMinimizeAlwaysHides()
    {
        startForm();
        QVERIFY(m_form->settingsForm()->isOptionOn(Option::HideOnClose)); // on by default
        m_form->close();
        QVERIFY(!m_form->isVisible());
        QVERIFY(!m_form->hasShutDown());
        m_form->show();
        m_form->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!m_form->isVisible());
        QVERIFY(!(m_form->windowState() & Qt::WindowMinimized));
    }

    void hidesHalfASecondAfterStartWithCh18()
    {
        writeIni("[Form]\r\nCh18=1\r\n");
        startForm();
        QVERIFY(m_form->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->isVisible(), 3000);
    }

    void aBurstOfMessagesShowsTheWindowAndFillsTheViewInOneChange()
    {
        startForm();
        m_form->hideWindow();
        QVERIFY(!m_form->isVisible());
        QTextDocument *document = m_form->widgets().richEdit2()->document();
        int changes = 0;
        connect(document, &QTextDocument::contentsChange, this, [&] { ++changes; });
        // Three messages handed to the window in one turn of the event loop.
        Messenger &core = m_form->messenger();
        for (int i = 1; i <= 3; ++i) {
            IncomingEntry entry;
            entry.header = QStringLiteral(">>Сообщение от  PC%1").arg(i);
            entry.text = QStringLiteral("текст %1").arg(i);
            entry.scrollToEnd = true;
            Q_EMIT core.messageAnnounced(ReceiveAnnouncement{.showWindow = true});
            Q_EMIT core.incomingShown(entry);
        }
        QVERIFY(m_form->isVisible());
        // Saving the view right away still writes every message received.
        const QString saved = m_dir->filePath(QStringLiteral("in.txt"));
        QVERIFY(m_form->textTools().saveIncomingTo(saved));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(Cp1251::decode(file.readAll()).contains(QStringLiteral("текст 3")));
        QCOMPARE(document->toPlainText(), QStringLiteral(">>Сообщение от  PC1\nтекст 1\n>>Сообщение от  PC2\nтекст 2\n"
                                                         ">>Сообщение от  PC3\nтекст 3\n"));
        QCOMPARE(changes, 1);
    }

    void receivedMessagesComeBackInOrderIntoTheView()
    {
        startForm();
        m_form->hideWindow();
        TMsgClient client;
        client.setHost(QStringLiteral("127.0.0.1"));
        client.setPort(m_form->messagePort());
        client.setFromName(QStringLiteral("PC2"));
        constexpr int kCount = 20;
        for (int i = 1; i <= kCount; ++i) {
            QSignalSpy done(&client, &TMsgClient::finished);
            client.postText(QStringLiteral("сообщение %1").arg(i));
            QVERIFY(done.wait(10000));
        }
        QTRY_VERIFY(m_form->widgets().richEdit2()->toPlainText().contains(QStringLiteral("сообщение %1").arg(kCount)));
        QVERIFY(m_form->isVisible());
        QStringList texts = m_form->widgets().richEdit2()->toPlainText().split(u'\n');
        texts.removeIf([](const QString &line) { return !line.startsWith(u"сообщение"); });
        QCOMPARE(texts.size(), kCount);
        for (int i = 1; i <= kCount; ++i)
            QCOMPARE(texts[i - 1], QStringLiteral("сообщение %1").arg(i));
    }

    void withoutATrayHidingMinimisesAndOpeningRestores()
    {
        // Offscreen there is no system tray, as on a desktop without a tray host.
        startForm(QStringLiteral("pc-test"), {}, true);
        for (auto open : {&TNetForm::openIncomingView, &TNetForm::openOutgoingView}) {
            m_form->hideWindow();
            QTRY_VERIFY(m_form->isMinimized());
            QVERIFY(m_form->isVisible()); // its taskbar button leads back
            (m_form.get()->*open)();
            QTRY_VERIFY(!m_form->isMinimized());
            QVERIFY(m_form->isVisible());
        }
    }

    void exitAsksAndNoKeepsRunning()
    {
        startForm();
        QSignalSpy finished(m_form.get(), &TNetForm::finished);
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            m_form->askExit();
            auto *box = m_form->findChild<QMessageBox *>(QStringLiteral("ExitQuestion"));
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("Закрытие"));
            QCOMPARE(box->text(), QStringLiteral("Закрытие программы не позволит Вам общаться с другими "
                                                 "абонентами.\nТочно выход?"));
            QCOMPARE(static_cast<QAbstractButton *>(box->defaultButton()), box->button(QMessageBox::No));
            box->button(answer)->click();
            QTRY_VERIFY(!m_form->findChild<QMessageBox *>(QStringLiteral("ExitQuestion")));
            QCOMPARE(finished.size(), answer == QMessageBox::Yes ? 1 : 0);
        }
    }

    void optionsAndListsAreReadAtStart()
    {
        writeIni("[Form]\r\nCh8=yes\r\nCh2=2\r\nCh15=0\r\nCh19=1\r\nWaitPopUp=500\r\nSaveFileDir=/srv/in\r\n");
        QFile blacklist(m_dir->filePath(QStringLiteral("BlackList.lst")));
        QVERIFY(blacklist.open(QIODevice::WriteOnly));
        blacklist.write("SPAM\r\n\xc2\xc0\xd1\xdf\r\n");
        blacklist.close();
        startForm();
        QVERIFY(m_form->option(Option::WarnBeforeSendToAll));  // unparsable: its default, on
        QVERIFY(m_form->option(Option::ClearAfterSend));
        QVERIFY(!m_form->option(Option::History));
        QVERIFY(m_form->option(Option::ReceiveWhileAnswering));
        QVERIFY(m_form->widgets().trayAction(NetFormWidgets::TrayAction::ReceiveMessages)->isChecked());
        QCOMPARE(m_form->settingsForm()->popupSeconds(), 500);
        QCOMPARE(m_form->settingsForm()->saveFolder(), QStringLiteral("/srv/in"));
        QCOMPARE(m_form->contacts().blacklist(), QStringList({QStringLiteral("SPAM"), QStringLiteral("ВАСЯ")}));
    }

    void aboutItemOpensTheAboutWindowWithTheFormsSettings()
    {
        writeIni("[Update]\r\nSiteURL=https://intranet.example/zavolin/\r\n");
        startForm();
        QAction *about = m_form->findChild<QAction *>(QStringLiteral("AboutAction"));
        QVERIFY(about);
        QCOMPARE(about->shortcut(), QKeySequence(Qt::Key_F1));
        about->trigger();
        TAboutForm *window = nullptr;
        QTRY_VERIFY((window = m_form->findChild<TAboutForm *>()) && window->isVisible());
        // Open without blocking, and modal to the main window as the menu item's window.
        QCOMPARE(window->windowModality(), Qt::WindowModal);
        QVERIFY(window->findChild<QLabel *>(QStringLiteral("SiteLink"))->text().contains(
            QStringLiteral("https://intranet.example/zavolin/")));
        QPointer<TAboutForm> guard(window);
        window->close();
        QTRY_VERIFY(!guard);
    }

    // Ctrl+L in the Open menu, after SMS: one history window over the data folder's Log.txt.
    void historyItemOpensOneHistoryWindow()
    {
        startForm();
        QVERIFY(m_form->messenger().recordSent(QStringLiteral("записано"), QStringLiteral("PEER"))
                == HistoryLog::Result::Written);
        QAction *history = m_form->findChild<QAction *>(QStringLiteral("HistoryAction"));
        QVERIFY(history);
        QCOMPARE(history->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
        QMenu *open = m_form->menuBar()->findChild<QMenu *>(QStringLiteral("OpenMenu"));
        const QList<QAction *> items = open->actions();
        QCOMPARE(items.indexOf(history), items.indexOf(m_form->findChild<QAction *>(QStringLiteral("SmsAction"))) + 1);
        history->trigger();
        THistoryForm *window = nullptr;
        QTRY_VERIFY((window = m_form->findChild<THistoryForm *>()) && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("История сообщений"));
        QTRY_COMPARE(window->model().rowCount(), 1);
        QCOMPARE(window->model().record(0).text, QStringLiteral("записано"));
        history->trigger();
        QCOMPARE(m_form->findChildren<THistoryForm *>().size(), 1);
        window->close();
    }
};

QTEST_MAIN(TestNetForm)
#include "tst_netform.moc"
