#include "IncomingController.h"

#include "BringUpOnce.h"
#include "DesktopController.h"
#include "IncomingBrowser.h"
#include "IniFile.h"
#include "Messenger.h"
#include "NetFormWidgets.h"
#include "SettingKeys.h"
#include "SoundPlayer.h"
#include "TrayIconUnit.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMainWindow>
#include <QScrollBar>

IncomingController::IncomingController(const Setup &setup)
    : m_setup(setup)
    , m_view(setup.ui.richEdit2()->document())
    , m_batch(m_view,
              [this] {
                  QScrollBar *bar = m_setup.ui.richEdit2()->verticalScrollBar();
                  bar->setValue(bar->maximum());
              })
    , m_bringUp(new BringUpOnce(setup.window, setup.bringUp))
    , m_sound(new SoundPlayer(this))
{
    m_sound->setFileFolders({m_setup.dataFolder, QCoreApplication::applicationDirPath()});
    connect(&m_setup.messenger, &Messenger::messageAnnounced, this, &IncomingController::announce);
    connect(&m_setup.messenger, &Messenger::incomingShown, this,
            [this](const IncomingEntry &entry) { m_batch.add(entry); });
    connect(m_setup.ui.richEdit2(), &IncomingBrowser::anchorClicked, this,
            [](const QUrl &link) { QDesktopServices::openUrl(link); });

    m_popupTimer.setSingleShot(true);
    m_popupTimer.setInterval(1000);
    connect(&m_popupTimer, &QTimer::timeout, this,
            [this] { Q_EMIT popupDue(tr("Получено сообщение от: %1").arg(m_popupSender)); });
}

IncomingController::~IncomingController() = default;

void IncomingController::announce(const ReceiveAnnouncement &announcement)
{
    if (announcement.sound)
        m_sound->play(SettingKeys::kMusic.read(IniFile(m_setup.settingsPath)));
    if (announcement.blinkTray)
        startTrayBlinking();
    if (announcement.showWindow)
        m_bringUp->request();
    if (!announcement.popupFor.isEmpty())
        armPopup(announcement.popupFor);
    if (announcement.ringFloatingWindow)
        Q_EMIT ringRequested();
    if (announcement.clearIncoming) {
        m_batch.dropWaiting();
        m_view.clear();
    }
}

void IncomingController::clearView()
{
    m_batch.dropWaiting();
    m_setup.ui.richEdit2()->clear();
}

void IncomingController::startTrayBlinking()
{
    if (TTrayIcon *tray = m_setup.desktop.tray())
        tray->startBlinking();
    // No tray to blink: the taskbar button asks for attention instead.
    if (m_setup.desktop.hasNoTray()) {
        QApplication::alert(m_setup.window);
        Q_EMIT announcedWithoutTray();
    }
}

void IncomingController::armPopup(const QString &displayName)
{
    m_popupSender = displayName;
    if (!m_popupTimer.isActive()) // a second message renames the popup, it does not delay it
        m_popupTimer.start();
}
