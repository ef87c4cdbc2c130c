#include "CommandLine.h"

#include "AppPaths.h"
#include "ProgramVersion.h"
#include "SendCommand.h"
#include "SendFileCommand.h"
#include "SmsCommand.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

// Where this run keeps and finds its files, for --help: the settings file
// and the data folder follow --home, the share folder the installation.
QString filesDescription()
{
    const QString share = AppPaths::shareFolder();
    return QStringLiteral("\nSettings file: %1\nData folder:   %2\nShared data:   %3")
        .arg(AppPaths::settingsFile(), AppPaths::dataFolder(),
             share.isEmpty() ? QStringLiteral("(none found)") : share);
}

// Runs one command to its end: it says done(exitCode) once.
template <typename Command>
int runToEnd(QCoreApplication &app, Command &command)
{
    QObject::connect(&command, &Command::done, &app, &QCoreApplication::exit);
    QTimer::singleShot(0, &command, &Command::start);
    return app.exec();
}

} // namespace

bool CommandLine::isConsoleRun(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"--send", "--send-file", "--sms", "--help", "-h", "--version", "-v", "--help-all"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

CommandLine::CommandLine()
    // The program's own version and the protocol generation peers and the
    // about window know it by.
    : m_version({QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Displays version information."))
    , m_home(QStringLiteral("home"), QStringLiteral("Keep the settings file and every data file in <dir>."),
             QStringLiteral("dir"))
    , m_send(QStringLiteral("send"), QStringLiteral("Send <text> to <host> and exit (0 when acknowledged)."),
             QStringLiteral("host"))
    , m_sendFile(QStringLiteral("send-file"),
                 QStringLiteral("Send each <path...> to <host> (a folder as one ZIP archive) under this computer's "
                                "name and exit: 0 when every one was acknowledged."),
                 QStringLiteral("host"))
    , m_sms(QStringLiteral("sms"),
            QStringLiteral("Send an SMS to <phone> through <operator> (a name from oss.lst) the way the SMS window "
                           "does, using section [smtp] of the settings file, and exit: 0 when every way the operator "
                           "offers was accepted. Usage: --sms <operator> <phone> <text...>"),
            QStringLiteral("operator"))
{
    m_parser.addHelpOption();
    for (const QCommandLineOption &option : {m_version, m_home, m_send, m_sendFile, m_sms})
        m_parser.addOption(option);
    m_parser.addPositionalArgument(
        QStringLiteral("text"),
        QStringLiteral("Message text for --send; files and folders for --send-file; phone number and text for --sms."),
        QStringLiteral("[text...]"));
}

void CommandLine::process(const QCoreApplication &app)
{
    m_parser.parse(QCoreApplication::arguments());
    if (m_parser.isSet(m_home))
        AppPaths::setHome(m_parser.value(m_home));
    m_parser.setApplicationDescription(QStringLiteral("Zavolin: a serverless messenger for one local network.\n")
                                       + filesDescription());
    m_parser.process(app);
}

std::optional<int> CommandLine::runConsole(QCoreApplication &app)
{
    if (m_parser.isSet(m_version)) {
        std::printf("Zavolin %s (protocol %s)\n", ZAVOLIN_VERSION, qPrintable(kProgramVersion));
        return 0;
    }
    if (m_parser.isSet(m_sms)) {
        QStringList words = m_parser.positionalArguments();
        const QString phone = words.isEmpty() ? QString() : words.takeFirst();
        SmsCommand command(m_parser.value(m_sms), phone, words.join(u' '));
        return runToEnd(app, command);
    }
    if (m_parser.isSet(m_send)) {
        SendCommand command(m_parser.value(m_send), m_parser.positionalArguments().join(u' '), AppPaths::dataFolder());
        command.setSettingsFile(AppPaths::settingsFile());
        return runToEnd(app, command);
    }
    if (m_parser.isSet(m_sendFile)) {
        SendFileCommand command(m_parser.value(m_sendFile), m_parser.positionalArguments(), AppPaths::dataFolder());
        return runToEnd(app, command);
    }
    return std::nullopt;
}
