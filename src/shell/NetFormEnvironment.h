#pragma once

#include "MessengerEnvironment.h"

// The main window's surroundings: the messenger's files and ports, and whether
// the desktop (tray, hot keys, autostart) is used. Tests leave the desktop alone.
struct NetFormEnvironment : MessengerEnvironment
{
    bool desktopIntegration = true;
    // False where no window can be seen (offscreen): errors at exit only go to stderr.
    bool errorsCanBeSeen = true;
};
