#include "MenuDrawing.h"

#include "MenuItemStyle.h"

#include <QMenu>

MenuDrawing::MenuDrawing(QObject *parent)
    : QObject(parent)
    , m_styles{std::make_unique<MenuItemStyle>(MenuLook::Gradient),
               std::make_unique<MenuItemStyle>(MenuLook::Standard),
               std::make_unique<MenuItemStyle>(MenuLook::WindowsXP)}
{
}

MenuDrawing::~MenuDrawing()
{
    // The menus may outlive us: give them back the application's style.
    for (const QPointer<QMenu> &menu : std::as_const(m_menus)) {
        if (!menu)
            continue;
        menu->setStyle(nullptr);
        for (QMenu *sub : menu->findChildren<QMenu *>())
            sub->setStyle(nullptr);
    }
}

void MenuDrawing::addMenu(QMenu *menu)
{
    m_menus.append(menu);
    apply();
}

void MenuDrawing::setEffects(bool on)
{
    m_effects = on;
    apply();
}

void MenuDrawing::setStyleIndex(int index)
{
    m_styleIndex = index;
    apply();
}

void MenuDrawing::apply()
{
    MenuItemStyle *style = m_styles.at(std::size_t(look())).get();
    for (const QPointer<QMenu> &menu : std::as_const(m_menus)) {
        if (!menu)
            continue;
        menu->setStyle(style);
        for (QMenu *sub : menu->findChildren<QMenu *>())
            sub->setStyle(style);
    }
}
