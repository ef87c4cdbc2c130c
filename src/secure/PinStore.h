#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

// The key each computer name is pinned to: the first key that proved itself
// for a name is kept (trust on first use) until the user accepts another or
// forgets it. One line per name in a file of the data folder: name,
// fingerprint, first seen (UTC, ISO 8601), verified (1 once the users compared
// fingerprints), the address the key last proved itself at, separated by
// TABs, in code page 1251 (lines without the address are read too). Every
// change is written at once.
class PinStore
{
public:
    static constexpr const char *kFileName = "pins.txt";
    // A file beyond these is not one we wrote; what fits is kept.
    static constexpr int kMaxPins = 10000;
    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;
    static constexpr int kMaxLine = 2048;

    struct Pin
    {
        QString name;
        QString fingerprint;
        QDateTime firstSeen;
        bool verified = false;
        QString address;
    };
    enum class Check { Unknown, Match, Mismatch };

    explicit PinStore(QString path = QString());

    // Reads the file again. What cannot be read (damaged lines, a file past
    // the bounds) is never dropped silently: the whole file is copied aside
    // to "pins.txt.bad", the readable pins are kept, and notice() says so.
    void load();
    const QString &path() const { return m_path; }
    // Said once after load(): what was set aside, or empty.
    const QString &notice() const { return m_notice; }

    std::optional<Pin> pin(const QString &name) const;
    Check check(const QString &name, const QString &fingerprint) const;
    // Pins the key to a name that has none; false if it has one already.
    bool pinFirst(const QString &name, const QString &fingerprint, const QString &address = QString());
    // The user accepted another key for the name: it replaces the pinned one, not yet verified.
    void replace(const QString &name, const QString &fingerprint, const QString &address = QString());
    void setVerified(const QString &name, bool verified);
    // The pinned key proved itself at another address.
    void setAddress(const QString &name, const QString &address);
    // The name goes back to having no key.
    bool forget(const QString &name);
    // The name whose key last proved itself at `address`, or empty.
    QString nameAt(const QString &address) const;
    // How many names have their key last proved at `address`.
    int countAt(const QString &address) const;
    // The name a key is pinned to, or empty.
    QString nameForKey(const QString &fingerprint) const;
    QList<Pin> pins() const;
    // False when the last change could not be written.
    bool isSaved() const { return m_saved; }

private:
    void save();

    QString m_path;
    QString m_notice;
    QHash<QString, Pin> m_pins; // by upper-cased name
    bool m_saved = true;
};
