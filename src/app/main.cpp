#include "AboutForm.h"
#include "Accessibility.h"
#include "AppPaths.h"
#include "NetForm.h"
#include "PrivateFiles.h"
#include "SendCommand.h"
#include "SendFileCommand.h"
#include "SmsCommand.h"
#include "SocketLimits.h"
#include "UnixSignals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Options that print or send and exit need no window system at all.
bool isConsoleInvocation(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"--send", "--send-file", "--sms", "--help", "-h", "--version", "-v", "--help-all"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// Where this run keeps and finds its files, for --help: the settings file
// and the data folder follow --home, the share folder the installation.
QString filesDescription()
{
    const QString share = AppPaths::shareFolder();
    return QStringLiteral("\nSettings file: %1\nData folder:   %2\nShared data:   %3")
        .arg(AppPaths::settingsFile(), AppPaths::dataFolder(),
             share.isEmpty() ? QStringLiteral("(none found)") : share);
}

} // namespace

int main(int argc, char **argv)
{
    raiseOpenFileLimit();
    std::unique_ptr<QCoreApplication> app;
    if (isConsoleInvocation(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    if (qobject_cast<QApplication *>(app.get()))
        Accessibility::install();
    QCoreApplication::setApplicationName(QStringLiteral("Zavolin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZAVOLIN_VERSION));
    // Wayland docks match the window to the installed desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("zavolin"));

    QCommandLineParser parser;
    parser.addHelpOption();
    // The program's own version and the protocol generation peers and the
    // about window know it by.
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Displays version information."));
    parser.addOption(versionOption);
    const QCommandLineOption homeOption(QStringLiteral("home"),
                                        QStringLiteral("Keep the settings file and every data file in <dir>."),
                                        QStringLiteral("dir"));
    const QCommandLineOption sendOption(QStringLiteral("send"),
                                        QStringLiteral("Send <text> to <host> and exit (0 when acknowledged)."),
                                        QStringLiteral("host"));
    const QCommandLineOption smsOption(
        QStringLiteral("sms"),
        QStringLiteral("Send an SMS to <phone> through <operator> (a name from oss.lst) the way the SMS window "
                       "does, using section [smtp] of the settings file, and exit: 0 when every way the operator "
                       "offers was accepted. Usage: --sms <operator> <phone> <text...>"),
        QStringLiteral("operator"));
    const QCommandLineOption sendFileOption(
        QStringLiteral("send-file"),
        QStringLiteral("Send each <path...> to <host> (a folder as one ZIP archive) under this computer's name "
                       "and exit: 0 when every one was acknowledged."),
        QStringLiteral("host"));
    parser.addOption(homeOption);
    parser.addOption(sendOption);
    parser.addOption(sendFileOption);
    parser.addOption(smsOption);
    parser.addPositionalArgument(QStringLiteral("text"),
                                 QStringLiteral("Message text for --send; files and folders for --send-file; phone number and text for --sms."),
                                 QStringLiteral("[text...]"));
    // Parsed once for --home, so that --help names the folders this run uses;
    // process() then answers --help and wrong options as usual.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(homeOption))
        AppPaths::setHome(parser.value(homeOption));
    parser.setApplicationDescription(QStringLiteral("Zavolin: a serverless messenger for one local network.\n")
                                     + filesDescription());
    parser.process(*app);

    if (parser.isSet(versionOption)) {
        std::printf("Zavolin %s (protocol %s)\n", ZAVOLIN_VERSION, qPrintable(TAboutForm::kProgramVersion));
        return 0;
    }

    if (parser.isSet(smsOption)) {
        QStringList words = parser.positionalArguments();
        const QString phone = words.isEmpty() ? QString() : words.takeFirst();
        SmsCommand command(parser.value(smsOption), phone, words.join(u' '));
        QObject::connect(&command, &SmsCommand::done, app.get(), &QCoreApplication::exit);
        QTimer::singleShot(0, &command, &SmsCommand::start);
        return app->exec();
    }

    if (parser.isSet(sendOption)) {
        SendCommand command(parser.value(sendOption), parser.positionalArguments().join(u' '), AppPaths::dataFolder());
        command.setSettingsFile(AppPaths::settingsFile());
        QObject::connect(&command, &SendCommand::done, app.get(), &QCoreApplication::exit);
        QTimer::singleShot(0, &command, &SendCommand::start);
        return app->exec();
    }

    if (parser.isSet(sendFileOption)) {
        SendFileCommand command(parser.value(sendFileOption), parser.positionalArguments(), AppPaths::dataFolder());
        QObject::connect(&command, &SendFileCommand::done, app.get(), &QCoreApplication::exit);
        QTimer::singleShot(0, &command, &SendFileCommand::start);
        return app->exec();
    }

    // The interface is Russian, so Qt's own dialogs (file, font, colour) are too.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);

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
