#include "PresenceLog.h"

Q_LOGGING_CATEGORY(lcPresence, "zavolin.presence", QtInfoMsg)
