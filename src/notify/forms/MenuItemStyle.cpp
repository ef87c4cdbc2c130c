#include "MenuItemStyle.h"

#include "Gradients.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionMenuItem>

namespace {

constexpr int kIconLeft = 11;
constexpr int kGradientCaptionLeft = 38;
constexpr int kIconColumn = 24;
constexpr int kShortcutGap = 12;
constexpr QColor kGrey(128, 128, 128);

QString captionOf(const QStyleOptionMenuItem *item)
{
    return item->text.section(u'\t', 0, 0);
}

QString shortcutOf(const QStyleOptionMenuItem *item)
{
    return item->text.section(u'\t', 1);
}

void drawIcon(const QStyleOptionMenuItem *item, QPainter *painter, int left)
{
    if (item->icon.isNull())
        return;
    const QRect r = item->rect;
    const QPixmap pixmap = item->icon.pixmap(16, 16, item->state & QStyle::State_Enabled ? QIcon::Normal
                                                                                        : QIcon::Disabled);
    painter->drawPixmap(left, r.top() + (r.height() - 16) / 2, pixmap);
}

// The caption centred vertically, "&" underlining the access key.
void drawCaption(QPainter *painter, QRect rect, const QString &text, Qt::Alignment horizontal)
{
    const int textHeight = painter->fontMetrics().height();
    const int shrink = (rect.height() - textHeight - 1) / 2;
    rect.adjust(0, shrink, 0, -shrink);
    painter->drawText(rect, int(horizontal) | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, text);
}

} // namespace

MenuItemStyle::MenuItemStyle(MenuLook look)
    : m_look(look)
{
}

void MenuItemStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                                const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (element != CE_MenuItem || !item || m_look == MenuLook::Standard) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    painter->save();
    if (m_look == MenuLook::Gradient)
        drawGradientItem(item, painter);
    else
        drawXpItem(item, painter, widget);
    painter->restore();
}

void MenuItemStyle::drawGradientItem(const QStyleOptionMenuItem *item, QPainter *painter) const
{
    const QRect r = item->rect;
    const QColor buttonFace = item->palette.color(QPalette::Button);
    const QImage plain = Gradients::menu(r.size(), Qt::white, buttonFace, Gradients::Direction::Horizontal);
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->drawImage(r.topLeft(), plain);
        const int hintWidth = item->text.isEmpty() ? 0 : painter->fontMetrics().horizontalAdvance(item->text);
        if (hintWidth > 0) {
            painter->setPen(Qt::black);
            painter->drawText(QRect(r.right() - hintWidth - 15, r.top(), hintWidth, r.height()), Qt::AlignVCenter,
                              item->text);
        }
        painter->setPen(kGrey);
        const int y = r.top() + r.height() / 2;
        painter->drawLine(r.left(), y, r.right() - (hintWidth + 20), y);
        return;
    }
    const bool selected = item->state & State_Selected;
    const bool enabled = item->state & State_Enabled;
    const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
    const QString caption = captionOf(item);
    const QString shortcut = shortcutOf(item);
    painter->setFont(item->font);
    if (selected) {
        painter->setPen(kGrey);
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        const QRect inner = r.adjusted(2, 2, -2, -2);
        painter->drawImage(inner.topLeft(), Gradients::menu(inner.size(), Qt::white, Qt::black,
                                                            Gradients::Direction::DiagonalLeftRight));
        if (checked) {
            painter->setPen(Qt::black);
            painter->drawRect(inner.adjusted(0, 0, -1, -1));
        }
        const int width = painter->fontMetrics().horizontalAdvance(QString(caption).remove(u'&'));
        painter->setPen(enabled ? QColor(Qt::white) : item->palette.color(QPalette::Disabled, QPalette::Text));
        // The caption goes right, so the key makes room for it at the edge.
        int right = r.right() - 5;
        if (!shortcut.isEmpty()) {
            drawCaption(painter, QRect(r.left(), r.top(), right - r.left(), r.height()), shortcut, Qt::AlignRight);
            right -= painter->fontMetrics().horizontalAdvance(shortcut) + kShortcutGap;
        }
        drawCaption(painter, QRect(right - width, r.top(), width + 5, r.height()), caption, Qt::AlignLeft);
    } else {
        painter->drawImage(r.topLeft(), plain);
        if (checked) {
            painter->setPen(Qt::black);
            painter->drawRect(r.adjusted(2, 2, -3, -3));
        }
        painter->setPen(enabled ? QColor(Qt::black) : item->palette.color(QPalette::Disabled, QPalette::Text));
        drawCaption(painter, r.adjusted(kGradientCaptionLeft, 0, 0, 0), caption, Qt::AlignLeft);
        if (!shortcut.isEmpty())
            drawCaption(painter, r.adjusted(kGradientCaptionLeft, 0, -10, 0), shortcut, Qt::AlignRight);
    }
    drawIcon(item, painter, r.left() + kIconLeft);
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        painter->setPen(selected ? Qt::white : Qt::black);
        const int cx = r.right() - 8;
        const int cy = r.center().y();
        for (int i = 0; i < 4; ++i)
            painter->drawLine(cx + i - 2, cy - 3 + i, cx + i - 2, cy + 3 - i);
    }
}

