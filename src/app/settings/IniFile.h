#pragma once

#include "ProfileValue.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <stdexcept>

// A write the system refused; what() reads "Unable to write to <path>".
class IniWriteError : public std::runtime_error
{
public:
    explicit IniWriteError(const QString &path);
    const QString &path() const;

private:
    QString m_path;
};

// The settings file in the private-profile format, code page 1251.
// Nothing is cached: every call opens the file, so a value written through one
// object is seen by the next read through any other on the same path.
// Reads never fail; a missing file, section or key gives the default.
class IniFile
{
public:
    explicit IniFile(QString path);
    const QString &path() const;

    // Values longer than 2047 characters are cut to their first 2047.
    QString readString(QStringView section, QStringView key, const QString &defaultValue = {}) const;
    int readInteger(QStringView section, QStringView key, int defaultValue) const;
    // Any integer other than 0 is on; text that is no integer gives the default.
    bool readBool(QStringView section, QStringView key, bool defaultValue) const;

    // Writes replace the file as a whole through a temporary copy, so a crash
    // leaves the old or the new file, never a part. They throw IniWriteError when
    // the file or its folder refuses, the folder is missing, the old file cannot
    // be read, or a name could not be read back (a key with '=', for instance).
    void writeString(QStringView section, QStringView key, const QString &value);
    void writeInteger(QStringView section, QStringView key, int value);
    void writeBool(QStringView section, QStringView key, bool value);

    // Never report an error; a missing file stays missing.
    void deleteKey(QStringView section, QStringView key);
    void eraseSection(QStringView section);

    // Key names in file order; keys above the first section belong to none.
    QStringList readSection(QStringView section) const;
    QStringList readSections() const;
    // A section exists while its header does, even with no keys left.
    bool sectionExists(QStringView section) const;
    bool valueExists(QStringView section, QStringView key) const;

private:
    QString m_path;
};
