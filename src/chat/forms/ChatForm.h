#pragma once

#include "ChatSession.h"

#include <QWidget>

#include <memory>

class ChatLogView;
class QButtonGroup;
class QLineEdit;
class QListView;
class QToolButton;

// "Chat - Zavolin": the group chat window. Its session talks to the network;
// the window shows the session's state and turns the user's clicks into its
// requests. Closing is not immediate: a joined user first leaves, with the
// pauses of the leave sequence, and the window says finished() once it has
// written its place and nick to the settings file.
class TChatForm : public QWidget
{
    Q_OBJECT

public:
    TChatForm(const QString &settingsPath, const QString &ownName, ChatSession::Broadcast broadcast,
              std::unique_ptr<ChatPause> pause = {}, QWidget *parent = nullptr);
    ~TChatForm() override;

    ChatSession &session() { return *m_session; }

    // The window's close box, SpeedButton5 and unchecking "Чат" all end here.
    void startClose();
    // The end of the program: what is due goes out at once, the section is
    // written, and finished() is emitted before this returns.
    void finishNow();
    bool isClosing() const { return m_session->isClosing(); }

Q_SIGNALS:
    void closing();
    void finished();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void build();
    void wire();
    void showJoined(bool joined);
    void onJoinRefused(ChatSession::Refusal why);
    void send(bool fromButton);
    void appendToInput(const QString &text);
    void onSessionClosed();
    void fitIntoFrame();

    QString m_settingsPath;
    ChatSession *m_session; // a child
    bool m_atExit = false;
    bool m_finished = false;
    QSize m_outerSize;           // as read from the settings file
    bool m_frameFitted = false;  // the client area has been fitted to the frame

    QToolButton *m_speedButton1 = nullptr; // send
    QToolButton *m_speedButton2 = nullptr; // clear
    QToolButton *m_speedButton3 = nullptr; // join
    QToolButton *m_speedButton4 = nullptr; // leave
    QToolButton *m_speedButton5 = nullptr; // close
    QButtonGroup *m_joinLeave = nullptr;
    QLineEdit *m_edit1 = nullptr;          // input line
    QLineEdit *m_edit2 = nullptr;          // nick
    QListView *m_listBox1 = nullptr;       // participants
    ChatLogView *m_memo1 = nullptr;        // log
};
