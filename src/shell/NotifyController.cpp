#include "NotifyController.h"

#include "DesktopNotifier.h"
#include "FloatForm.h"
#include "Icons.h"
#include "MenuDrawing.h"
#include "OptionsStore.h"
#include "SettingsForm.h"
#include "SideBarMenu.h"
#include "SlidePopUp.h"
#include "TrayIconUnit.h"
#include "WindowFront.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

NotifyController::NotifyController(const Setup &setup)
    : m_window(setup.window)
    , m_tray(setup.tray)
    , m_options(setup.options)
    , m_settingsPath(setup.settingsPath)
{
    m_slidePopUp = new TSlidePopUp(m_window);
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
    look.textColor = m_window->palette().color(QPalette::Base);
    look.titleFont = font;
    look.titleFont.setBold(true);
    look.titleColor = Qt::yellow;
    look.textAlignment = Qt::AlignHCenter;
    look.startGap = QPoint(2, 2);
    look.cascade = true;
    look.slideIn = true;
    connect(m_slidePopUp, &TSlidePopUp::clicked, this, &NotifyController::onPopupClicked);
    connect(&setup.settings, &TSettingsForm::floatingWindowToggled, this, &NotifyController::setFloatingWindow);

    m_menuDrawing = new MenuDrawing(m_window);
    for (QAction *entry : m_window->menuBar()->actions()) {
        if (entry->menu())
            m_menuDrawing->addMenu(entry->menu());
    }
    m_menuDrawing->addMenu(setup.trayMenu);
    new SideBarMenu(setup.trayMenu, QStringLiteral("Zavolin"));
    m_menuDrawing->setEffects(m_options.isOn(Option::MenuEffects));
    m_menuDrawing->setStyleIndex(m_options.menuStyle());
    connect(&setup.settings, &TSettingsForm::menuEffectsToggled, m_menuDrawing, &MenuDrawing::setEffects);
    connect(&m_options, &OptionsStore::menuStyleChanged, m_menuDrawing, &MenuDrawing::setStyleIndex);

    if (setup.desktopService) {
        m_notifier = new DesktopNotifier(m_window);
        connect(m_notifier, &DesktopNotifier::activated, this, &NotifyController::onPopupClicked);
    }
}

NotifyController::~NotifyController() = default;

bool NotifyController::hasNoTray() const
{
    return m_tray && !m_tray->isAvailable();
}

void NotifyController::showPopup(const QString &text)
{
    m_slidePopUp->look().text = text;
    m_slidePopUp->look().timeOutSeconds = m_options.popupSeconds();
    // Where windows cannot place themselves, the desktop shows the notice.
    if (m_notifier && !DesktopNotifier::windowsCanBePlaced(QGuiApplication::platformName())) {
        m_notifier->notify(text, m_options.popupSeconds());
        return;
    }
    m_slidePopUp->showPopUp();
}

void NotifyController::ring()
{
    if (m_floatForm)
        m_floatForm->setRinging(true);
}

void NotifyController::announceWithoutTray()
{
    if (!m_notifier || !hasNoTray() || m_options.isOn(Option::Popup))
        return;
    m_notifier->notify(tr("Получено сообщение"), m_options.popupSeconds());
}

void NotifyController::onPopupClicked()
{
    Q_EMIT popupClicked();
    m_slidePopUp->closePopUps();
    bringToFront(m_window);
}

void NotifyController::setFloatingWindow(bool on)
{
    if (!on) {
        m_floatForm.reset(); // stores its place
        return;
    }
    if (m_floatForm)
        return;
    m_floatForm = std::make_unique<TFloatForm>(m_settingsPath);
    m_floatForm->setHint(m_tray ? m_tray->toolTip() : QString());
    connect(m_floatForm.get(), &TFloatForm::doubleClicked, this, &NotifyController::floatingWindowDoubleClicked);
    m_floatForm->show();
}

void NotifyController::stopRinging()
{
    if (m_floatForm)
        m_floatForm->stopRinging();
}

void NotifyController::setHint(const QString &text)
{
    if (m_tray)
        m_tray->setToolTip(text);
    if (m_floatForm)
        m_floatForm->setHint(text);
}

void NotifyController::endAtExit()
{
    if (m_floatForm)
        m_floatForm->endAtExit(); // the save before has reported a refused file
    m_floatForm.reset(); // stores its place
    m_slidePopUp->closePopUps();
}
