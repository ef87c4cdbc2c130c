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
// Read-only data that ships with the program (the example operator lists):
// <prefix>/share/zavolin of an installed program, found from its <prefix>/bin,
// or the source tree's data folder when the program runs from its build
// folder. Never the executable's own folder, which holds no data once
// installed. Empty when there is none.
QString shareFolder();
// The same lookup for an executable in executableFolder, with the build
// folder and the source tree's data folder the program was compiled in.
QString shareFolderFor(const QString &executableFolder, const QString &buildFolder,
                       const QString &sourceDataFolder);
// Operator lists ship with the program: a copy in the data folder wins,
// else the one in the share folder.
QString operatorDataFile(const QString &name);

} // namespace AppPaths
