#pragma once

#include <QFont>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <functional>

// Draws a contact with its state marker: the plain figure, then the
// blacklist, auto-answer and chat markers over it, later ones on top; and at
// the row's end the padlock of its key's trust level, when the list tells one.
class ContactDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // markers: the plain, blacklisted, auto-answer and in-chat glyphs, in that order.
    ContactDelegate(const QPixmap (&markers)[4], QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Text drawn after the name (the count of waiting messages), empty for none.
    void setSuffix(std::function<QString(const QModelIndex &)> suffix) { m_suffix = std::move(suffix); }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QPixmap m_markers[4];
    QPixmap m_trustMarks[3]; // by TrustLevel, drawn once
    std::function<QString(const QModelIndex &)> m_suffix;
    mutable QString m_measuredText;
    mutable QFont m_measuredFont;
    mutable int m_measuredWidth = -1;
};
