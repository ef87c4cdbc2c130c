// Settings file access on a file with many aliases.
//  1. The alias lookup every received datagram and message makes: read from
//     the kept document (checked against the file's stamp), against reading
//     and parsing the file anew for each lookup, and
//     against the kept document dropped before each lookup (a file that
//     changes all the time).
//  2. A settings save (the 30 keys of section "Form"): one batch, against
//     30 separate writes each replacing the file.
// Both baselines run in the same process on the same file.
//
//   bench_settings [ALIASES] [LOOKUPS]     (no network is used)
#include "AliasBook.h"
#include "IniDocument.h"
#include "IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString aliasKey(int i)
{
    return QStringLiteral("PC-%1").arg(i);
}

enum class Lookup {
    Kept,        // AliasBook as the program uses it
    Dropped,     // AliasBook with the kept document dropped before each lookup
    ReadAndParse // what every lookup did before: read, parse, search line by line
};

// Microseconds per lookup; the names cycle through known and unknown ones.
double lookupMicros(const QString &path, int aliases, int lookups, Lookup how, qsizetype *found)
{
    const AliasBook book(path);
    *found = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < lookups; ++i) {
        // Every eighth name has no alias, as for most peers of a real network.
        const int n = (i * 7919) % aliases;
        const QString name = i % 8 == 0 ? QStringLiteral("UNKNOWN-%1").arg(i) : aliasKey(n);
        QString shown;
        if (how == Lookup::ReadAndParse) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return -1;
            shown = IniDocument::parse(file.readAll()).value(u"Aliases", name).value_or(name);
            if (shown.isEmpty())
                shown = name;
        } else {
            if (how == Lookup::Dropped)
                IniFile::dropCache();
            shown = book.displayName(name);
        }
        if (shown != name)
            ++*found;
    }
    return double(timer.nsecsElapsed()) / 1000.0 / lookups;
}

void writeForm(IniFile &ini, int round)
{
    for (const char *key : {"Top", "Left", "Width", "Height"})
        ini.writeInteger(u"Form", QString::fromLatin1(key), 100 + round);
    for (int n = 1; n <= 21; ++n)
        ini.writeBool(u"Form", QStringLiteral("Ch%1").arg(n), (n + round) % 2);
    ini.writeString(u"Form", u"SaveFileDir", QStringLiteral("/home/user/%1").arg(round));
    ini.writeInteger(u"Form", u"WaitPopUp", round);
    ini.writeInteger(u"Form", u"FontColor", round);
    ini.writeInteger(u"Form", u"Color", 16777215 - round);
    ini.writeString(u"Form", u"FontName", QStringLiteral("Font %1").arg(round));
}

double saveMillis(const QString &path, int rounds, bool batch)
{
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < rounds; ++round) {
        IniFile ini(path);
        if (batch)
            ini.beginBatch();
        writeForm(ini, round);
        if (batch)
            ini.commitBatch();
    }
    return double(timer.nsecsElapsed()) / 1e6 / rounds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int aliases = argc > 1 ? std::max(1, atoi(argv[1])) : 20000;
    const int lookups = argc > 2 ? std::max(1, atoi(argv[2])) : 2000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Zavolin.ini"));
    {
        QByteArray content = "[Aliases]\r\n";
        for (int i = 0; i < aliases; ++i)
            content += aliasKey(i).toLatin1() + "=\xD1\xEE\xF2\xF0\xF3\xE4\xED\xE8\xEA " + QByteArray::number(i) + "\r\n";
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
    }
    {
        IniFile ini(path);
        ini.beginBatch();
        writeForm(ini, 0);
        ini.commitBatch();
    }
    std::printf("settings file: %d aliases, %lld bytes\n", aliases, qlonglong(QFileInfo(path).size()));

    qsizetype found[3] = {};
    // The baselines run first, which also lets the fresh file's stamp settle
    // (a just-written file is checked by its bytes, not by its stamp).
    const double parsed = lookupMicros(path, aliases, lookups, Lookup::ReadAndParse, &found[0]);
    const double dropped = lookupMicros(path, aliases, lookups, Lookup::Dropped, &found[1]);
    lookupMicros(path, aliases, lookups, Lookup::Kept, &found[2]); // warm-up
    const double kept = lookupMicros(path, aliases, lookups * 50, Lookup::Kept, &found[2]);
    std::printf("alias lookup, file read and parsed each time (before): %10.2f us\n", parsed);
    std::printf("alias lookup, kept document dropped each time:         %10.2f us\n", dropped);
    std::printf("alias lookup, kept document (now):                     %10.2f us\n", kept);
    std::printf("ratio: %.0fx less time per datagram (aliases found: %lld, %lld, %lld)\n", parsed / kept,
                qlonglong(found[0]), qlonglong(found[1]), qlonglong(found[2] / 50));

    const int rounds = 20;
    const double separate = saveMillis(path, rounds, false);
    const double batched = saveMillis(path, rounds, true);
    std::printf("settings save of 30 keys, 30 file replacements: %8.2f ms\n", separate);
    std::printf("settings save of 30 keys, one batch:            %8.2f ms\n", batched);
    std::printf("ratio: %.1fx\n", separate / batched);
    std::printf("files parsed in this run: %llu\n", static_cast<unsigned long long>(IniFile::parseCount()));
    return 0;
}
