#include "SettingKeys.h"

#include "IniFile.h"

int IntegerKey::read(const IniFile &ini) const
{
    return ini.readInteger(section, key, fallback);
}

void IntegerKey::write(IniFile &ini, int value) const
{
    ini.writeInteger(section, key, value);
}

QString StringKey::read(const IniFile &ini) const
{
    return ini.readString(section, key, fallback.toString());
}

void StringKey::write(IniFile &ini, const QString &value) const
{
    ini.writeString(section, key, value);
}
