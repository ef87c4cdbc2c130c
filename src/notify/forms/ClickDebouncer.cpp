#include "ClickDebouncer.h"

#include <QGuiApplication>
#include <QStyleHints>

namespace {

constexpr int kFallbackDoubleClickMs = 400;

int desktopDoubleClickInterval()
{
    return qGuiApp ? QGuiApplication::styleHints()->mouseDoubleClickInterval() : kFallbackDoubleClickMs;
}

} // namespace

ClickDebouncer::ClickDebouncer(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire early, before a second click had its chance.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(desktopDoubleClickInterval());
    connect(&m_timer, &QTimer::timeout, this, &ClickDebouncer::onTimeout);
}

void ClickDebouncer::setInterval(int milliseconds)
{
    m_timer.setInterval(milliseconds);
}

int ClickDebouncer::interval() const
{
    return m_timer.interval();
}

void ClickDebouncer::click()
{
    // A click inside a running gesture is its second half.
    if (m_timer.isActive())
        return;
    m_doubleSeen = false;
    m_timer.start();
}

void ClickDebouncer::doubleClick()
{
    // The gesture stays open a while longer, to swallow a click some hosts
    // send after the double click.
    m_timer.start();
    if (m_doubleSeen)
        return;
    m_doubleSeen = true;
    Q_EMIT activated();
}

void ClickDebouncer::onTimeout()
{
    const bool wasSingle = !m_doubleSeen;
    m_doubleSeen = false;
    if (wasSingle)
        Q_EMIT activated();
}
