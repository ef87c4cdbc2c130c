#include "Accessibility.h"
#include "AppPaths.h"
#include "CommandLine.h"
#include "InterfaceTranslation.h"
#include "NetForm.h"
#include "PrivateFiles.h"
#include "SocketLimits.h"
#include "UnixSignals.h"

#include <QApplication>
#include <QFileInfo>

#include <memory>

int main(int argc, char **argv)
{
    raiseOpenFileLimit();
    std::unique_ptr<QCoreApplication> app;
    if (CommandLine::isConsoleRun(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    if (qobject_cast<QApplication *>(app.get()))
        Accessibility::install();
    QCoreApplication::setApplicationName(QStringLiteral("Zavolin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZAVOLIN_VERSION));
    // Wayland docks match the window to the installed desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("zavolin"));

    CommandLine commandLine;
    commandLine.process(*app);
    if (const std::optional<int> exitCode = commandLine.runConsole(*app))
        return *exitCode;

    // The windows and Qt's own dialogs speak the language chosen in the settings.
    const InterfaceTranslation translation(InterfaceLanguages::read(AppPaths::settingsFile()));

    NetFormEnvironment environment;
    environment.settingsPath = AppPaths::settingsFile();
    environment.dataFolder = AppPaths::dataFolder();
    const QString platform = QGuiApplication::platformName();
    environment.errorsCanBeSeen = platform != u"offscreen" && platform != u"minimal";
    // Both hold messages and settings: folders made here are their owner's only.
    PrivateFiles::makeFolder(QFileInfo(environment.settingsPath).absolutePath());
    PrivateFiles::makeFolder(environment.dataFolder);

    QApplication::setQuitOnLastWindowClosed(false); // hidden in the tray is still running
    TNetForm form(environment);
    QObject::connect(&form, &TNetForm::finished, app.get(), &QCoreApplication::quit, Qt::QueuedConnection);
    UnixSignals signals;
    QObject::connect(&signals, &UnixSignals::terminationRequested, &form, &TNetForm::endSession);

    form.startUp();
    form.show();
    return app->exec();
}
