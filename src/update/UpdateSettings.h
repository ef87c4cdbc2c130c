#pragma once

#include <QString>

// Where the update check and the about window's links point. There is no
// built-in address: each is read from the settings file when it is used, so
// an edit takes effect at the next click.
//
//   [Update]
//   InfoURL=intranet.example/zavolin/update.htm
//   SiteURL=https://intranet.example/zavolin/
//   Email=admin@example.org
namespace UpdateSettings {

inline constexpr QStringView kSection = u"Update";
inline constexpr QStringView kInfoUrlKey = u"InfoURL";
inline constexpr QStringView kSiteUrlKey = u"SiteURL";
inline constexpr QStringView kEmailKey = u"Email";

QString infoUrl(const QString &settingsPath);
QString siteUrl(const QString &settingsPath);
QString email(const QString &settingsPath);

} // namespace UpdateSettings
