#pragma once

#include <QMetaType>
#include <QString>

// How the window makes a received message known, as the options decide it:
// carried out in this order, before the message itself is shown.
struct ReceiveAnnouncement
{
    bool sound = false;
    bool blinkTray = false;  // the tray blinks instead of the window coming up
    bool showWindow = false;
    QString popupFor;        // the sender's display name; empty: no popup
    bool ringFloatingWindow = false;
    bool clearIncoming = false; // the new message replaces what the view shows
};

Q_DECLARE_METATYPE(ReceiveAnnouncement)
