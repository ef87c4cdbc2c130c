#pragma once

#include <QString>

// The version peers, the update check and the about window know this program
// by: the protocol generation, not the build's own version.
inline const QString kProgramVersion = QStringLiteral("2.17");
