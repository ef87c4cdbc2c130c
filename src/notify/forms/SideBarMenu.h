#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>

class QMenu;

// The vertical bar along the left edge of a menu's first level: a gradient
// with a caption reading upwards from near its bottom end. It draws over the
// menu after the menu has painted itself, so it stays in every menu look.
class SideBarMenu : public QObject
{
    Q_OBJECT

public:
    static constexpr int kWidth = 20;
    static constexpr int kSpace = 1;
    static constexpr int kCaptionOffset = 6;

    SideBarMenu(QMenu *menu, const QString &caption);

    QString caption() const { return m_caption; }
    QFont captionFont() const { return m_font; }
    // Where the caption's baseline starts, reading upwards, in a bar of this height.
    QPoint captionOrigin(int barHeight) const;
    // The whole bar for a menu of this height.
    QImage render(int barHeight) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMenu *m_menu;
    QString m_caption;
    QFont m_font;
    QColor m_from{Qt::blue};
    QColor m_to{Qt::black};
};
