#include "NetForm.h"

#include "AboutForm.h"
#include "ChatWindowSwitch.h"
#include "ContactDelegate.h"
#include "DesktopController.h"
#include "FilesController.h"
#include "IncomingController.h"
#include "IncomingBrowser.h"
#include "LifecycleController.h"
#include "Logging.h"
#include "MessForm.h"
#include "MessageBoxes.h"
#include "NetworkForm.h"
#include "NotifyController.h"
#include "OwnName.h"
#include "SendController.h"
#include "SettingsForm.h"
#include "SmsForm.h"
#include "TextToolsController.h"
#include "TrayIconUnit.h"
#include "WindowFront.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QToolButton>

using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

TNetForm::TNetForm(NetFormEnvironment environment, QWidget *parent)
    : QMainWindow(parent)
    , m_env(std::move(environment))
    , m_ui(this)
    , m_messenger(std::make_unique<Messenger>(m_env))
    , m_settings(std::make_unique<TSettingsForm>(m_messenger->options(), m_env.settingsPath))
    , m_lifecycle(std::make_unique<LifecycleController>(LifecycleController::Setup{
          {this, m_ui, *m_messenger}, *m_settings, m_env, [this] { goOnline(); }, [this] { hideWindow(); },
          [this] { m_chatWindow->endAtExit(); }, [this] { m_desktop->unregisterHotKeys(); },
          [this] {
              if (tray())
                  tray()->hide();
              m_notify->endAtExit();
          },
          [this](const QString &text) { return showError(text); }}))
    , m_desktop(std::make_unique<DesktopController>(this, m_ui.trayMenu(), *m_settings, m_env.desktopIntegration))
    , m_incoming(std::make_unique<IncomingController>(IncomingController::Setup{
          {this, m_ui, *m_messenger}, *m_desktop,
          [this] {
              showRestored();
              bringToFront(this);
          },
          m_env.settingsPath, m_env.dataFolder}))
{
    setObjectName(QStringLiteral("NetForm"));

    m_ui.listBox1()->setModel(&contacts());
    const QPixmap markers[4] = {m_ui.image(1), m_ui.image(2), m_ui.image(3), m_ui.image(4)};
    m_ui.listBox1()->setItemDelegate(new ContactDelegate(markers, m_ui.listBox1()));
    m_ui.listBox3()->setModel(&contacts());
    m_ui.listBox3()->setModelColumn(0);

    connect(m_lifecycle.get(), &LifecycleController::finished, this, &TNetForm::finished);
    wireCore();
    m_chatWindow = std::make_unique<ChatWindowSwitch>(
        m_ui.action(NetAction::Chat),
        ChatWindowSwitch::Setup{m_env.settingsPath, [this] { return ownName(); },
                                [this](const QString &datagram) { m_messenger->broadcast(datagram); }, {}});
    m_messenger->setChatPort([this] { return m_chatWindow->port(); });
    wireActions();
    m_send = std::make_unique<SendController>(SendController::Setup{
        {this, m_ui, *m_messenger}, [this] { hideWindow(); }, [this] { return hasShutDown(); }});
    wireMessaging();
    m_files = std::make_unique<FilesController>(
        FilesController::Setup{{this, m_ui, *m_messenger}, [this] { return hasShutDown(); }});
    wireContactWindows();
    m_textTools = std::make_unique<TextToolsController>(this, m_ui, m_incoming->batch(), m_env.dataFolder,
                                                        [this] { openOutgoingView(); });
    wireHistory();
    wireOutbox();
    DesktopController *desktop = m_desktop.get();
    connect(desktop, &DesktopController::trayClicked, this, &TNetForm::onTrayClicked);
    connect(desktop, &DesktopController::incomingKeyPressed, this, [this] { bringUp(&TNetForm::openIncomingView); });
    connect(desktop, &DesktopController::outgoingKeyPressed, this, [this] { bringUp(&TNetForm::openOutgoingView); });
    connect(desktop, &DesktopController::sessionEnding, this, &TNetForm::endSession);
    m_notify = std::make_unique<NotifyController>(NotifyController::Setup{
        this, m_ui.trayMenu(), tray(), options(), *m_settings, m_env.settingsPath, m_env.desktopIntegration});
    connect(m_incoming.get(), &IncomingController::popupDue, m_notify.get(), &NotifyController::showPopup);
    connect(m_incoming.get(), &IncomingController::ringRequested, m_notify.get(), &NotifyController::ring);
    connect(m_incoming.get(), &IncomingController::announcedWithoutTray, m_notify.get(),
            &NotifyController::announceWithoutTray);
    connect(m_notify.get(), &NotifyController::popupClicked, this, &TNetForm::openIncomingView);
    connect(m_notify.get(), &NotifyController::floatingWindowDoubleClicked, this, &TNetForm::onTrayClicked);
    // The servers listen from the moment the window exists.
    m_messenger->listen();
}

