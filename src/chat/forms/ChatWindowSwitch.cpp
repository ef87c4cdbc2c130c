#include "ChatWindowSwitch.h"

#include "ChatForm.h"
#include "ChatPause.h"

#include <QAction>

ChatWindowSwitch::ChatWindowSwitch(QAction *menuItem, Setup setup, QObject *parent)
    : QObject(parent)
    , m_menuItem(menuItem)
    , m_setup(std::move(setup))
{
    connect(m_menuItem, &QAction::toggled, this, &ChatWindowSwitch::onToggled);
}

ChatWindowSwitch::~ChatWindowSwitch()
{
    // Whoever ends the program calls endAtExit first; nothing is sent from here.
    delete m_window.data();
}

TChatForm *ChatWindowSwitch::window() const
{
    return m_window;
}

ChatPort *ChatWindowSwitch::port() const
{
    return m_window ? &m_window->session() : nullptr;
}

void ChatWindowSwitch::onToggled(bool checked)
{
    if (m_settingCheck)
        return;
    if (checked && !m_window)
        open();
    else if (!checked && m_window)
        m_window->startClose();
}

void ChatWindowSwitch::open()
{
    m_window = new TChatForm(m_setup.settingsPath, m_setup.ownName(), m_setup.broadcast,
                             m_setup.makePause ? m_setup.makePause() : nullptr);
    connect(m_window, &TChatForm::closing, this, [this] { m_menuItem->setEnabled(false); });
    connect(m_window, &TChatForm::finished, this, &ChatWindowSwitch::onFinished);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void ChatWindowSwitch::onFinished()
{
    TChatForm *window = m_window.data();
    m_window.clear();
    m_settingCheck = true;
    m_menuItem->setChecked(false);
    m_settingCheck = false;
    m_menuItem->setEnabled(true);
    if (window) {
        window->hide();
        window->deleteLater(); // it is still emitting finished()
    }
}

void ChatWindowSwitch::endAtExit()
{
    if (TChatForm *window = m_window.data())
        window->finishNow();
}
