#pragma once

#include "PanelEdge.h"
#include "PopupCascade.h"
#include "PopupLook.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>

class TfrmSlidePopUp;

// The popup notifications of the main window: holds their look, stacks them
// beside each other and creates one window per notification.
class TSlidePopUp : public QObject
{
    Q_OBJECT

public:
    struct ScreenArea
    {
        QRect screen;
        QRect available; // without the panels
    };
    using ScreenSource = std::function<ScreenArea()>;

    explicit TSlidePopUp(QObject *parent = nullptr);
    ~TSlidePopUp() override;

    PopupLook &look() { return m_look; }
    const PopupLook &look() const { return m_look; }

    // The primary screen unless told otherwise (tests give their own).
    void setScreenSource(ScreenSource source);

    // false when the work area has no room for another popup: nothing is shown.
    bool showPopUp();
    void closePopUps();

    int openCount() const { return m_cascade.openCount(); }
    QList<TfrmSlidePopUp *> popups() const;

Q_SIGNALS:
    void clicked();

private:
    PopupLook m_look;
    PopupCascade m_cascade;
    ScreenSource m_screens;
    QList<QPointer<TfrmSlidePopUp>> m_popups;
};
