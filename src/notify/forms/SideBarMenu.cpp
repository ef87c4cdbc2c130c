#include "SideBarMenu.h"

#include "Gradients.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

SideBarMenu::SideBarMenu(QMenu *menu, const QString &caption)
    : QObject(menu)
    , m_menu(menu)
    , m_caption(caption)
    , m_font(QStringLiteral("Tahoma"))
{
    m_font.setPointSize(14);
    m_font.setBold(true);
    m_font.setItalic(true);
    const QMargins margins = menu->contentsMargins();
    menu->setContentsMargins(margins.left() + kWidth + kSpace, margins.top(), margins.right(), margins.bottom());
    menu->installEventFilter(this);
}

QPoint SideBarMenu::captionOrigin(int barHeight) const
{
    const QFontMetrics metrics(m_font);
    // Centred in the bar's width; halves round to even.
    const int x = int(std::nearbyint((kWidth - metrics.height()) / 2.0 - 0.5));
    return QPoint(x, barHeight - kCaptionOffset);
}

QImage SideBarMenu::render(int barHeight) const
{
    QImage bar = Gradients::menu(QSize(kWidth, qMax(1, barHeight)), m_from, m_to, Gradients::Direction::Vertical);
    QPainter painter(&bar);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(m_font);
    painter.setPen(Qt::white);
    const QPoint origin = captionOrigin(barHeight);
    // The text cell's top lies toward the bar's left: the baseline is one ascent in.
    painter.translate(origin.x() + QFontMetrics(m_font).ascent(), origin.y());
    painter.rotate(-90);
    painter.drawText(0, 0, m_caption);
    return bar;
}

bool SideBarMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_menu || event->type() != QEvent::Paint)
        return false;
    // Let the menu paint first, then lay the bar over its left strip.
    static_cast<QObject *>(m_menu)->event(event);
    QPainter painter(m_menu);
    painter.drawImage(0, 0, render(m_menu->height()));
    return true;
}
