#pragma once

#include <QString>

// Aliases live in the settings file, section "Aliases", keyed by the address
// exactly as the contact list holds it. Read at every use: an alias assigned
// anywhere shows at once.
class AliasBook
{
public:
    explicit AliasBook(QString settingsPath);

    // The alias when it is not empty, else the name itself.
    QString displayName(const QString &name) const;
    QString alias(const QString &name) const;

private:
    QString m_settingsPath;
};
