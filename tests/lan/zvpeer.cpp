// The messenger without a window on one host of the test LAN: prints
// "READY <name>" once online and "CONTACTS <count>" on each change of its
// contact list, and "DATAGRAMS sent N received M cpu MS" (its user and
// system time) at its end; ends after
// SECONDS or on SIGTERM, saying farewell.
//   zvpeer HOME_DIR SECONDS
#include "Messenger.h"
#include "OwnName.h"

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/signalfd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: zvpeer HOME_DIR SECONDS\n");
        return 64;
    }
    const QString home = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(home);
    MessengerEnvironment env;
    env.settingsPath = QDir(home).filePath(QStringLiteral("Zavolin.ini"));
    env.dataFolder = home;
    Messenger messenger(env);
    auto report = [&] { std::printf("CONTACTS %d\n", messenger.contacts().count()), std::fflush(stdout); };
    QObject::connect(&messenger.contacts(), &QAbstractItemModel::rowsInserted, &app, report);
    QObject::connect(&messenger.contacts(), &QAbstractItemModel::rowsRemoved, &app, report);
    QObject::connect(&messenger, &Messenger::errorOccurred, &app, [](const QString &key, const QString &text) {
        std::printf("ERROR %s %s\n", qPrintable(key), text.simplified().toUtf8().constData());
        std::fflush(stdout);
    });

    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, nullptr);
    QSocketNotifier terminated(signalfd(-1, &term, SFD_CLOEXEC), QSocketNotifier::Read);
    QObject::connect(&terminated, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    QTimer::singleShot(std::atoi(argv[2]) * 1000, &app, &QCoreApplication::quit);

    messenger.listen();
    messenger.goOnline(OwnName::current());
    std::printf("READY %s\n", qPrintable(messenger.ownName()));
    std::fflush(stdout);
    const int rc = app.exec();
    const NetworkStatus status = messenger.networkStatus();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long long cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000LL
                            + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    std::printf("DATAGRAMS sent %llu received %llu cpu %lld\n", static_cast<unsigned long long>(status.datagramsSent),
                static_cast<unsigned long long>(status.datagramsReceived), cpuMs);
    std::fflush(stdout);
    messenger.shutdown();
    return rc;
}
