#include "SendFlow.h"

#include "Cp1251.h"

#include <algorithm>

namespace SendFlow {

namespace {

const QString kToAllHeading = QStringLiteral("ОТПРАВЛЕНО ВСЕМ: ");

// A text the frame cannot carry would fail for every recipient alike; with
// several recipients those failures are silent, so it is refused up front.
void refuseWhenTooLong(Plan &plan)
{
    plan.bytes = Cp1251::encode(plan.wireText).size();
    if (plan.bytes > kMaxBytes)
        plan.refusal = Refusal::TooLong;
}

} // namespace

Plan toSelected(const QList<int> &selected, int current, const QString &text)
{
    Plan plan;
    plan.wireText = text;
    plan.historyText = text;
    if (selected.size() < 2) {
        plan.single = true;
        if (current < 0)
            plan.refusal = Refusal::NoContact;
        else if (text.isEmpty())
            plan.refusal = Refusal::NoText;
        else
            plan.rows = {current};
        return plan;
    }
    plan.rows = selected;
    std::sort(plan.rows.begin(), plan.rows.end());
    refuseWhenTooLong(plan);
    return plan;
}

Plan toAll(int contacts, const QString &text, bool warnFirst)
{
    Plan plan;
    if (text.isEmpty()) {
        plan.refusal = Refusal::NoTextForAll;
        return plan;
    }
    plan.wireText = kToAllHeading + QStringLiteral("\r\n") + text;
    plan.historyText = kToAllHeading + text;
    refuseWhenTooLong(plan);
    if (plan.refusal != Refusal::None)
        return plan;
    plan.askFirst = warnFirst;
    for (int row = 0; row < contacts; ++row)
        plan.rows.append(row);
    return plan;
}

} // namespace SendFlow
