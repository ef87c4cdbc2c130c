#pragma once

class Messenger;
class NetFormWidgets;
class QMainWindow;

// What each controller of the main window works with: the window (where its
// dialogs and boxes open), the window's controls and the messenger, all of
// them living as long as the window.
struct ShellParts
{
    QMainWindow *window;
    NetFormWidgets &ui;
    Messenger &messenger;
};
