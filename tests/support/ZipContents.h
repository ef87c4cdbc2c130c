#pragma once

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QString>

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <string>

// A ZIP archive read back with libarchive: each entry's UTF-8 name and bytes
// (folders end in '/', with empty bytes). Empty on a broken archive, with
// the reason in *error.
inline QMap<QString, QByteArray> zipContents(const QString &path, QString *error = nullptr)
{
    QMap<QString, QByteArray> entries;
    // libarchive hands names out through the locale's character set; a
    // machine without a UTF-8 locale generated still has glibc's C.UTF-8.
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C.UTF-8");
    struct Restore
    {
        std::string locale;
        ~Restore() { std::setlocale(LC_CTYPE, locale.c_str()); }
    } restore{previous};
    archive *reader = archive_read_new();
    archive_read_support_format_zip(reader);
    if (archive_read_open_filename(reader, QFile::encodeName(path).constData(), 65536) != ARCHIVE_OK) {
        if (error)
            *error = QString::fromLocal8Bit(archive_error_string(reader));
        archive_read_free(reader);
        return {};
    }
    archive_entry *entry = nullptr;
    int status = ARCHIVE_OK;
    // A warning is about the locale's form of a name; the UTF-8 form is what counts.
    while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
        const char *utf8 = archive_entry_pathname_utf8(entry);
        QString name = QString::fromUtf8(utf8 ? utf8 : archive_entry_pathname(entry));
        if (archive_entry_filetype(entry) == AE_IFDIR && !name.endsWith(u'/'))
            name += u'/';
        QByteArray bytes;
        char buffer[65536];
        la_ssize_t got = 0;
        while ((got = archive_read_data(reader, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, got);
        if (got < 0) {
            status = ARCHIVE_FATAL;
            break;
        }
        entries.insert(name, bytes);
    }
    if (status != ARCHIVE_EOF) {
        if (error)
            *error = QString::fromLocal8Bit(archive_error_string(reader));
        entries.clear();
    }
    archive_read_free(reader);
    return entries;
}

// Whether every local header of the archive whose name is not plain ASCII
// carries the UTF-8 flag (bit 11 of the general purpose flags), as Windows
// needs to show such names right.
inline bool zipFlagsUtf8Names(const QByteArray &zip)
{
    bool sawNonAscii = false;
    for (qsizetype at = zip.indexOf("PK\x03\x04"); at >= 0 && at + 30 <= zip.size();
         at = zip.indexOf("PK\x03\x04", at + 4)) {
        const auto u16 = [&](qsizetype offset) {
            return quint16(quint8(zip[at + offset])) | quint16(quint8(zip[at + offset + 1])) << 8;
        };
        const QByteArray name = zip.mid(at + 30, u16(26));
        const bool ascii = std::all_of(name.cbegin(), name.cend(), [](char c) { return quint8(c) < 0x80; });
        if (ascii)
            continue;
        sawNonAscii = true;
        if (!(u16(6) & 0x0800))
            return false;
    }
    return sawNonAscii;
}
