#pragma once

#include <QString>

#include <atomic>

// A folder packed as one ZIP archive, so that it can travel as one stream and
// any peer's desktop opens it. Entries are stored uncompressed under
// "<folder name>/...", empty folders included, with UTF-8 names flagged as
// such. Links are left out: they would point nowhere on the peer's computer.
namespace FolderArchive {

// "<folder name>.zip"; "folder.zip" for a folder without a name (the root).
QString archiveName(const QString &folder);

// The bytes of the regular files under `folder`; -1 with *error when the
// folder cannot be listed or *cancel was set. Quick: file sizes only.
qint64 contentSize(const QString &folder, QString *error, const std::atomic<bool> *cancel = nullptr);

// Writes the archive of `folder` into `target` (created or replaced), reading
// each file in small chunks so memory stays flat. Stops with "cancelled" as
// soon as *cancel is set. False with *error (naming the file at fault).
// Safe to run on any thread: it touches no Qt object beyond its own.
bool write(const QString &folder, const QString &target, const std::atomic<bool> *cancel, QString *error);

} // namespace FolderArchive
