#pragma once

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <memory>

class QRubberBand;

// The small bar on the desktop that rings while a message is unread. It
// stays on top, is dragged as an outline that moves it on release, and keeps
// its place in the settings file between runs. Where windows cannot place or
// raise themselves (Wayland) it is an ordinary small window.
class TFloatForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 73;
    static constexpr int kHeight = 21;
    static constexpr int kIntervalMs = 500;

    // Placed as "FloatForm" says in the settings file (centre of the screen by default).
    explicit TFloatForm(const QString &settingsPath, QWidget *parent = nullptr);
    // Writes the position back; a refused write is shown in the program's
    // error box, unless the program is ending (its own save reports then).
    ~TFloatForm() override;
    void endAtExit() { m_atExit = true; }

    void setRinging(bool on);
    bool isRinging() const { return m_ring.isActive(); }
    // Stops ringing and shows the quiet frame.
    void stopRinging();
    int frame() const { return m_frame; }
    void setHint(const QString &text) { setToolTip(text); }

    static QImage glyphFrame(int frame);
    static bool isPlaceable();

Q_SIGNALS:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void stepFrame();
    void stayOnTop();

    QString m_settingsPath;
    QTimer m_ring;
    QTimer m_onTop;
    int m_frame = 0;
    // A window of its own over the desktop (a rubber band with a parent would
    // be clipped to the bar), owned here so that it goes with the bar.
    std::unique_ptr<QRubberBand> m_outline;
    QPoint m_pressGlobal;
    bool m_atExit = false;
};
