#include "SecurityLog.h"

Q_LOGGING_CATEGORY(lcSecurity, "zavolin.security")
