#pragma once

#include <QString>

// Where the settings file and the data files live. With a home folder
// (--home DIR or ZAVOLIN_HOME) everything is kept in it; otherwise the XDG
// config and data folders are used.
namespace AppPaths {

void setHome(const QString &folder);
QString home(); // empty when none was given

QString settingsFile();           // .../Zavolin.ini
QString dataFolder();
QString dataFile(const QString &name);
// Operator lists ship with the program: a copy in the data folder wins,
// else the installed one.
QString operatorDataFile(const QString &name);

} // namespace AppPaths
