#include "AliveWindow.h"
#include "AppPaths.h"
#include "MsgChannel.h"
#include "OwnName.h"
#include "SendCommand.h"
#include "SocketLimits.h"
#include "UdpChannel.h"
#include "UnixSignals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Options that print or send and exit need no window system at all.
bool isConsoleInvocation(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"--send", "--help", "-h", "--version", "-v", "--help-all"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

void warn(const QString &text)
{
    std::fprintf(stderr, "zavolin: %s\n", text.toLocal8Bit().constData());
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
    QCoreApplication::setApplicationName(QStringLiteral("Zavolin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZAVOLIN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Zavolin: a serverless messenger for one local network."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption homeOption(QStringLiteral("home"),
                                        QStringLiteral("Keep the settings file and every data file in <dir>."),
                                        QStringLiteral("dir"));
    const QCommandLineOption sendOption(QStringLiteral("send"),
                                        QStringLiteral("Send <text> to <host> and exit (0 when acknowledged)."),
                                        QStringLiteral("host"));
    parser.addOption(homeOption);
    parser.addOption(sendOption);
    parser.addPositionalArgument(QStringLiteral("text"), QStringLiteral("Message text for --send."),
                                 QStringLiteral("[text...]"));
    parser.process(*app);

    if (parser.isSet(homeOption))
        AppPaths::setHome(parser.value(homeOption));

    if (parser.isSet(sendOption)) {
        SendCommand command(parser.value(sendOption), parser.positionalArguments().join(u' '));
        QObject::connect(&command, &SendCommand::done, app.get(), &QCoreApplication::exit);
        QTimer::singleShot(0, &command, &SendCommand::start);
        return app->exec();
    }

    const QString ownName = OwnName::current();
    AliveWindow window(ownName);

    TMsgServer messageServer;
    QObject::connect(&messageServer, &TMsgServer::messageReceived, &window, &AliveWindow::showMessage);
    if (!messageServer.listen()) {
        const QString text = QStringLiteral("Сообщения не будут приниматься: порт %1 занят (%2). "
                                            "Возможно, Zavolin уже запущен на этом компьютере.")
                                 .arg(kMessagePort)
                                 .arg(messageServer.errorString());
        warn(text);
        window.showNotice(text);
    }

    TUdpServer udpServer;
    if (!udpServer.setActive(true)) {
        warn(udpServer.errorString());
        window.showNotice(udpServer.errorString());
    }

    UnixSignals signals;
    QObject::connect(&signals, &UnixSignals::terminationRequested, app.get(), [] { QCoreApplication::quit(); });

    window.show();
    return app->exec();
}
