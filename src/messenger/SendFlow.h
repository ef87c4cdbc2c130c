#pragma once

#include "MsgFrame.h"

#include <QList>
#include <QString>

// The rules of sending a message typed in the window, without the window:
// whom it goes to, what is refused before any connection, and what the wire
// and the history get.
namespace SendFlow {

// The most one message carries, in bytes of the code page.
inline constexpr qsizetype kMaxBytes = MsgFrame::kMaxField;

// Why a send does not start; the window tells the user.
enum class Refusal { None, NoContact, NoText, NoTextForAll, TooLong };

struct Plan
{
    Refusal refusal = Refusal::None;
    qsizetype bytes = 0;    // the wire text's size in the code page
    QList<int> rows;        // the contact rows it goes to, in list order
    bool single = false;    // one contact: its failure is told, and may be delivered later
    bool askFirst = false;  // to everyone, while the user wants to be warned
    QString wireText;
    QString historyText;
};

// To the selected rows, or to the current row (-1: none) while fewer than
// two are selected. `text` has its lines ending in CR LF.
Plan toSelected(const QList<int> &selected, int current, const QString &text);
// To every one of `contacts` rows, under the "ОТПРАВЛЕНО ВСЕМ: " heading.
Plan toAll(int contacts, const QString &text, bool warnFirst);

} // namespace SendFlow
