// The desktop notification around the main window: popups, the floating
// window, the menus' look and the desktop's notification service. Wired in one
// place so the rest of the window only asks for them by name.
#include "NetForm.h"

#include "DesktopNotifier.h"
#include "FloatForm.h"
#include "Icons.h"
#include "MenuDrawing.h"
#include "SettingsForm.h"
#include "SideBarMenu.h"
#include "SlidePopUp.h"
#include "TrayIconUnit.h"
#include "WindowFront.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>

void TNetForm::wireNotify()
{
    m_slidePopUp = new TSlidePopUp(this);
    m_slidePopUp->setObjectName(QStringLiteral("SlidePopUp1"));
    PopupLook &look = m_slidePopUp->look();
    look.title = QStringLiteral("Zavolin");
    look.icon = Icons::pixmap(QStringLiteral("zavolin"), 24);
    look.size = QSize(148, 100);
    look.gradientFrom = QColor(0, 0, 255);
    look.gradientTo = QColor(0, 0, 0);
    QFont font = QApplication::font();
    font.setPixelSize(11);
    look.font = font;
    look.textColor = palette().color(QPalette::Base);
    look.titleFont = font;
    look.titleFont.setBold(true);
    look.titleColor = Qt::yellow;
    look.textAlignment = Qt::AlignHCenter;
    look.startGap = QPoint(2, 2);
    look.cascade = true;
    look.slideIn = true;
    connect(m_slidePopUp, &TSlidePopUp::clicked, this, &TNetForm::onPopupClicked);
    connect(this, &TNetForm::popupRequested, this, &TNetForm::showPopup);

    connect(this, &TNetForm::floatingWindowRing, this, [this] {
        if (m_floatForm)
            m_floatForm->setRinging(true);
    });
    connect(m_settings.get(), &TSettingsForm::floatingWindowToggled, this, &TNetForm::setFloatingWindow);

    m_menuDrawing = new MenuDrawing(this);
    for (QAction *entry : menuBar()->actions()) {
        if (entry->menu())
            m_menuDrawing->addMenu(entry->menu());
    }
    m_menuDrawing->addMenu(m_ui.trayMenu());
    new SideBarMenu(m_ui.trayMenu(), QStringLiteral("Zavolin"));
    m_menuDrawing->setEffects(option(Option::MenuEffects));
    m_menuDrawing->setStyleIndex(options().menuStyle());
    connect(m_settings.get(), &TSettingsForm::menuEffectsToggled, m_menuDrawing, &MenuDrawing::setEffects);
    connect(&options(), &OptionsStore::menuStyleChanged, m_menuDrawing, &MenuDrawing::setStyleIndex);

    if (m_env.desktopIntegration) {
        m_notifier = new DesktopNotifier(this);
        connect(m_notifier, &DesktopNotifier::activated, this, &TNetForm::onPopupClicked);
    }
}

void TNetForm::showPopup(const QString &text)
{
    m_slidePopUp->look().text = text;
    m_slidePopUp->look().timeOutSeconds = options().popupSeconds();
    // Where windows cannot place themselves, the desktop shows the notice.
    if (m_notifier && !DesktopNotifier::windowsCanBePlaced(QGuiApplication::platformName())) {
        m_notifier->notify(text, options().popupSeconds());
        return;
    }
    m_slidePopUp->showPopUp();
}

void TNetForm::announceWithoutTray()
{
    // No tray to blink in: the desktop's notification says a message came,
    // unless the popup is about to say it.
    if (!m_notifier || !hasNoTray() || option(Option::Popup))
        return;
    m_notifier->notify(QStringLiteral("Получено сообщение"), options().popupSeconds());
}

void TNetForm::onPopupClicked()
{
    openIncomingView();
    m_slidePopUp->closePopUps();
    bringToFront(this);
}

void TNetForm::setFloatingWindow(bool on)
{
    if (!on) {
        m_floatForm.reset(); // stores its place
        return;
    }
    if (m_floatForm)
        return;
    m_floatForm = std::make_unique<TFloatForm>(m_env.settingsPath);
    m_floatForm->setHint(m_tray ? m_tray->toolTip() : QString());
    connect(m_floatForm.get(), &TFloatForm::doubleClicked, this, &TNetForm::onTrayClicked);
    m_floatForm->show();
}

void TNetForm::stopFloatingRing()
{
    if (m_floatForm)
        m_floatForm->stopRinging();
}

void TNetForm::setNotifyHint(const QString &text)
{
    if (m_tray)
        m_tray->setToolTip(text);
    if (m_floatForm)
        m_floatForm->setHint(text);
}
