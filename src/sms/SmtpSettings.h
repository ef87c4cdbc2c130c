#pragma once

#include "SmtpClient.h"

#include <QString>

// Section "smtp" of the settings file. "server", "port", "login" and "pass"
// are what the SMS window shows; "security" ("starttls" or "tls") and "auth"
// (1: log in with login and pass) are ours and off unless set by hand.
struct SmtpSettings
{
    QString server;
    QString port = QStringLiteral("25");
    QString login;
    QString pass;
    TSmtpClient::Security security = TSmtpClient::Security::None;
    bool auth = false;

    static SmtpSettings load(const QString &settingsPath);
    // Writes the four keys the window shows, in one write; throws IniWriteError.
    void saveShown(const QString &settingsPath) const;
    // "pass" leaves the file once a keyring has taken the password.
    static void dropPassword(const QString &settingsPath);
    // The port as a number, or nothing when the text is none in 1..65535.
    std::optional<quint16> portNumber() const;
};
