#pragma once

#include "ChatSession.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class TChatForm;

// The main window's check item "Чат" and the one chat window behind it: the
// window exists exactly from checking the item until its close has finished.
// The tray item and the tool button trigger the same item. While a window is
// closing (a joined user leaving, with the pauses) the item is disabled, so
// that a new window cannot start its sequences into the old one's.
class ChatWindowSwitch : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        QString settingsPath;
        std::function<QString()> ownName;
        ChatSession::Broadcast broadcast;
        // Tests end the pauses by hand; empty: real timers.
        std::function<std::unique_ptr<ChatPause>()> makePause;
    };

    ChatWindowSwitch(QAction *menuItem, Setup setup, QObject *parent = nullptr);
    ~ChatWindowSwitch() override;

    TChatForm *window() const;
    // What the datagram dispatcher talks to; nullptr without a window.
    ChatPort *port() const;

    // The end of the program: a joined user leaves at once (no pauses), the
    // window writes its section and goes. Returns with nothing left to send.
    void endAtExit();

private:
    void onToggled(bool checked);
    void open();
    void onFinished();

    QAction *m_menuItem;
    Setup m_setup;
    QPointer<TChatForm> m_window;
    bool m_settingCheck = false;
};
