// A real main window on one host of the test LAN, reporting its contact list:
// prints "READY" after start-up and "CONTACTS <addresses, sorted>" on every
// change; SIGTERM ends it as the end of the desktop session does.
//   zvnetform HOME_DIR SECONDS
#include "NetForm.h"
#include "UnixSignals.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: zvnetform HOME_DIR SECONDS\n");
        return 64;
    }
    const QString home = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(home);
    NetFormEnvironment env;
    env.settingsPath = QDir(home).filePath(QStringLiteral("Zavolin.ini"));
    env.dataFolder = home;
    env.desktopIntegration = false;

    QApplication::setQuitOnLastWindowClosed(false);
    TNetForm form(env);
    auto report = [&form] {
        QStringList addresses = form.contacts().addresses();
        addresses.sort();
        std::printf("CONTACTS %s\n", addresses.join(u',').toUtf8().constData());
        std::fflush(stdout);
    };
    QObject::connect(&form.contacts(), &QAbstractItemModel::rowsInserted, &app, report);
    QObject::connect(&form.contacts(), &QAbstractItemModel::rowsRemoved, &app, report);
    QObject::connect(&form, &TNetForm::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    UnixSignals signals;
    QObject::connect(&signals, &UnixSignals::terminationRequested, &form, &TNetForm::endSession);
    QTimer::singleShot(std::atoi(argv[2]) * 1000, &form, &TNetForm::endSession);

    form.startUp();
    std::printf("READY %s\n", form.ownName().toUtf8().constData());
    std::fflush(stdout);
    return app.exec();
}
