#pragma once

#include "Options.h"
#include "SendFlow.h"
#include "ShellParts.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QWidget;
struct Recipient;

// The window's side of sending messages: the selection and the editor's text
// handed to SendFlow's rules, its refusals told, the busy cursor while peers
// answer, the history entry, and the offer to deliver later when a single
// send fails.
class SendController : public QObject
{
    Q_OBJECT

public:
    struct Setup : ShellParts
    {
        std::function<void()> hideWindow;
        std::function<bool()> hasShutDown;
    };

    explicit SendController(const Setup &setup);

    // "Отправить сообщение": to the selected contact, or the selected ones.
    void send();
    void sendToAll();
    // After a secure send failed and the user agreed: this once in the open.
    void sendOpenly(const Recipient &recipient, const QString &text);
    // false when the entry could not be written and the user has been told.
    bool recordSent(const QString &text, const QString &to, bool reportWriteError);

private:
    bool option(Option option) const;
    // Tells the user why the plan does not go; false when it goes.
    bool refused(const SendFlow::Plan &plan);
    QList<Recipient> recipientsOf(const SendFlow::Plan &plan) const;
    void sendToOne(const Recipient &recipient, const QString &text);
    void sendToSeveral(const QList<Recipient> &recipients, const SendFlow::Plan &plan);
    QString editorText() const;
    // Sends that wait for their peers: a busy cursor over the editor and the
    // Send button, and the button's hint says to whom it is going.
    void trackSending(int change, const QString &to = QString());
    // A single send failed: the error, with the offer to deliver it when the contact is back.
    void offerDeliveryLater(const Recipient &recipient, const QString &text);

    QWidget *m_window;
    NetFormWidgets &m_ui;
    Messenger &m_messenger;
    std::function<void()> m_hideWindow;
    std::function<bool()> m_hasShutDown;
    int m_sendsPending = 0; // recipients whose send has not ended yet
};