void MenuItemStyle::drawXpItem(const QStyleOptionMenuItem *item, QPainter *painter, const QWidget *widget) const
{
    const QRect r = item->rect;
    const QPalette &pal = item->palette;
    painter->fillRect(r, pal.color(QPalette::Window));
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = r.top() + r.height() / 2;
        painter->setPen(pal.color(QPalette::Mid));
        painter->drawLine(r.left() + 1, y, r.right() - 1, y);
        painter->setPen(pal.color(QPalette::Light));
        painter->drawLine(r.left() + 1, y + 1, r.right() - 1, y + 1);
        return;
    }
    const bool selected = item->state & State_Selected;
    const bool enabled = item->state & State_Enabled;
    const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
    const int iconRight = r.left() + kIconColumn;
    if (selected)
        painter->fillRect(item->icon.isNull() && !checked ? r : r.adjusted(kIconColumn - 1, 0, 0, 0),
                          pal.color(QPalette::Highlight));
    if (checked) {
        const QRect cell(r.left() + 2, r.top() + 1, kIconColumn - 4, r.height() - 2);
        if (selected)
            painter->fillRect(cell, pal.color(QPalette::Highlight));
        else {
            painter->setPen(pal.color(QPalette::Highlight));
            painter->drawRect(cell.adjusted(0, 0, -1, -1));
        }
        if (item->icon.isNull()) {
            QStyleOptionMenuItem check = *item;
            check.rect = cell;
            check.state |= State_On;
            QProxyStyle::drawPrimitive(PE_IndicatorMenuCheckMark, &check, painter, widget);
        }
    }
    drawIcon(item, painter, r.left() + (kIconColumn - 16) / 2);
    const QColor text = !enabled ? pal.color(QPalette::Disabled, QPalette::Text)
                        : selected ? pal.color(QPalette::HighlightedText)
                                   : pal.color(QPalette::WindowText);
    painter->setPen(text);
    QFont font = item->font;
    font.setBold(item->menuItemType == QStyleOptionMenuItem::DefaultItem);
    painter->setFont(font);
    const QRect textRect(iconRight + 4, r.top(), r.width() - kIconColumn - 14, r.height());
    drawCaption(painter, textRect, captionOf(item), Qt::AlignLeft);
    const QString shortcut = shortcutOf(item);
    if (!shortcut.isEmpty())
        drawCaption(painter, textRect, shortcut, Qt::AlignRight);
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const int cx = r.right() - 8;
        const int cy = r.center().y();
        for (int i = 0; i < 4; ++i)
            painter->drawLine(cx + i - 2, cy - 3 + i, cx + i - 2, cy + 3 - i);
    }
}

QSize MenuItemStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                      const QWidget *widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (type != CT_MenuItem || !item)
        return result;
    const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
    switch (m_look) {
    case MenuLook::Gradient:
        if (!separator)
            result = QSize(result.width() + 32, 22);
        break;
    case MenuLook::WindowsXP:
        if (separator)
            result.setHeight(9);
        else
            result = QSize(result.width() + kIconColumn, result.height() + (result.height() & 1));
        break;
    case MenuLook::Standard:
        break;
    }
    return result;
}