TNetForm::~TNetForm()
{
    m_lifecycle->shutdown();
}

void TNetForm::startUp()
{
    m_lifecycle->startUp();
}

void TNetForm::goOnline()
{
    const QString name = OwnName::fromHostName(m_env.hostName.isEmpty() ? OwnName::current() : m_env.hostName);
    m_ui.label2()->setText(name);
    setSessionTitle(option(Option::AutoAnswer));
    m_messenger->goOnline(name);
    m_textTools->loadPhrases();
    if (option(Option::HotKeys))
        m_desktop->registerHotKeys();
    if (tray())
        tray()->show();
}

bool TNetForm::hasShutDown() const
{
    return m_lifecycle->hasShutDown();
}

bool TNetForm::saveSettings()
{
    return m_lifecycle->saveSettings();
}

void TNetForm::wireCore()
{
    Messenger *core = m_messenger.get();
    // "Открыть" → "Сеть": what the network looks like from here.
    connect(m_ui.action(NetAction::Network), &QAction::triggered, this,
            [this, core] { (new NetworkForm([core] { return core->networkStatus(); }, this))->show(); });
    connect(core, &Messenger::errorOccurred, this, &TNetForm::reportOnce);
    connect(core, &Messenger::errorResolved, this, [this](const QString &key) { m_reported.removeAll(key); });
    connect(core, &Messenger::statusNotice, this, [](const QString &headline) { TMessForm::showNotice(headline); });
    connect(core, &Messenger::autoAnswered, this,
            [this] { m_notify->setHint(tr("Автоответчик: Приходили сообщения! - Zavolin")); });
    connect(core, &Messenger::receiveFailed, this,
            [this] { MessageBoxes::error(this, tr("Ошибка получения сообщения!")); });
    connect(core, &Messenger::historyNotCreated, this,
            [this] { MessageBoxes::warning(this, tr("Ошибка создания файла!")); });
    wireSecureChannel();
}

void TNetForm::wireActions()
{
    connect(m_ui.action(NetAction::Hide), &QAction::triggered, this, &TNetForm::hideWindow);
    connect(m_ui.action(NetAction::Exit), &QAction::triggered, this, &TNetForm::askExit);
    connect(m_ui.action(NetAction::Clear), &QAction::triggered, this, &TNetForm::clearView);
    connect(m_ui.action(NetAction::OpenOutgoing), &QAction::triggered, this, &TNetForm::openOutgoingView);
    connect(m_ui.action(NetAction::OpenIncoming), &QAction::triggered, this, &TNetForm::openIncomingView);
    connect(m_ui.action(NetAction::SaveSettings), &QAction::triggered, this, &TNetForm::saveSettings);
    connect(m_ui.action(NetAction::RefreshContacts), &QAction::triggered, this, &TNetForm::refreshContacts);
    connect(m_ui.action(NetAction::About), &QAction::triggered, this,
            [this] { (new TAboutForm(m_env.settingsPath, this))->open(); });
    connect(m_ui.action(NetAction::Settings), &QAction::triggered, this, [this] {
        m_settings->show();
        bringToFront(m_settings.get());
    });
    // Ctrl+M, the tool button and the tray item: a new SMS window each time.
    connect(m_ui.action(NetAction::Sms), &QAction::triggered, this, [this] {
        TsmsForm::open({m_env.settingsPath, OperatorBook::installed(),
                        QDir(m_env.dataFolder).filePath(QStringLiteral("NoteBook.lst"))});
    });
    connect(m_ui.speedButton13(), &QToolButton::clicked, this, &TNetForm::onOutgoingButton);
    connect(m_ui.speedButton14(), &QToolButton::clicked, this, &TNetForm::onIncomingButton);
    connect(m_ui.listBox1(), &QListView::clicked, this, [this] {
        openOutgoingView();
        m_ui.panel5()->hide();
    });

    // The tray menu mirrors the main menu.
    connect(m_ui.trayAction(TrayAction::OpenOutgoing), &QAction::triggered, this, &TNetForm::openOutgoingView);
    connect(m_ui.trayAction(TrayAction::OpenIncoming), &QAction::triggered, this, &TNetForm::openIncomingView);
    connect(m_ui.trayAction(TrayAction::Settings), &QAction::triggered, m_ui.action(NetAction::Settings),
            &QAction::trigger);
    connect(m_ui.trayAction(TrayAction::Exit), &QAction::triggered, this, &TNetForm::askExit);
    connect(m_ui.trayAction(TrayAction::Chat), &QAction::triggered, m_ui.action(NetAction::Chat), &QAction::trigger);
    connect(m_ui.trayAction(TrayAction::Sms), &QAction::triggered, m_ui.action(NetAction::Sms), &QAction::trigger);
    connect(m_ui.trayAction(TrayAction::AutoAnswerText), &QAction::triggered,
            m_ui.action(NetAction::AutoAnswerText), &QAction::trigger);
    auto mirror = [this](NetAction main, TrayAction tray) {
        connect(m_ui.action(main), &QAction::toggled, m_ui.trayAction(tray), &QAction::setChecked);
        connect(m_ui.trayAction(tray), &QAction::toggled, m_ui.action(main), &QAction::setChecked);
    };
    mirror(NetAction::AutoAnswer, TrayAction::AutoAnswer);
    mirror(NetAction::ReceiveMessages, TrayAction::ReceiveMessages);

    // The two options of the main menu: its items show the store and write into it.
    OptionsStore &options = m_messenger->options();
    const std::pair<Option, NetAction> menuOptions[] = {{Option::AutoAnswer, NetAction::AutoAnswer},
                                                        {Option::ReceiveWhileAnswering, NetAction::ReceiveMessages}};
    for (const auto &[option, id] : menuOptions) {
        QAction *item = m_ui.action(id);
        item->setChecked(options.isOn(option));
        connect(item, &QAction::toggled, this, [&options, option](bool on) { options.set(option, on); });
    }
    connect(&options, &OptionsStore::changed, this, [this, menuOptions](Option option, bool on) {
        for (const auto &[menuOption, id] : menuOptions) {
            if (menuOption == option)
                m_ui.action(id)->setChecked(on);
        }
    });
}

