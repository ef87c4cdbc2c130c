#pragma once

#include <QString>
#include <QStringList>

// The program's list files ("BlackList.lst", "ip.lst", "Hint.hnt"): one entry
// per line, code page 1251, lines ending in CR LF.
namespace LineListFile {

// A missing or unreadable file is an empty list. LF-only lines are accepted.
QStringList load(const QString &path);

// An entry as the file keeps it: control characters (line breaks above all,
// which would split it in two) become blanks.
QString storedEntry(QString entry);

// Replaces the file through a temporary copy; false with *error on failure.
// Entries are written as storedEntry gives them.
bool save(const QString &path, const QStringList &lines, QString *error = nullptr);

} // namespace LineListFile
