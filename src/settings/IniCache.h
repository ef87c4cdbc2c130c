#pragma once

#include "IniDocument.h"

#include <QString>

#include <functional>
#include <memory>

// The settings documents this process has read, kept parsed. Before every use
// the file's stamp (size, inode, modification and change times to the
// nanosecond) is compared with the one the document was read at, so a file
// changed by hand or by another program is read again at the next use. A file
// changed so recently that its next change could carry the same stamp (file
// times advance in clock ticks) is checked again by its bytes.
namespace IniCache {

// The document as the file holds it now; empty when the file is missing or
// cannot be read. Never null.
std::shared_ptr<const IniDocument> read(const QString &path);

// Applies change to the document as the file holds it now and, when change
// returns true, replaces the file with the result through a temporary copy:
// the old file stays whole if that fails. Throws IniWriteError when the file
// exists but cannot be read (saving would wipe it) or cannot be replaced.
void update(const QString &path, const std::function<bool(IniDocument &)> &change);

// Forgets every document, so the next use reads its file again.
void clear();

// Documents parsed from files so far in this process.
quint64 parseCount();

} // namespace IniCache
