#include "TerminationSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
int pipeEnds[2] = {-1, -1};
// The watchdog's own pipe: it must not compete with the UI thread for the same bytes.
int watchdogEnds[2] = {-1, -1};
volatile sig_atomic_t lastSignal = SIGTERM;
// Set once the UI thread has unloaded the window and saved the settings: what is left is
// only tearing down, and a watchdog that ends it then ends a run that finished cleanly.
std::atomic<bool> orderlyEndDone = false;
const int Signals[] = {SIGTERM, SIGHUP, SIGINT};

void onSignal(int signal)
{
    // Only async-signal-safe calls here.
    lastSignal = signal;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(pipeEnds[1], &byte, 1);
    written = ::write(watchdogEnds[1], &byte, 1);
}

// Waits for the first request, then gives the UI thread its grace to end the process in
// order. A UI thread that is stuck (a blocking open, a lock wait, a long layout) never sees
// the request, so the process is ended from here. Closing the write end stands it down.
void watchdog(int fd, int graceMs)
{
    char byte = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &byte, 1);
        if (got == 1)
            break;
        if (got < 0 && errno == EINTR)
            continue;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            ::_exit(orderlyEndDone ? 0 : 128 + lastSignal);
        pollfd watched = {fd, POLLIN, 0};
        if (::poll(&watched, 1, int(left)) > 0 && ::read(fd, &byte, 1) == 0)
            return;
    }
}

bool openPipe(int ends[2])
{
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    // The handler must never block on a full pipe.
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);
    return true;
}

void closePipe(int ends[2])
{
    for (int i = 0; i < 2; ++i) {
        if (ends[i] >= 0)
            ::close(ends[i]);
        ends[i] = -1;
    }
}
} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onRequest, QObject *parent)
    : QObject(parent), m_onRequest(std::move(onRequest))
{
    // One watcher per process: the handlers and the pipes are process-wide.
    if (pipeEnds[0] >= 0)
        return;
    if (!openPipe(pipeEnds) || !openPipe(watchdogEnds)) {
        closePipe(pipeEnds);
        closePipe(watchdogEnds);
        return;
    }
    ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::receive);
    m_watchdog = std::thread(watchdog, watchdogEnds[0], GraceMs);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : Signals)
        ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (int signal : Signals)
        ::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(watchdogEnds[1]);
    watchdogEnds[1] = -1;
    if (m_watchdog.joinable())
        m_watchdog.join();
    closePipe(watchdogEnds);
    closePipe(pipeEnds);
}

void TerminationSignals::receive()
{
    char bytes[16];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    // A second signal while the first is being handled changes nothing.
    if (m_requested)
        return;
    m_requested = true;
    if (m_onRequest)
        m_onRequest();
    orderlyEndDone = true;
}
