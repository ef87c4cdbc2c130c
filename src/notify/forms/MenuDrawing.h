#pragma once

#include "MenuLook.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <array>
#include <memory>

class MenuItemStyle;
class QMenu;

// The look of the program's drop-down menus: the gradient painter while menu
// effects are on, else the chosen menu style. Changes reach every menu at once,
// so the next one opened shows the new look.
class MenuDrawing : public QObject
{
    Q_OBJECT

public:
    explicit MenuDrawing(QObject *parent = nullptr);
    ~MenuDrawing() override;

    // The menu and its submenus, now and whenever the look changes.
    void addMenu(QMenu *menu);

    void setEffects(bool on);
    void setStyleIndex(int index);
    MenuLook look() const { return menuLook(m_effects, m_styleIndex); }

private:
    void apply();

    std::array<std::unique_ptr<MenuItemStyle>, 3> m_styles;
    QList<QPointer<QMenu>> m_menus;
    bool m_effects = true;
    int m_styleIndex = 2;
};
