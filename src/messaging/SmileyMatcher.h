#pragma once

#include <QList>
#include <QString>

// A piece of a received text: plain text, or a smiley code that stands for
// the picture of a row of the smiley table.
class SmileyPiece
{
public:
    static constexpr int kPlainText = -1;

    static SmileyPiece plain(const QString &text);
    static SmileyPiece smiley(int row, const QString &code);

    bool isSmiley() const { return m_row != kPlainText; }
    // The smiley table's row, 1..26 (SmileyTable::row()), or kPlainText.
    int row() const { return m_row; }
    // The plain text, or the code exactly as it stood in the text (upper or lower case).
    QString text() const { return m_text; }

    bool operator==(const SmileyPiece &other) const = default;

private:
    SmileyPiece(int row, const QString &text) : m_row(row), m_text(text) {}

    int m_row = kPlainText;
    QString m_text;
};

// Splits a received text into plain text and smileys, in order; no piece of
// plain text is empty. At every step the earliest occurrence of any row's
// code, upper- or lower-cased (ASCII letters only), is taken; at equal
// positions the lower row wins, and the search goes on behind the code. A code
// in mixed case (":Baby:") is not found as such. Linear in the text's length.
QList<SmileyPiece> splitSmileys(const QString &text);
