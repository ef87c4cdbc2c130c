#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <optional>

class QCoreApplication;

// The program's command line: --home, which every run takes, and the options
// that print or send and then exit, which need no window system at all.
class CommandLine
{
public:
    // Whether this run only prints or sends: it then needs no display.
    static bool isConsoleRun(int argc, char **argv);

    CommandLine();
    // Takes --home first, so that --help names the folders this run uses;
    // answers --help and wrong options as QCommandLineParser does.
    void process(const QCoreApplication &app);
    // The exit code of --version, --send, --send-file or --sms once done;
    // nothing when the run is the messenger's window.
    std::optional<int> runConsole(QCoreApplication &app);

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_version;
    QCommandLineOption m_home;
    QCommandLineOption m_send;
    QCommandLineOption m_sendFile;
    QCommandLineOption m_sms;
};
