#pragma once

#include <QString>

// Puts a received file in its place.
namespace FileStore {

// Replaces `target` with the spooled file, without asking, and never through
// a link that stands at `target`: the link itself is replaced. On the same
// file system this is one rename; otherwise the bytes are copied into a
// hidden file beside `target` first, so a failure leaves the old file whole.
// The spool file stays when it had to be copied. False with *error otherwise.
bool replace(const QString &spoolPath, const QString &target, QString *error);

} // namespace FileStore
