#include "SmtpSettings.h"

#include "AsciiCase.h"
#include "IniFile.h"
#include "SettingKeys.h"

namespace {
const QString kSection = SettingKeys::kSmtp.toString();
constexpr QStringView kPass = SettingKeys::kSmtpPass;
}

SmtpSettings SmtpSettings::load(const QString &settingsPath)
{
    const IniFile file(settingsPath);
    SmtpSettings s;
    s.server = file.readString(kSection, u"server");
    s.port = file.readString(kSection, u"port", QStringLiteral("25"));
    s.login = file.readString(kSection, u"login");
    s.pass = file.readString(kSection, kPass);
    const QString security = AsciiCase::upper(file.readString(kSection, u"security").trimmed());
    if (security == u"STARTTLS")
        s.security = TSmtpClient::Security::StartTls;
    else if (security == u"TLS")
        s.security = TSmtpClient::Security::Tls;
    s.auth = file.readBool(kSection, u"auth", false);
    return s;
}

void SmtpSettings::saveShown(const QString &settingsPath) const
{
    IniFile file(settingsPath);
    file.beginBatch();
    file.writeString(kSection, u"server", server);
    file.writeString(kSection, u"port", port);
    file.writeString(kSection, u"login", login);
    file.writeString(kSection, kPass, pass);
    file.commitBatch();
}

void SmtpSettings::dropPassword(const QString &settingsPath)
{
    IniFile file(settingsPath);
    if (file.valueExists(kSection, kPass))
        file.deleteKey(kSection, kPass);
}

std::optional<quint16> SmtpSettings::portNumber() const
{
    bool ok = false;
    const uint value = port.trimmed().toUInt(&ok);
    if (!ok || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}
