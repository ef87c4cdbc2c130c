#pragma once

#include <QLoggingCategory>

// Events of the secure channel an administrator may want to follow:
// names claimed in the open, keys that changed, refused connections.
Q_DECLARE_LOGGING_CATEGORY(lcSecurity)
