#include "Logging.h"

Q_LOGGING_CATEGORY(lcZavolin, "zavolin", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNet, "zavolin.net", QtInfoMsg)
