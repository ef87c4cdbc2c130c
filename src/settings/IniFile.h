#pragma once

#include "ProfileValue.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <QList>

#include <functional>
#include <optional>
#include <stdexcept>

class IniDocument;

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
// Every call sees the file as it is on disk: a value written through one object
// is seen by the next read through any other on the same path, and so is a
// change made by hand or by another program. The parsed file is shared by all
// objects and read again only when the file has changed (see IniCache).
// Reads never fail; a missing file, section or key gives the default.
class IniFile
{
public:
    explicit IniFile(QString path);
    const QString &path() const;

    // Between the two, writes and deletes through this object are collected and
    // then written in one replacement of the file, so a save of many keys is
    // one write, and a failed one leaves the old file whole. Reads in between
    // see the file, not the collected writes. commitBatch throws IniWriteError
    // (an unwritable name throws already at its write); an object destroyed
    // before commitBatch writes nothing.
    void beginBatch();
    void commitBatch();

    // Forgets every parsed file (benchmarks use it to measure reading anew).
    static void dropCache();
    // Files parsed so far in this process.
    static quint64 parseCount();

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
    using Change = std::function<bool(IniDocument &)>;
    void apply(Change change);

    QString m_path;
    std::optional<QList<Change>> m_batch;
};
