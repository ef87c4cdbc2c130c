#include "OptionsStore.h"

#include "IniFile.h"
#include "SettingKeys.h"

QString Options::key(Option option)
{
    return QStringLiteral("Ch") + QString::number(number(option));
}

namespace {

std::size_t slot(Option option)
{
    return std::size_t(Options::number(option) - 1);
}

bool isValid(Option option)
{
    return Options::number(option) >= 1 && Options::number(option) <= Options::kCount;
}

} // namespace

OptionsStore::OptionsStore(QObject *parent)
    : QObject(parent)
    , m_saveFolder(SettingKeys::kSaveFileDir.fallback.toString())
    , m_popupSeconds(SettingKeys::kWaitPopUp.fallback)
    , m_menuStyle(SettingKeys::kMenuStyle.fallback)
    , m_language(SettingKeys::kLanguage.fallback.toString())
{
}

bool OptionsStore::isOn(Option option) const
{
    return isValid(option) && m_on[slot(option)];
}

void OptionsStore::set(Option option, bool on)
{
    if (!isValid(option) || m_on[slot(option)] == on)
        return;
    m_on[slot(option)] = on;
    Q_EMIT changed(option, on);
}

QString OptionsStore::saveFolder() const
{
    return m_saveFolder;
}

void OptionsStore::setSaveFolder(const QString &folder)
{
    if (m_saveFolder == folder)
        return;
    m_saveFolder = folder;
    Q_EMIT saveFolderChanged(folder);
}

void OptionsStore::setPopupSeconds(int seconds)
{
    if (m_popupSeconds == seconds)
        return;
    m_popupSeconds = seconds;
    Q_EMIT popupSecondsChanged(seconds);
}

void OptionsStore::setMenuStyle(int index)
{
    if (m_menuStyle == index)
        return;
    m_menuStyle = index;
    Q_EMIT menuStyleChanged(index);
}

void OptionsStore::setLanguage(const QString &code)
{
    if (m_language == code)
        return;
    m_language = code;
    Q_EMIT languageChanged(code);
}

void OptionsStore::load(const IniFile &ini)
{
    for (Option option : Options::all())
        set(option, ini.readBool(SettingKeys::kForm, Options::key(option), Options::defaultValue(option)));
    setLanguage(SettingKeys::kLanguage.read(ini));
}

void OptionsStore::write(IniFile &ini) const
{
    for (Option option : Options::all())
        ini.writeBool(SettingKeys::kForm, Options::key(option), isOn(option));
    const auto &key = SettingKeys::kLanguage;
    if (m_language != key.fallback || ini.valueExists(key.section, key.key))
        key.write(ini, m_language);
}
