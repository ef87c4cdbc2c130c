#include "FileSender.h"

#include "Cp1251.h"
#include "StreamFrame.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

QString FileSender::wirePath(const QString &localPath)
{
    QString path = QFileInfo(localPath).absoluteFilePath();
    return path.replace(u'/', u'\\');
}

std::unique_ptr<QFile> FileSender::open(const QString &localPath, Refusal *refusal, QString *error)
{
    if (QFileInfo::exists(localPath) && !QFileInfo(localPath).isFile()) {
        // A device or a pipe has no size to announce, and opening a pipe would wait for a writer.
        *refusal = Refusal::CannotOpen;
        *error = QCoreApplication::translate("FileSender", "Это не обычный файл.");
        return nullptr;
    }
    auto file = std::make_unique<QFile>(localPath);
    // Unbuffered: chunks go straight from the file into the socket's buffer.
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *refusal = Refusal::CannotOpen;
        *error = file->errorString();
        return nullptr;
    }
    *refusal = check(wirePath(localPath), file->size());
    return *refusal == Refusal::None ? std::move(file) : nullptr;
}

FileSender::Refusal FileSender::check(const QString &wirePath, qint64 size)
{
    if (Cp1251::encode(wirePath).size() > StreamFrame::kMaxName)
        return Refusal::PathTooLong;
    if (size > StreamFrame::kMaxCount)
        return Refusal::TooLarge;
    return Refusal::None;
}
