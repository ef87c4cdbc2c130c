#pragma once

#include <QLoggingCategory>

// "zavolin.presence": every contact that presence adds or removes, with its
// address and the datagram that did it, for whoever asks who was heard.
// Off unless asked for: QT_LOGGING_RULES="zavolin.presence.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPresence)
