#pragma once

#include "IncomingBatch.h"
#include "IncomingView.h"
#include "ShellParts.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class BringUpOnce;
class DesktopController;
class SoundPlayer;
struct ReceiveAnnouncement;

// Received messages in the main window: the incoming view laid out frame by
// frame, and what the options ask for as one arrives (the sound, the tray
// blinking, the window brought up, the popup a second later, the floating
// window ringing). The desktop notices themselves are the window's to show.
class IncomingController : public QObject
{
    Q_OBJECT

public:
    struct Setup : ShellParts
    {
        DesktopController &desktop;
        std::function<void()> bringUp; // the window restored and in front
        QString settingsPath;
        QString dataFolder;
    };

    explicit IncomingController(const Setup &setup);
    ~IncomingController() override;

    IncomingBatch &batch() { return m_batch; }
    // Empties the view, entries still waiting for it included.
    void clearView();

Q_SIGNALS:
    // "Получено сообщение от: " and the sender, once a burst has settled.
    void popupDue(const QString &text);
    void ringRequested();
    // No tray to blink in: the desktop's own notice is wanted.
    void announcedWithoutTray();

private:
    void announce(const ReceiveAnnouncement &announcement);
    void startTrayBlinking();
    void armPopup(const QString &displayName);

    Setup m_setup;
    IncomingView m_view;
    IncomingBatch m_batch; // received entries waiting for the view's next frame
    BringUpOnce *m_bringUp; // the window, once per burst of messages
    SoundPlayer *m_sound;
    QTimer m_popupTimer;
    QString m_popupSender;
};
