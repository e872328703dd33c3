#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only do async-signal-safe things: it writes the signal's number to a socket
// whose other end the event loop watches.
int g_socketPair[2] = {-1, -1};

void forwardSignal(int signalNumber)
{
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_socketPair[0], &number, 1);
}

constexpr int HandledSignals[] = {SIGTERM, SIGINT};

void setHandler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : HandledSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_socketPair) != 0)
        return;
    m_notifier = new QSocketNotifier(g_socketPair[1], QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    setHandler(forwardSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    setHandler(SIG_DFL);
    ::close(g_socketPair[0]);
    ::close(g_socketPair[1]);
    g_socketPair[0] = g_socketPair[1] = -1;
}

void TerminationSignals::deliver()
{
    if (m_notifier)
        m_notifier->setEnabled(true);
}

void TerminationSignals::readPending()
{
    unsigned char number = 0;
    while (::read(g_socketPair[1], &number, 1) == 1)
        Q_EMIT terminationRequested(number);
}
