#include "DesktopController.h"

#include "Autostart.h"
#include "DesktopSession.h"
#include "GlobalHotKeys.h"
#include "SettingsForm.h"
#include "TrayIconUnit.h"

#include <QCoreApplication>
#include <QMainWindow>

DesktopController::DesktopController(QMainWindow *window, QMenu *trayMenu, TSettingsForm &settings, bool integrate)
{
    connect(&settings, &TSettingsForm::hotKeysToggled, this, [this](bool on) {
        on ? registerHotKeys() : unregisterHotKeys();
    });
    connect(&settings, &TSettingsForm::autostartToggled, this, [this](bool on) {
        if (!m_autostart)
            return;
        on ? m_autostart->enable(QCoreApplication::applicationFilePath()) : m_autostart->disable();
    });
    if (!integrate)
        return;
    m_autostart = std::make_unique<Autostart>();
    m_hotKeys = new GlobalHotKeys(window);
    connect(m_hotKeys, &GlobalHotKeys::hotKeyPressed, this, &DesktopController::onHotKey);
    m_tray = new TTrayIcon(window);
    m_tray->setObjectName(QStringLiteral("TrayIcon1"));
    m_tray->setMenu(trayMenu);
    connect(m_tray, &TTrayIcon::clicked, this, &DesktopController::trayClicked);
    auto *session = new DesktopSession(window);
    connect(session, &DesktopSession::sessionEnding, this, &DesktopController::sessionEnding);
}

DesktopController::~DesktopController() = default;

bool DesktopController::hasNoTray() const
{
    return m_tray && !m_tray->isAvailable();
}

void DesktopController::registerHotKeys()
{
    if (m_hotKeys)
        m_hotKeys->registerKeys();
}

void DesktopController::unregisterHotKeys()
{
    if (m_hotKeys)
        m_hotKeys->unregisterKeys();
}

void DesktopController::onHotKey(int modifiers, int virtualKey)
{
    if (modifiers != GlobalHotKeys::kModControl)
        return;
    if (virtualKey == GlobalHotKeys::kKeyQ)
        Q_EMIT incomingKeyPressed();
    else if (virtualKey == GlobalHotKeys::kKeyR)
        Q_EMIT outgoingKeyPressed();
}
