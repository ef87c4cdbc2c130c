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

    Kind kind = Kind::Message;
    QString header;
    QString text;
    bool smileys = false;     // smiley codes drawn as pictures
    bool scrollToEnd = false; // the view follows the new message
};

Q_DECLARE_METATYPE(IncomingEntry)
