#include "HistoryHighlight.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

QList<std::pair<int, int>> HistoryHighlight::occurrences(const QString &text, const QString &words)
{
    QList<std::pair<int, int>> found;
    if (words.isEmpty())
        return found;
    qsizetype at = text.indexOf(words, 0, Qt::CaseInsensitive);
    while (at >= 0) {
        found.append({int(at), int(words.size())});
        at = text.indexOf(words, at + words.size(), Qt::CaseInsensitive);
    }
    return found;
}

void HistoryHighlight::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QList<std::pair<int, int>> found = occurrences(opt.text, m_words);
    if (found.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QString text = opt.text;
    opt.text.clear();
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(3, 0, -3, 0);
    const QString shown = opt.fontMetrics.elidedText(text, Qt::ElideRight, rect.width());
    QTextLayout layout(shown, opt.font);
    QList<QTextLayout::FormatRange> formats;
    for (const auto &[start, length] : found) {
        if (start >= shown.size())
            break;
        QTextLayout::FormatRange range;
        range.start = start;
        range.length = qMin<int>(length, int(shown.size()) - start);
        range.format.setBackground(QColor(255, 230, 0));
        range.format.setForeground(Qt::black);
        formats.append(range);
    }
    layout.setFormats(formats);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(rect.width());
    layout.endLayout();
    painter->save();
    painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    const qreal y = rect.top() + (rect.height() - line.height()) / 2;
    layout.draw(painter, QPointF(rect.left(), y));
    painter->restore();
}