void TNetForm::hideWindow()
{
    m_ui.bringIncomingToFront();
    // Hidden is only safe while a tray icon leads back; desktops without a
    // system tray get a minimised window with its taskbar button instead.
    if (hasNoTray())
        showMinimized();
    else
        hide();
}

void TNetForm::showRestored()
{
    // Without a tray, hiding minimised the window: showing it must undo that too.
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
}

void TNetForm::openOutgoingView()
{
    showRestored();
    m_ui.speedButton13()->setChecked(true);
    m_ui.bringOutgoingToFront();
    m_ui.memo1()->setFocus();
}

void TNetForm::openIncomingView()
{
    m_ui.speedButton14()->setChecked(true);
    if (tray())
        tray()->stopBlinking();
    m_notify->stopRinging();
    m_ui.bringIncomingToFront();
    showRestored();
}

void TNetForm::onOutgoingButton()
{
    m_ui.bringOutgoingToFront();
    m_ui.memo1()->setFocus();
}

void TNetForm::onIncomingButton()
{
    if (tray())
        tray()->stopBlinking();
    m_notify->stopRinging();
    m_ui.bringIncomingToFront();
}

void TNetForm::clearView()
{
    if (m_ui.speedButton13()->isChecked()) {
        m_ui.memo1()->clear();
    } else {
        m_incoming->clearView();
    }
}

void TNetForm::askExit()
{
    m_lifecycle->askExit();
}

void TNetForm::refreshContacts()
{
    m_messenger->refreshContacts();
}

void TNetForm::endSession()
{
    m_lifecycle->endSession();
}

void TNetForm::closeEvent(QCloseEvent *event)
{
    if (m_lifecycle->closeRequested())
        event->accept();
    else
        event->ignore();
}

void TNetForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && !hasNoTray()) {
        // Never minimised: Minimize sends the window to the tray.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        QTimer::singleShot(0, this, &TNetForm::hideWindow);
    } else if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        m_ui.panel5()->hide();
    }
}

void TNetForm::hideEvent(QHideEvent *event)
{
    m_ui.panel5()->hide();
    QMainWindow::hideEvent(event);
}

void TNetForm::onTrayClicked()
{
    bringUp(tray() && tray()->isBlinking() ? &TNetForm::openIncomingView : &TNetForm::openOutgoingView);
}

void TNetForm::bringUp(void (TNetForm::*openView)())
{
    (this->*openView)();
    bringToFront(this);
}

TTrayIcon *TNetForm::tray() const
{
    return m_desktop ? m_desktop->tray() : nullptr;
}

bool TNetForm::hasNoTray() const
{
    return m_desktop && m_desktop->hasNoTray();
}

void TNetForm::reportOnce(const QString &key, const QString &text)
{
    if (m_reported.contains(key)) {
        qCWarning(lcZavolin, "%s", qPrintable(text));
        return;
    }
    m_reported.append(key);
    showError(text);
}

QMessageBox *TNetForm::showError(const QString &text)
{
    qCWarning(lcZavolin, "%s", qPrintable(text));
    return MessageBoxes::show(this, QMessageBox::Critical, tr("Ошибка"), text);
}
