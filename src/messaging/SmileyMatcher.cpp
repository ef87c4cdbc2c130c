#include "SmileyMatcher.h"

#include "SmileyTable.h"

#include <QStringView>

#include <algorithm>
#include <array>

namespace {

// Upper- and lower-case form of every row's code, in the table's order.
using CodeForms = std::array<QString, 2>;

const std::array<CodeForms, SmileyTable::kRowCount> &codeForms()
{
    static const std::array<CodeForms, SmileyTable::kRowCount> forms = [] {
        std::array<CodeForms, SmileyTable::kRowCount> result;
        for (const SmileyRow &row : SmileyTable::rows())
            result.at(static_cast<std::size_t>(row.order() - 1)) = {row.upperCode(), row.lowerCode()};
        return result;
    }();
    return forms;
}

// Most characters of a text start no code: one look at this set skips them.
const std::array<QChar, 2 * SmileyTable::kRowCount> &firstCharacters()
{
    static const std::array<QChar, 2 * SmileyTable::kRowCount> firsts = [] {
        std::array<QChar, 2 * SmileyTable::kRowCount> result;
        std::size_t i = 0;
        for (const CodeForms &forms : codeForms()) {
            for (const QString &form : forms)
                result.at(i++) = form.front();
        }
        return result;
    }();
    return firsts;
}

bool mayStartCode(QChar c)
{
    const auto &firsts = firstCharacters();
    return std::find(firsts.begin(), firsts.end(), c) != firsts.end();
}

// The lowest row whose code, in either form, starts at this position, or 0.
// The row's earliest occurrence at or after the search start is never later
// than this position, so the lowest row found at the earliest position where
// any row starts is the row the table-order search picks.
int rowStartingAt(QStringView text, qsizetype position, QString *matched)
{
    if (!mayStartCode(text[position]))
        return 0;
    const QStringView rest = text.sliced(position);
    int order = 1;
    for (const CodeForms &forms : codeForms()) {
        for (const QString &form : forms) {
            if (rest.startsWith(form)) {
                *matched = rest.first(form.size()).toString();
                return order;
            }
        }
        ++order;
    }
    return 0;
}

} // namespace

SmileyPiece SmileyPiece::plain(const QString &text)
{
    return SmileyPiece(kPlainText, text);
}

SmileyPiece SmileyPiece::smiley(int row, const QString &code)
{
    return SmileyPiece(row, code);
}

QList<SmileyPiece> splitSmileys(const QString &text)
{
    QList<SmileyPiece> pieces;
    const QStringView view(text);
    qsizetype plainStart = 0;
    qsizetype position = 0;
    QString matched;
    while (position < view.size()) {
        const int row = rowStartingAt(view, position, &matched);
        if (row == 0) {
            ++position;
            continue;
        }
        if (position > plainStart)
            pieces.append(SmileyPiece::plain(view.sliced(plainStart, position - plainStart).toString()));
        pieces.append(SmileyPiece::smiley(row, matched));
        position += matched.size();
        plainStart = position;
    }
    if (view.size() > plainStart)
        pieces.append(SmileyPiece::plain(view.sliced(plainStart).toString()));
    return pieces;
}
