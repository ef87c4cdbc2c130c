#include "SettingsFormSecondsEdit.h"

#include "ProfileValue.h"

#include <QLineEdit>

#include <algorithm>
#include <limits>

namespace {

// The popup turns seconds into a millisecond timer interval; more than this
// would overflow it.
constexpr int kLargestSeconds = std::numeric_limits<int>::max() / 1000;

int secondsFromText(const QString &text)
{
    const int seconds = parseProfileInteger(text.trimmed(), SecondsSpinEdit::kMinimum);
    // Zero or less would leave the popup on screen for good.
    if (seconds < SecondsSpinEdit::kMinimum)
        return SecondsSpinEdit::kMinimum;
    return std::min(seconds, kLargestSeconds);
}

} // namespace

SecondsSpinEdit::SecondsSpinEdit(QWidget *parent)
    : QAbstractSpinBox(parent)
{
    lineEdit()->setText(QString::number(m_value));
    connect(lineEdit(), &QLineEdit::textChanged, this, &SecondsSpinEdit::updateValue);
}

int SecondsSpinEdit::value() const
{
    return m_value;
}

void SecondsSpinEdit::setValue(int seconds)
{
    lineEdit()->setText(QString::number(seconds));
}

void SecondsSpinEdit::stepBy(int steps)
{
    setValue(std::clamp(m_value + steps, kMinimum, kMaximum));
    selectAll();
}

QAbstractSpinBox::StepEnabled SecondsSpinEdit::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (m_value < kMaximum)
        enabled |= StepUpEnabled;
    if (m_value > kMinimum)
        enabled |= StepDownEnabled;
    return enabled;
}

void SecondsSpinEdit::updateValue()
{
    const int seconds = secondsFromText(lineEdit()->text());
    if (seconds == m_value)
        return;
    m_value = seconds;
    Q_EMIT valueChanged(m_value);
}
