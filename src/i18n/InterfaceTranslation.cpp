#include "InterfaceTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

InterfaceTranslation::InterfaceTranslation(InterfaceLanguage language)
    : m_language(InterfaceLanguages::resolve(language))
{
    const QLocale locale = InterfaceLanguages::locale(m_language);
    // Russian is the language of the sources: only other languages need ours.
    if (m_language != InterfaceLanguage::Russian && m_own.load(locale, QStringLiteral("zavolin"), QStringLiteral("_"),
                                                               QStringLiteral(":/i18n")))
        m_ownInstalled = QCoreApplication::installTranslator(&m_own);
    if (m_qt.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_qtInstalled = QCoreApplication::installTranslator(&m_qt);
    QLocale::setDefault(locale);
}

InterfaceTranslation::~InterfaceTranslation()
{
    QLocale::setDefault(m_previousLocale);
    if (m_qtInstalled)
        QCoreApplication::removeTranslator(&m_qt);
    if (m_ownInstalled)
        QCoreApplication::removeTranslator(&m_own);
}

InterfaceLanguage InterfaceTranslation::language() const
{
    return m_language;
}

bool InterfaceTranslation::complete() const
{
    return m_language == InterfaceLanguage::Russian || m_ownInstalled;
}
