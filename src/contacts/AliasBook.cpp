#include "AliasBook.h"

#include "IniFile.h"
#include "SettingKeys.h"

AliasBook::AliasBook(QString settingsPath)
    : m_settingsPath(std::move(settingsPath))
{
}

QString AliasBook::alias(const QString &name) const
{
    return IniFile(m_settingsPath).readString(SettingKeys::kAliases, name);
}

QString AliasBook::displayName(const QString &name) const
{
    const QString a = alias(name);
    return a.isEmpty() ? name : a;
}
