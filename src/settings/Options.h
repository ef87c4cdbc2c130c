#pragma once

#include <QMetaType>
#include <QString>
#include <QStringView>

#include <array>

// The program's on/off options, stored as "Ch1".."Ch21" in section "Form".
// The value of each is its number in the key.
enum class Option {
    TrayInsteadOfWindow = 1,   // blink the tray icon instead of showing the window on a message
    ClearAfterSend = 2,        // empty the editor once a message is sent
    ClearIncomingOnNew = 3,    // a new message replaces the incoming view's content
    HideAfterSend = 4,
    TimeInHeader = 5,          // received messages carry the time they came
    AutoAnswer = 6,            // a main-menu item, not a box of the settings dialog
    StatusNotices = 7,         // tell the user when a contact comes or goes
    WarnBeforeSendToAll = 8,
    HideOnClose = 9,           // the close button hides the window
    Sound = 10,
    Popup = 11,
    HotKeys = 12,
    Autostart = 13,
    Smileys = 14,              // show smiley codes as pictures
    History = 15,              // keep the message history file
    ScrollToEnd = 16,          // scroll the incoming view to a new message
    FloatingWindow = 17,
    HideAtStart = 18,
    ReceiveWhileAnswering = 19, // a main-menu item: show messages while auto-answering
    SaveIntoFolder = 20,       // save received files into the preset folder without asking
    MenuEffects = 21,
};

Q_DECLARE_METATYPE(Option)

namespace Options {

inline constexpr int kCount = 21;

// Every option in the order the settings file holds them.
constexpr std::array<Option, kCount> all()
{
    std::array<Option, kCount> options{};
    for (int n = 1; n <= kCount; ++n)
        options[std::size_t(n - 1)] = Option(n);
    return options;
}

constexpr int number(Option option) { return int(option); }

constexpr bool defaultValue(Option option)
{
    switch (option) {
    case Option::WarnBeforeSendToAll:
    case Option::HideOnClose:
    case Option::HotKeys:
    case Option::Smileys:
    case Option::History:
    case Option::ScrollToEnd:
    case Option::FloatingWindow:
    case Option::HideAtStart:
    case Option::MenuEffects:
        return true;
    default:
        return false;
    }
}

// Items of the main menu rather than boxes of the settings dialog.
constexpr bool isMenuItem(Option option)
{
    return option == Option::AutoAnswer || option == Option::ReceiveWhileAnswering;
}

// "Ch" and the number: the key in the file and the box's object name.
QString key(Option option);

} // namespace Options
