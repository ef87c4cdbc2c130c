#pragma once

#include <QMetaType>
#include <QString>

// What one received message adds to the incoming view, decided from the
// options when it is received; the window lays it out (IncomingRenderer).
struct IncomingEntry
{
    enum class Kind {
        Message,              // the header line, then the text
        MissedWhileAnswering, // only the header line: the text went to auto-answer
    };

    // Where the message came from, for the mark the view puts on it.
    enum class Origin {
        Open,       // no key spoke for the name, which has none pinned
        Secure,     // the key pinned to the name spoke; pinned on first use, never compared
        Compared,   // the key pinned to the name spoke, and the users compared it
        Unverified, // the name has a pinned key, and it did not speak
    };

    Kind kind = Kind::Message;
    Origin origin = Origin::Open;
    QString header;
    QString text;
    bool smileys = false;     // smiley codes drawn as pictures
    bool scrollToEnd = false; // the view follows the new message
};

Q_DECLARE_METATYPE(IncomingEntry)
