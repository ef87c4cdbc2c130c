#include "ChatFormPlacement.h"

#include "IniFile.h"

#include <algorithm>

ChatFormPlacement ChatFormPlacement::read(const QString &settingsPath)
{
    const IniFile ini(settingsPath);
    ChatFormPlacement p;
    p.top = SettingKeys::kChatTop.read(ini);
    p.left = SettingKeys::kChatLeft.read(ini);
    p.width = SettingKeys::kChatWidth.read(ini);
    p.height = SettingKeys::kChatHeight.read(ini);
    p.login = SettingKeys::kChatLogin.read(ini);
    return p;
}

void ChatFormPlacement::write(const QString &settingsPath) const
{
    IniFile ini(settingsPath);
    ini.beginBatch();
    SettingKeys::kChatTop.write(ini, top);
    SettingKeys::kChatLeft.write(ini, left);
    SettingKeys::kChatWidth.write(ini, width);
    SettingKeys::kChatHeight.write(ini, height);
    SettingKeys::kChatLogin.write(ini, login);
    ini.commitBatch();
}

QSize ChatFormPlacement::clientSize(QSize outer, QMargins frame)
{
    return QSize(std::max(1, outer.width() - frame.left() - frame.right()),
                 std::max(1, outer.height() - frame.top() - frame.bottom()));
}
