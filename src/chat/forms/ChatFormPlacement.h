#pragma once

#include <QRect>
#include <QString>

// Section "ChatForm" of the settings file: where the chat window stood and
// the nick last used, read when it opens and written when it closes.
struct ChatFormPlacement
{
    int top = 162;
    int left = 181;
    int width = 467;
    int height = 271;
    QString login;

    static ChatFormPlacement read(const QString &settingsPath);
    // One write of the file; throws IniWriteError when it is refused.
    void write(const QString &settingsPath) const;
};
