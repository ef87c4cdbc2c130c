#include "ContactDelegate.h"

#include "ContactList.h"
#include "TrustMarks.h"

#include <QPainter>

#include <algorithm>

namespace {
constexpr int kItemHeight = 17;
constexpr int kTextIndent = 16;
constexpr int kTrustMark = 16;
} // namespace

ContactDelegate::ContactDelegate(const QPixmap (&markers)[4], QObject *parent)
    : QStyledItemDelegate(parent)
{
    for (int i = 0; i < 4; ++i)
        m_markers[i] = markers[i];
    for (TrustLevel level : {TrustLevel::Open, TrustLevel::FirstUse, TrustLevel::Compared})
        m_trustMarks[int(level)] = TrustMarks::pixmap(level, kTrustMark);
}

void ContactDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &palette = option.palette;
    painter->save();
    painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());

    const QPoint at(option.rect.left() + 1, option.rect.top());
    painter->drawPixmap(at, m_markers[0]);
    const int roles[] = {ContactList::BlacklistedRole, ContactList::AutoAnswerRole, ContactList::InChatRole};
    for (int i = 0; i < 3; ++i) {
        if (index.data(roles[i]).toBool())
            painter->drawPixmap(at, m_markers[i + 1]);
    }

    QRect textRect = option.rect.adjusted(kTextIndent + 4, 0, 0, 0);
    const QVariant trust = index.data(ContactList::TrustRole);
    if (trust.isValid()) {
        const int level = std::clamp(trust.toInt(), 0, 2);
        const QRect mark(option.rect.right() - kTrustMark - 1,
                         option.rect.top() + (option.rect.height() - kTrustMark) / 2, kTrustMark, kTrustMark);
        painter->drawPixmap(mark.topLeft(), m_trustMarks[level]);
        textRect.setRight(mark.left() - 2);
    }

    painter->setPen(selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text));
    // A name longer than the row ends in an ellipsis, so it never looks whole when it is not.
    const QString name = index.data(Qt::DisplayRole).toString() + (m_suffix ? m_suffix(index) : QString());
    painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                      painter->fontMetrics().elidedText(name, Qt::ElideRight, textRect.width()));
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(palette.color(QPalette::Highlight), 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize ContactDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The list's rows are uniform, so each layout asks for its first row only:
    // the text is shaped again only when that row or the font changed.
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text != m_measuredText || option.font != m_measuredFont || m_measuredWidth < 0) {
        m_measuredText = text;
        m_measuredFont = option.font;
        m_measuredWidth = QStyledItemDelegate::sizeHint(option, index).width();
    }
    return QSize(m_measuredWidth + kTextIndent + kTrustMark + 4, kItemHeight);
}
