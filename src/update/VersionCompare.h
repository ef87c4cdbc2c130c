#pragma once

#include <QString>

enum class VersionFormat {
    vfStandard, // dotted numbers, part by part, as far as the running version goes
    vfString,   // character codes (code page 1251)
    vfNumber,   // decimal numbers with '.' as the point, whatever the locale
};

namespace VersionCompare {

// Whether `page` names a newer version than `running`.
//
// vfStandard compares the parts before each '.' as integers of any length (a
// part that is no integer counts as 0) and stops, equal, after the running version's last part:
// against 2.17, 2.18 and 3 are newer, 2.9 is older, 2.17.1 and 2.017 are equal.
// vfNumber: a version that is no number is never newer.
bool isNewer(const QString &running, const QString &page, VersionFormat format);

} // namespace VersionCompare
