#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

// The key each computer name is pinned to: the first key seen for a name is
// kept (trust on first use) until the user accepts another. One line per name
// in a file of the data folder: name, fingerprint, first seen (UTC, ISO 8601),
// verified (1 once the users compared fingerprints), separated by TABs, in
// code page 1251. Every change is written at once.
class PinStore
{
public:
    static constexpr const char *kFileName = "pins.txt";
    // A file beyond these is not one we wrote; what fits is kept.
    static constexpr int kMaxPins = 10000;

    struct Pin
    {
        QString name;
        QString fingerprint;
        QDateTime firstSeen;
        bool verified = false;
    };
    enum class Check { Unknown, Match, Mismatch };

    explicit PinStore(QString path = QString());

    // Reads the file again; unreadable lines are skipped.
    void load();
    const QString &path() const { return m_path; }

    std::optional<Pin> pin(const QString &name) const;
    Check check(const QString &name, const QString &fingerprint) const;
    // Pins the key to a name that has none; false if it has one already.
    bool pinFirst(const QString &name, const QString &fingerprint);
    // The user accepted another key for the name: it replaces the pinned one, not yet verified.
    void replace(const QString &name, const QString &fingerprint);
    void setVerified(const QString &name, bool verified);
    QList<Pin> pins() const;
    // False when the last change could not be written.
    bool isSaved() const { return m_saved; }

private:
    void save();

    QString m_path;
    QHash<QString, Pin> m_pins; // by upper-cased name
    bool m_saved = true;
};
