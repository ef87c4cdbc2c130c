#pragma once

#include "MenuLook.h"

#include <QProxyStyle>

// Paints and measures the items of drop-down menus in one MenuLook; the
// standard look is the desktop style's own. Menu bar entries are never ours.
class MenuItemStyle : public QProxyStyle
{
    Q_OBJECT

public:
    explicit MenuItemStyle(MenuLook look);

    MenuLook look() const { return m_look; }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget = nullptr) const override;

private:
    void drawGradientItem(const class QStyleOptionMenuItem *item, QPainter *painter) const;
    void drawXpItem(const class QStyleOptionMenuItem *item, QPainter *painter, const QWidget *widget) const;

    MenuLook m_look;
};
