#pragma once

#include "FileReceiver.h"

#include <QString>

#include <functional>

// What only a window can answer while a file is received: the user reading a
// notice, and the user choosing where to save. Both are non-blocking; the
// answer comes through the function given.
class UserPrompts
{
public:
    using Notice = FileReceiveHost::Notice;

    virtual ~UserPrompts() = default;
    // A message box with the caption "Внимание"; closed() runs once the user has dismissed it.
    virtual void showFileNotice(Notice notice, const QString &text, std::function<void()> closed) = 0;
    // answered() gets the chosen path, or an empty one when cancelled.
    virtual void askSavePath(const QString &fileName, std::function<void(const QString &path)> answered) = 0;
};
