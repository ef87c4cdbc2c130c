#pragma once

#include "PanelEdge.h"
#include "PopupLook.h"
#include "SlideMotion.h"

#include <QTimer>
#include <QWidget>

// One popup window: slides out of the panel edge, stays, slides back and
// deletes itself. It never takes the focus from the window the user types in.
class TfrmSlidePopUp : public QWidget
{
    Q_OBJECT

public:
    TfrmSlidePopUp(const PopupLook &look, PanelEdge edge, const QRect &workArea, int offset);

    const SlideMotion &motion() const { return m_motion; }
    int offset() const { return m_offset; }
    // The text's place inside the popup, centred in the panel.
    QRect textRect() const;

    // Starts the slide (or the stay, without sliding) and shows the window.
    void start();

Q_SIGNALS:
    // A mouse button was released over the popup.
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void onTimer();
    void renderBackground();

    PopupLook m_look;
    SlideMotion m_motion;
    int m_offset;
    QTimer m_timer;
    int m_armedMs = 0;
    QImage m_background;
};
