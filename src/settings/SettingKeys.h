#pragma once

#include <QString>
#include <QStringView>

class IniFile;

// Every key of the settings file the program reads or writes, each with its
// section and default, declared once. Options "Ch1".."Ch21" are in Options.h.
struct IntegerKey
{
    QStringView section;
    QStringView key;
    int fallback;

    int read(const IniFile &ini) const;
    void write(IniFile &ini, int value) const;
};

struct StringKey
{
    QStringView section;
    QStringView key;
    QStringView fallback;

    QString read(const IniFile &ini) const;
    void write(IniFile &ini, const QString &value) const;
};

namespace SettingKeys {

inline constexpr QStringView kForm = u"Form";
inline constexpr QStringView kAliases = u"Aliases";     // key: name or address, value: alias
inline constexpr QStringView kAutoAnswer = u"AutoAnswer"; // keys "0".."50" and "Text"
inline constexpr QStringView kFloatForm = u"FloatForm";
inline constexpr QStringView kChatForm = u"ChatForm";
inline constexpr QStringView kSmtp = u"smtp";
// The mail password: a settings file created holding it is the owner's alone.
inline constexpr QStringView kSmtpPass = u"pass";

inline constexpr IntegerKey kTop{kForm, u"Top", 162};
inline constexpr IntegerKey kLeft{kForm, u"Left", 221};
inline constexpr IntegerKey kWidth{kForm, u"Width", 440};
inline constexpr IntegerKey kHeight{kForm, u"Height", 280};
inline constexpr IntegerKey kMenuStyle{kForm, u"MenuStyle", 2};
inline constexpr StringKey kSaveFileDir{kForm, u"SaveFileDir", u"*"};
inline constexpr IntegerKey kWaitPopUp{kForm, u"WaitPopUp", 10};
inline constexpr IntegerKey kFontColor{kForm, u"FontColor", 0};       // black
inline constexpr IntegerKey kColor{kForm, u"Color", 0x00FFFFFF};      // white
inline constexpr StringKey kFontName{kForm, u"FontName", u"MS Sans Serif"};
inline constexpr IntegerKey kFontSize{kForm, u"FontSize", 8};
inline constexpr IntegerKey kFontStyle{kForm, u"FontStyle", 0};
inline constexpr StringKey kMusic{kForm, u"Music", u"Utopia Default.wav"};
// The interface's language: "ru", "en" or "system"; read at start-up only.
inline constexpr StringKey kLanguage{kForm, u"Language", u"ru"};

// The floating window's place; missing, it stands at the centre of the screen,
// which only the window knows, so the fallback here is never used.
inline constexpr IntegerKey kFloatLeft{kFloatForm, u"Left", 0};
inline constexpr IntegerKey kFloatTop{kFloatForm, u"Top", 0};

// The chat window's outer frame and the nick last used.
inline constexpr IntegerKey kChatTop{kChatForm, u"Top", 162};
inline constexpr IntegerKey kChatLeft{kChatForm, u"Left", 181};
inline constexpr IntegerKey kChatWidth{kChatForm, u"Width", 467};
inline constexpr IntegerKey kChatHeight{kChatForm, u"Height", 271};
inline constexpr StringKey kChatLogin{kChatForm, u"Login", u""};

// The answer in use: empty while the key is missing when the editor reads it,
// this default when a reply is sent.
inline constexpr StringKey kAutoAnswerText{kAutoAnswer, u"Text", u"Абонент временно отсутствует!"};

// "*": no folder chosen for received files.
inline constexpr QStringView kNoFolder = u"*";

} // namespace SettingKeys
