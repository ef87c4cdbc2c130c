#pragma once

#include <QString>
#include <QStringList>

// The program's list files ("BlackList.lst", "ip.lst", "Hint.hnt"): one entry
// per line, code page 1251, lines ending in CR LF.
namespace LineListFile {

// A missing or unreadable file is an empty list. CR LF, LF and CR all end a line.
QStringList load(const QString &path);

enum class ReadStatus { Read, Missing, Unreadable };

// As load(), saying why a list is empty: a file that is not there is no
// fault, one that is there but cannot be read is.
QStringList load(const QString &path, ReadStatus *status);

// The lines of a file's content; a line end after the last line starts no other.
QStringList splitLines(const QByteArray &content);

// An entry as the file keeps it: CR and LF, which would split it in two,
// become blanks; every other character stays.
QString storedEntry(QString entry);

// Replaces the file through a temporary copy; false with *error on failure.
// Entries are written as storedEntry gives them.
bool save(const QString &path, const QStringList &lines, QString *error = nullptr);

} // namespace LineListFile
