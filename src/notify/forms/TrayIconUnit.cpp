#include "TrayIconUnit.h"

#include "ClickDebouncer.h"
#include "Icons.h"
#include "TrayHostWatcher.h"

#include <QSystemTrayIcon>

TTrayIcon::TTrayIcon(QObject *parent)
    : QObject(parent)
    , m_tray(new QSystemTrayIcon(this))
    , m_clicks(new ClickDebouncer(this))
    , m_icons{Icons::get(QStringLiteral("zavolin")), Icons::get(QStringLiteral("zavolin-blink"))}
{
    m_blinkTimer.setInterval(kBlinkIntervalMs);
    connect(&m_blinkTimer, &QTimer::timeout, this, &TTrayIcon::stepBlink);
    connect(m_clicks, &ClickDebouncer::activated, this, &TTrayIcon::clicked);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_clicks->click();
        else if (reason == QSystemTrayIcon::DoubleClick)
            m_clicks->doubleClick();
    });
    // A panel that restarts forgets the icons it showed.
    connect(new TrayHostWatcher(this), &TrayHostWatcher::hostStarted, this, &TTrayIcon::showAgain);
    applyIcon();
}

TTrayIcon::~TTrayIcon()
{
    m_tray->hide();
}

bool TTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayIcon::setIcon(const QIcon &icon)
{
    if (m_icons.isEmpty())
        m_icons.append(icon);
    else
        m_icons[0] = icon;
    applyIcon();
}

void TTrayIcon::setIconList(const QList<QIcon> &icons)
{
    m_icons = icons;
    m_index = 0;
    applyIcon();
}

QList<QIcon> TTrayIcon::iconList() const
{
    return m_icons;
}

void TTrayIcon::setIconIndex(int index)
{
    m_index = m_icons.isEmpty() ? 0 : qBound(0, index, int(m_icons.size()) - 1);
    applyIcon();
}

int TTrayIcon::iconIndex() const
{
    return m_index;
}

void TTrayIcon::setToolTip(const QString &text)
{
    m_toolTip = text.left(kMaxToolTipLength);
    m_tray->setToolTip(m_toolTip);
}

QString TTrayIcon::toolTip() const
{
    return m_toolTip;
}

void TTrayIcon::setMenu(QMenu *menu)
{
    m_tray->setContextMenu(menu);
}

void TTrayIcon::show()
{
    m_wanted = true;
    m_tray->show();
}

void TTrayIcon::hide()
{
    m_wanted = false;
    m_tray->hide();
}

void TTrayIcon::showAgain()
{
    if (!m_wanted)
        return;
    m_tray->hide();
    m_tray->setToolTip(m_toolTip);
    applyIcon();
    m_tray->show();
}

bool TTrayIcon::isVisible() const
{
    return m_tray->isVisible();
}

void TTrayIcon::startBlinking()
{
    setIconIndex(0);
    m_blinkTimer.start();
}

void TTrayIcon::stopBlinking()
{
    m_blinkTimer.stop();
    setIconIndex(0);
}

bool TTrayIcon::isBlinking() const
{
    return m_blinkTimer.isActive();
}

ClickDebouncer *TTrayIcon::clickDebouncer() const
{
    return m_clicks;
}

void TTrayIcon::applyIcon()
{
    m_tray->setIcon(m_icons.isEmpty() ? QIcon() : m_icons.at(m_index));
}

void TTrayIcon::stepBlink()
{
    if (!m_icons.isEmpty())
        setIconIndex((m_index + 1) % int(m_icons.size()));
}
