#include "AutoAnswerTexts.h"

#include "IniFile.h"
#include "SettingKeys.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kSection = SettingKeys::kAutoAnswer;
constexpr QStringView kTextKey = SettingKeys::kAutoAnswerText.key;

bool isNumberedKey(QStringView key)
{
    if (key.trimmed().isEmpty())
        return false;
    for (QChar c : key.trimmed()) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

QString AutoAnswerTexts::defaultAnswer()
{
    return SettingKeys::kAutoAnswerText.fallback.toString();
}

QString AutoAnswerTexts::reply(const QString &answer)
{
    return u"Автоответчик: "_s + answer;
}

AutoAnswerTexts::AutoAnswerTexts(QString settingsPath)
    : m_settingsPath(std::move(settingsPath))
{
}

QStringList AutoAnswerTexts::list() const
{
    const IniFile ini(m_settingsPath);
    QStringList items;
    for (int n = 0; n <= kLastListedKey; ++n) {
        const QString value = ini.readString(kSection, QString::number(n));
        if (!value.isEmpty())
            items.append(value);
    }
    return items;
}

void AutoAnswerTexts::writeList(const QStringList &items)
{
    IniFile ini(m_settingsPath);
    const QStringList before = ini.readSection(kSection);
    ini.beginBatch();
    QStringList written;
    for (qsizetype n = 0; n < items.size(); ++n) {
        written.append(QString::number(n));
        ini.writeString(kSection, written.last(), items.at(n));
    }
    for (const QString &key : before) {
        // "007" is numbered too, and differs from "7" only in its spelling.
        if (isNumberedKey(key) && !written.contains(key.trimmed()))
            ini.deleteKey(kSection, key);
    }
    ini.commitBatch();
}

QString AutoAnswerTexts::editorText() const
{
    return IniFile(m_settingsPath).readString(kSection, kTextKey);
}

QString AutoAnswerTexts::answer() const
{
    return IniFile(m_settingsPath).readString(kSection, kTextKey, defaultAnswer());
}

void AutoAnswerTexts::writeAnswer(const QString &text)
{
    IniFile(m_settingsPath).writeString(kSection, kTextKey, text);
}
