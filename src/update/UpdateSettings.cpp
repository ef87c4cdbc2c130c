#include "UpdateSettings.h"

#include "IniFile.h"

namespace {

QString read(const QString &settingsPath, QStringView key)
{
    return IniFile(settingsPath).readString(UpdateSettings::kSection, key).trimmed();
}

} // namespace

namespace UpdateSettings {

QString infoUrl(const QString &settingsPath)
{
    return read(settingsPath, kInfoUrlKey);
}

QString siteUrl(const QString &settingsPath)
{
    return read(settingsPath, kSiteUrlKey);
}

QString email(const QString &settingsPath)
{
    return read(settingsPath, kEmailKey);
}

} // namespace UpdateSettings
