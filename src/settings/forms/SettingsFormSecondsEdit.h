#pragma once

#include <QAbstractSpinBox>

// The popup's seconds field. The arrows step within 1..300, but typed text is
// taken as it stands: 500 stays 500, and text that is no whole number above
// zero counts as 1.
class SecondsSpinEdit : public QAbstractSpinBox
{
    Q_OBJECT

public:
    static constexpr int kMinimum = 1;
    static constexpr int kMaximum = 300;

    explicit SecondsSpinEdit(QWidget *parent = nullptr);

    int value() const;
    void setValue(int seconds);

    void stepBy(int steps) override;

Q_SIGNALS:
    // Fires when value() changes, whether typed, stepped or set.
    void valueChanged(int seconds);

protected:
    StepEnabled stepEnabled() const override;

private:
    void updateValue();

    int m_value = 10;
};
