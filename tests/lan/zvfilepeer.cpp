// Raw stream-channel peer for the LAN file scenarios, independent of the
// program's own network code: "serve DIR COUNT SECONDS" takes COUNT streams
// on port 711, stores each as DIR/<n> and prints "STREAM n <from-name as
// UTF-8> <size>" before acknowledging it; "unzip ZIP DIR" extracts an
// archive with libarchive so that a script can compare the trees.
#include "Cp1251.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <cstdio>
#include <memory>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: zvfilepeer serve DIR COUNT SECONDS | unzip ZIP DIR\n");
    return 64;
}

// One connection: header fields, then the bytes into a file.
struct Incoming
{
    QByteArray buffer;
    bool header = false;
    QByteArray name;
    qint64 count = -1;
    qint64 got = 0;
    std::unique_ptr<QFile> file;
    bool done = false;
};

int serve(QCoreApplication &app, const QString &dir, int count, int seconds)
{
    QTcpServer server;
    if (!server.listen(QHostAddress::AnyIPv4, 711)) {
        std::fprintf(stderr, "listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("READY\n");
    std::fflush(stdout);
    int received = 0;
    QObject::connect(&server, &QTcpServer::newConnection, &app, [&] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            auto state = std::make_shared<Incoming>();
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket, state] {
                state->buffer += socket->readAll();
                if (!state->header && state->buffer.size() >= 4) {
                    const int length = state->buffer.left(4).toInt();
                    if (state->buffer.size() < 4 + length + 10)
                        return;
                    state->header = true;
                    state->name = state->buffer.mid(4, length);
                    state->count = state->buffer.mid(4 + length, 10).trimmed().toLongLong();
                    state->buffer.remove(0, 4 + length + 10);
                    const int n = ++received;
                    state->file = std::make_unique<QFile>(QDir(dir).filePath(QString::number(n)));
                    state->file->open(QIODevice::WriteOnly);
                    state->file->setProperty("n", n);
                }
                if (!state->header || state->done)
                    return;
                state->file->write(state->buffer);
                state->got += state->buffer.size();
                state->buffer.clear();
                if (state->got < state->count)
                    return;
                state->done = true;
                state->file->close();
                std::printf("STREAM %d %s %lld\n", state->file->property("n").toInt(),
                            Cp1251::decode(state->name).toUtf8().constData(), static_cast<long long>(state->got));
                std::fflush(stdout);
                socket->write("OK              ");
                if (received >= count)
                    QTimer::singleShot(500, &app, &QCoreApplication::quit);
            });
        }
    });
    QTimer::singleShot(seconds * 1000, &app, [&app] { app.exit(2); });
    return app.exec();
}

int unzip(const QString &zip, const QString &dir)
{
    // libarchive hands names out through the locale's character set; a
    // machine without a UTF-8 locale generated still has glibc's C.UTF-8.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    archive *reader = archive_read_new();
    archive_read_support_format_zip(reader);
    if (archive_read_open_filename(reader, QFile::encodeName(zip).constData(), 65536) != ARCHIVE_OK) {
        std::fprintf(stderr, "%s\n", archive_error_string(reader));
        return 1;
    }
    archive_entry *entry = nullptr;
    int status = ARCHIVE_OK;
    // A warning is about the locale's form of a name; the UTF-8 form is what counts.
    while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
        const char *utf8 = archive_entry_pathname_utf8(entry);
        const QString name = QString::fromUtf8(utf8 ? utf8 : archive_entry_pathname(entry));
        if (name.startsWith(u'/') || name.contains(QStringLiteral(".."))) {
            std::fprintf(stderr, "unsafe entry %s\n", name.toUtf8().constData());
            return 1;
        }
        const QString target = QDir(dir).filePath(name);
        std::printf("ENTRY %s %lld\n", name.toUtf8().constData(), static_cast<long long>(archive_entry_size(entry)));
        if (archive_entry_filetype(entry) == AE_IFDIR) {
            QDir().mkpath(target);
            continue;
        }
        QDir().mkpath(QFileInfo(target).path());
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        char buffer[65536];
        la_ssize_t got = 0;
        while ((got = archive_read_data(reader, buffer, sizeof buffer)) > 0)
            out.write(buffer, got);
        if (got < 0)
            return 1;
    }
    archive_read_free(reader);
    return status == ARCHIVE_EOF ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args[0] == u"serve")
        return serve(app, args[1], args[2].toInt(), args[3].toInt());
    if (args.size() == 3 && args[0] == u"unzip")
        return unzip(args[1], args[2]);
    return usage();
}
