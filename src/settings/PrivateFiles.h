#pragma once

#include <QFileDevice>
#include <QString>

// Folders and files that hold what the user wrote or received: readable by
// their owner only when we make them. What the user made stays as it is,
// except that a file of ours open to others is narrowed to its owner.
namespace PrivateFiles {

// Creates `folder` and each missing parent with mode 0700; folders that exist
// keep their mode. true when `folder` is a folder afterwards.
bool makeFolder(const QString &folder);
// For an open regular file of ours that group or others may use: drops their
// bits. true when the mode was changed.
bool narrowToOwner(int fd);
// The permissions a file that replaces `path` gets: 0600 for a new one, the
// old file's own ones otherwise (narrowed to its owner when it is ours).
QFileDevice::Permissions forReplacement(const QString &path);

} // namespace PrivateFiles
