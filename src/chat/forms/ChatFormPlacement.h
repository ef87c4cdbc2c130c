#pragma once

#include "SettingKeys.h"

#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

// Section "ChatForm" of the settings file: where the chat window stood and
// the nick last used, read when it opens and written when it closes. Top,
// Left, Width and Height are the outer window, its frame included, so that
// every instance that reads the section opens the window as large as it was.
struct ChatFormPlacement
{
    int top = SettingKeys::kChatTop.fallback;
    int left = SettingKeys::kChatLeft.fallback;
    int width = SettingKeys::kChatWidth.fallback;
    int height = SettingKeys::kChatHeight.fallback;
    QString login;

    static ChatFormPlacement read(const QString &settingsPath);
    // One write of the file; throws IniWriteError when it is refused.
    void write(const QString &settingsPath) const;

    // The client area inside a window of outer size `outer` whose frame is
    // `frame`; never smaller than 1 x 1.
    static QSize clientSize(QSize outer, QMargins frame);
};
