#pragma once

#include <QLoggingCategory>

// "zavolin": what the program reports outside its windows (errors it showed,
// files not sent or saved, full lists). Debug output is off unless asked for
// with QT_LOGGING_RULES="zavolin*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcZavolin)
// "zavolin.net": frames and datagrams that were dropped, and why.
Q_DECLARE_LOGGING_CATEGORY(lcNet)
