#include "UnixSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onUnixSignal(int signalNumber)
{
    // Only async-signal-safe work here: pass the number on to the event loop.
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &byte, 1);
}

} // namespace

UnixSignals::UnixSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignals::onReadable);

    struct sigaction action {};
    action.sa_handler = onUnixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &action, nullptr);
}

UnixSignals::~UnixSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &action, nullptr);
}

void UnixSignals::onReadable()
{
    unsigned char byte = 0;
    if (::read(g_pipe[1], &byte, 1) == 1)
        Q_EMIT terminationRequested(byte);
}
