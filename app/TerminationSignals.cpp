#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void WriteSignalByte(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

CTerminationSignals::CTerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) return;

    struct sigaction action {};
    action.sa_handler = &WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (auto& [number, previous] : m_previous) {
        // A signal ignored when the program started stays ignored: `nohup glossel &`
        // outlives its terminal, and a job started with '&' by a script ignores Ctrl+C.
        ::sigaction(number, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN) ::sigaction(number, &action, nullptr);
    }

    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CTerminationSignals::OnReadable);
}

CTerminationSignals::~CTerminationSignals()
{
    if (!m_notifier) return;
    for (const auto& [number, previous] : m_previous) ::sigaction(number, &previous, nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void CTerminationSignals::OnReadable()
{
    char bytes[16];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (m_onSignal) m_onSignal();
}
