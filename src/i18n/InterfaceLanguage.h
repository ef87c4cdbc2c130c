#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

// The language the windows speak. Only the interface follows it: what goes on
// the wire and into files stays Russian whatever is chosen.
enum class InterfaceLanguage {
    Russian, // also when nothing is chosen, whatever the system's locale
    English,
    System,  // the desktop's language when there is a translation for it
};

namespace InterfaceLanguages {

// "ru", "en", "system"; anything else reads as Russian.
InterfaceLanguage fromCode(QStringView code);
QString code(InterfaceLanguage language);

// The choice kept in the settings file, read at start-up: a change is applied
// at the next start. write throws IniWriteError when the file cannot be written.
InterfaceLanguage read(const QString &settingsPath);
void write(const QString &settingsPath, InterfaceLanguage language);

// The language the windows actually get: System resolved against the
// desktop's preferred languages, English when none of them is translated.
InterfaceLanguage resolve(InterfaceLanguage language, const QLocale &system = QLocale::system());
// Dates and numbers in the windows follow it.
QLocale locale(InterfaceLanguage resolved);

} // namespace InterfaceLanguages
