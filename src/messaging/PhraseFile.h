#pragma once

#include "LineListFile.h"

#include <QString>
#include <QStringList>

// The stock phrases of "Hint.hnt": one phrase per line, kept in the same
// sorted order in the file and wherever the list is shown, so that a list
// written by one instance reads back the same in any other.
namespace PhraseFile {

inline constexpr int kMaxEnteredLength = 255; // what the editor's input box takes
QString fileName();                              // "Hint.hnt"

// In Russian dictionary order whatever the user's language, so the file's
// order never changes with it: Ё stands with Е, case decides only between
// phrases otherwise equal ("абв" and "Абв" stand together).
bool lessThan(const QString &a, const QString &b);
QStringList sorted(QStringList phrases);
// Where `phrase` belongs in the sorted `phrases`.
qsizetype insertionPoint(const QStringList &phrases, const QString &phrase);

// Sorted; a missing file is an empty list with status Missing.
QStringList read(const QString &path, LineListFile::ReadStatus *status);
// Sorted, CR LF after every line; the file is replaced only when all is written.
bool write(const QString &path, const QStringList &phrases, QString *error = nullptr);

// The failure texts every file error of the text tools is shown with.
QString cannotOpen(const QString &path);   // "Cannot open file %s"
QString cannotCreate(const QString &path); // "Cannot create file %s"

} // namespace PhraseFile
