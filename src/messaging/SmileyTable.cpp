#include "SmileyTable.h"

#include "AsciiCase.h"

#include <QtGlobal>

using namespace Qt::StringLiterals;

namespace {

constexpr std::array<SmileyRow, SmileyTable::kRowCount> kRows = {{
    {1, ":--))"_L1, "SpeedButton1"_L1, 1, 0, 0},
    {2, ";--)"_L1, "SpeedButton9"_L1, 2, 0, 0},
    {3, ":--P"_L1, "SpeedButton10"_L1, 3, 0, 0},
    {4, ":--(("_L1, "SpeedButton11"_L1, 5, 0, 0},
    {5, ":--0"_L1, "SpeedButton12"_L1, 4, 0, 0},
    {6, ":--["_L1, "SpeedButton2"_L1, 6, 0, 0},
    {7, ":--?"_L1, "SpeedButton22"_L1, 7, 0, 0},
    {8, ":-{}"_L1, "SpeedButton23"_L1, 8, 0, 0},
    {9, ":%)"_L1, "SpeedButton24"_L1, 0, 1, 1},
    {10, ":baby:"_L1, "SpeedButton26"_L1, 0, 1, 2},
    {11, ":confused:"_L1, "SpeedButton27"_L1, 0, 1, 3},
    {12, ":\\"_L1, "SpeedButton39"_L1, 0, 1, 4},
    {13, ":E"_L1, "SpeedButton40"_L1, 0, 1, 5},
    {14, ":B"_L1, "SpeedButton30"_L1, 0, 1, 6},
    {15, "8)"_L1, "SpeedButton43"_L1, 0, 2, 1},
    {16, "X)"_L1, "SpeedButton32"_L1, 0, 2, 2},
    {17, ":drink:"_L1, "SpeedButton33"_L1, 0, 2, 3},
    {18, ":[]"_L1, "SpeedButton34"_L1, 0, 2, 4},
    {19, ":steeply:"_L1, "SpeedButton42"_L1, 0, 2, 5},
    {20, ":-D"_L1, "SpeedButton28"_L1, 0, 2, 6},
    {21, ":lady:"_L1, "SpeedButton37"_L1, 0, 3, 1},
    {22, ":love:"_L1, "SpeedButton38"_L1, 0, 3, 2},
    {23, ":clown:"_L1, "SpeedButton29"_L1, 0, 3, 3},
    // Rows 24 and 25 sit in the panel in the opposite order to the table's.
    {24, "]:"_L1, "SpeedButton41"_L1, 0, 3, 5},
    {25, ":doctor:"_L1, "SpeedButton31"_L1, 0, 3, 4},
    {26, ":gent:"_L1, "SpeedButton36"_L1, 0, 3, 6},
}};

QString asciiLower(QString text)
{
    for (QChar &c : text) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() - u'A' + u'a');
    }
    return text;
}

[[maybe_unused]] bool validOrder(int order)
{
    return order >= 1 && order <= SmileyTable::kRowCount;
}

} // namespace

QString SmileyRow::code() const
{
    return m_code;
}

QString SmileyRow::upperCode() const
{
    return AsciiCase::upper(code());
}

QString SmileyRow::lowerCode() const
{
    return asciiLower(code());
}

QString SmileyRow::insertedText() const
{
    return u' ' + code() + u' ';
}

QString SmileyRow::button() const
{
    return m_button;
}

QString SmileyRow::pictureFile() const
{
    return u":/smileys/%1.png"_s.arg(m_order, 2, 10, QLatin1Char('0'));
}

namespace SmileyTable {

const std::array<SmileyRow, kRowCount> &rows()
{
    return kRows;
}

const SmileyRow &row(int order)
{
    Q_ASSERT(validOrder(order));
    return kRows.at(static_cast<std::size_t>(order - 1));
}

int orderOfButton(const QString &objectName)
{
    for (const SmileyRow &r : kRows) {
        if (r.button() == objectName)
            return r.order();
    }
    return 0;
}

} // namespace SmileyTable
