#include "ChatFormPlacement.h"

#include "IniFile.h"

#include <algorithm>

namespace {

constexpr QStringView kSection = u"ChatForm";

} // namespace

ChatFormPlacement ChatFormPlacement::read(const QString &settingsPath)
{
    const IniFile ini(settingsPath);
    ChatFormPlacement p;
    p.top = ini.readInteger(kSection, u"Top", p.top);
    p.left = ini.readInteger(kSection, u"Left", p.left);
    p.width = ini.readInteger(kSection, u"Width", p.width);
    p.height = ini.readInteger(kSection, u"Height", p.height);
    p.login = ini.readString(kSection, u"Login");
    return p;
}

void ChatFormPlacement::write(const QString &settingsPath) const
{
    IniFile ini(settingsPath);
    ini.beginBatch();
    ini.writeInteger(kSection, u"Top", top);
    ini.writeInteger(kSection, u"Left", left);
    ini.writeInteger(kSection, u"Width", width);
    ini.writeInteger(kSection, u"Height", height);
    ini.writeString(kSection, u"Login", login);
    ini.commitBatch();
}

QSize ChatFormPlacement::clientSize(QSize outer, QMargins frame)
{
    return QSize(std::max(1, outer.width() - frame.left() - frame.right()),
                 std::max(1, outer.height() - frame.top() - frame.bottom()));
}
