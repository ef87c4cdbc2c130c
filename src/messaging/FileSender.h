#pragma once

#include <QString>

#include <functional>
#include <memory>

class QFile;

// What every file going out has to pass before the transfer queue takes it:
// the path as it travels, the limits of the stream format, and how its send
// ends for whoever asked for it.
namespace FileSender {

// Why a file cannot go out; found before any connection is made.
enum class Refusal { None, CannotOpen, PathTooLong, TooLarge };
enum class Result { Sent, Failed, Cancelled };
using Done = std::function<void(Result result, const QString &error)>;

// The path as it travels: with backslashes, since receivers (Windows ones
// included) keep only what follows the last one.
QString wirePath(const QString &localPath);
// What the stream format cannot carry: a wire path over 9,999 bytes, a size of 2 GiB or more.
Refusal check(const QString &wirePath, qint64 size);
// The file opened for sending, or null with the reason; for CannotOpen,
// *error holds the system's text.
std::unique_ptr<QFile> open(const QString &localPath, Refusal *refusal, QString *error);

} // namespace FileSender
