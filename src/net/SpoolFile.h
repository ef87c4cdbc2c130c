#pragma once

#include <QString>

#include <memory>

class QFile;

// Hidden ".zavolin-*.part" files that hold received bytes until they are
// saved. Each is locked (flock) for as long as its writer keeps it open, so
// that files left by a program that was killed can be told from files a
// running instance is still writing or keeping for its user.
namespace SpoolFile {

bool isName(const QString &fileName);

// A new, empty spool file in `folder`, open for writing and locked; null
// with *error when none can be made there.
std::unique_ptr<QFile> create(const QString &folder, QString *error);

// Removes the spool files in `folder` that no open file holds locked; other
// files, links and spool files in use are left alone. Returns how many went.
int removeStale(const QString &folder);

} // namespace SpoolFile
