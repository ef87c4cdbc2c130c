#pragma once

#include <QLatin1String>
#include <QString>

#include <array>

// One row of the smiley table: the code that its button inserts and that a
// received text is searched for, the button, its place and its picture
// (drawn by SmileyPictures).
class SmileyRow
{
public:
    constexpr SmileyRow(int order, QLatin1String code, QLatin1String button, int bottomRowPlace,
                        int panelRow, int panelColumn)
        : m_order(order), m_code(code), m_button(button), m_bottomRowPlace(bottomRowPlace),
          m_panelRow(panelRow), m_panelColumn(panelColumn)
    {
    }

    int order() const { return m_order; }   // 1..26: search order and tie-break
    QString code() const;                    // e.g. ":--))"
    QString upperCode() const;               // the forms a received text is searched for
    QString lowerCode() const;
    QString insertedText() const;            // the code with one blank before and after
    QString button() const;                  // objectName of the button, e.g. "SpeedButton1"
    int bottomRowPlace() const { return m_bottomRowPlace; } // 1..8 left to right, 0 in the panel
    int panelRow() const { return m_panelRow; }             // 1..3, 0 in the bottom row
    int panelColumn() const { return m_panelColumn; }       // 1..6, 0 in the bottom row
    QString pictureFile() const;             // ":/smileys/NN.png", NN = order

private:
    int m_order;
    QLatin1String m_code;
    QLatin1String m_button;
    int m_bottomRowPlace;
    int m_panelRow;
    int m_panelColumn;
};

namespace SmileyTable {

inline constexpr int kRowCount = 26;

// The rows in the table's order: rows()[order - 1].
const std::array<SmileyRow, kRowCount> &rows();

// order 1..26; anything else is a programming error.
const SmileyRow &row(int order);

// The order of the row whose button has this objectName, or 0.
int orderOfButton(const QString &objectName);

} // namespace SmileyTable
