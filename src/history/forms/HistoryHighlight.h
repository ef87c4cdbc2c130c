#pragma once

#include <QStyledItemDelegate>

// Draws a row's text with every occurrence of the searched words marked,
// found without regard to case.
class HistoryHighlight : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setWords(const QString &words) { m_words = words; }
    const QString &words() const { return m_words; }
    // Where the words occur in text: start and length of each.
    static QList<std::pair<int, int>> occurrences(const QString &text, const QString &words);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QString m_words;
};
