#pragma once

#include "InterfaceLanguage.h"

#include <QLocale>
#include <QTranslator>

// While it lives, the application speaks the chosen language: the program's
// own translation, Qt's for its dialogs and buttons, and the default locale
// for dates in the windows. Destroyed, everything is as it was before.
class InterfaceTranslation
{
public:
    explicit InterfaceTranslation(InterfaceLanguage language);
    ~InterfaceTranslation();
    InterfaceTranslation(const InterfaceTranslation &) = delete;
    InterfaceTranslation &operator=(const InterfaceTranslation &) = delete;

    InterfaceLanguage language() const; // System resolved
    // False when the program's translation for a non-Russian language could
    // not be loaded; the windows then stay Russian.
    bool complete() const;

private:
    InterfaceLanguage m_language;
    QLocale m_previousLocale;
    QTranslator m_own;
    QTranslator m_qt;
    bool m_ownInstalled = false;
    bool m_qtInstalled = false;
};
