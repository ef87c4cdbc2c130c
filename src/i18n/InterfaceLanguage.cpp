#include "InterfaceLanguage.h"

#include "IniFile.h"
#include "SettingKeys.h"

#include <QStringList>

namespace InterfaceLanguages {

InterfaceLanguage fromCode(QStringView code)
{
    const QString trimmed = code.trimmed().toString().toLower();
    if (trimmed == u"en")
        return InterfaceLanguage::English;
    if (trimmed == u"system")
        return InterfaceLanguage::System;
    return InterfaceLanguage::Russian;
}

QString code(InterfaceLanguage language)
{
    switch (language) {
    case InterfaceLanguage::English:
        return QStringLiteral("en");
    case InterfaceLanguage::System:
        return QStringLiteral("system");
    case InterfaceLanguage::Russian:
        break;
    }
    return QStringLiteral("ru");
}

InterfaceLanguage read(const QString &settingsPath)
{
    return fromCode(SettingKeys::kLanguage.read(IniFile(settingsPath)));
}

void write(const QString &settingsPath, InterfaceLanguage language)
{
    IniFile ini(settingsPath);
    SettingKeys::kLanguage.write(ini, code(language));
}

InterfaceLanguage resolve(InterfaceLanguage language, const QLocale &system)
{
    if (language != InterfaceLanguage::System)
        return language;
    // The first preferred language we have a translation for wins.
    for (const QString &name : system.uiLanguages()) {
        if (name.startsWith(u"ru"))
            return InterfaceLanguage::Russian;
        if (name.startsWith(u"en"))
            return InterfaceLanguage::English;
    }
    return InterfaceLanguage::English;
}

QLocale locale(InterfaceLanguage resolved)
{
    if (resolved == InterfaceLanguage::English)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return QLocale(QLocale::Russian, QLocale::Russia);
}

} // namespace InterfaceLanguages
