#pragma once

#include <QObject>
#include <QTimer>

// Turns the clicks and double clicks of a tray icon into one activation per
// gesture. A single click is reported only when the double-click time has
// passed without a second click; a double click is reported at once, and the
// clicks that came with it are not reported again. Tray hosts differ in what
// they send for a double click (click, click; click, double; click, click,
// double): each of these activates once.
class ClickDebouncer : public QObject
{
    Q_OBJECT

public:
    // The interval defaults to the desktop's double-click time.
    explicit ClickDebouncer(QObject *parent = nullptr);

    void setInterval(int milliseconds);
    int interval() const;

    void click();
    void doubleClick();

Q_SIGNALS:
    void activated();

private:
    void onTimeout();

    QTimer m_timer;
    bool m_doubleSeen = false;
};
