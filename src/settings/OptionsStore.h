#pragma once

#include "Options.h"

#include <QObject>
#include <QString>

#include <array>

class IniFile;

// The live value of every option and of the received-files folder for the
// whole run. The settings dialog and the menu items show it and write into it;
// everyone else reads it here, never from a control. A change takes effect at
// once; it reaches the file only when the settings are saved.
class OptionsStore : public QObject
{
    Q_OBJECT

public:
    explicit OptionsStore(QObject *parent = nullptr);

    bool isOn(Option option) const;
    // changed() follows only when the value differs.
    void set(Option option, bool on);

    // "*" while none is chosen.
    QString saveFolder() const;
    void setSaveFolder(const QString &folder);

    // How long a popup stays, in seconds, and the menus' drawing style.
    int popupSeconds() const { return m_popupSeconds; }
    void setPopupSeconds(int seconds);
    int menuStyle() const { return m_menuStyle; }
    void setMenuStyle(int index);
    // The interface language's code as kept in the file; it takes effect at the next start.
    QString language() const { return m_language; }
    void setLanguage(const QString &code);

    // Every option in numeric order, each through set(), so what reacts to a
    // change reacts in that order; a missing or unreadable key gives its default.
    void load(const IniFile &ini);
    // Every option in numeric order (within a batch of the caller's), then the
    // language, which an existing file only gains once the user has chosen one.
    void write(IniFile &ini) const;

Q_SIGNALS:
    void changed(Option option, bool on);
    void saveFolderChanged(const QString &folder);
    void popupSecondsChanged(int seconds);
    void menuStyleChanged(int index);
    void languageChanged(const QString &code);

private:
    std::array<bool, Options::kCount> m_on{};
    QString m_saveFolder;
    int m_popupSeconds;
    int m_menuStyle;
    QString m_language;
};
