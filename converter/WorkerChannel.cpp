#include "WorkerChannel.h"

#include "SynthesisWorker.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// What one read takes when the pipe does not say how much it holds.
constexpr int SmallestRead = 65536;

void closeDescriptor(int &descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

} // namespace

WorkerChannel::WorkerChannel(pid_t pid, int toWorker, int fromWorker, QObject *parent)
    : QObject(parent), m_pid(pid), m_toWorker(toWorker), m_fromWorker(fromWorker)
{
    // A worker that ended leaves a pipe without a reader: writing to it must fail, not end
    // the converter.
    std::signal(SIGPIPE, SIG_IGN);
    for (const int descriptor : {m_toWorker, m_fromWorker})
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    m_readNotifier = new QSocketNotifier(qintptr(m_fromWorker), QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &WorkerChannel::readAvailable);
    m_writeNotifier = new QSocketNotifier(qintptr(m_toWorker), QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &WorkerChannel::writeQueued);
}

WorkerChannel::~WorkerChannel()
{
    delete m_readNotifier;
    delete m_writeNotifier;
    closeDescriptor(m_toWorker);
    closeDescriptor(m_fromWorker);
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        reap(true);
    }
}

bool WorkerChannel::openPipes(int input[2], int output[2])
{
    if (::pipe2(input, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(output, O_CLOEXEC) == 0)
        return true;
    const int error = errno;
    ::close(input[0]);
    ::close(input[1]);
    errno = error;
    return false;
}

WorkerChannel *WorkerChannel::start(const QString &program, QObject *parent, QString *error)
{
    int input[2];
    int output[2];
    if (!openPipes(input, output)) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The converter ignores broken pipes; the worker must not inherit that.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    const QByteArray path = QFile::encodeName(program);
    char *const arguments[] = {const_cast<char *>(path.constData()),
                               const_cast<char *>(SynthesisWorker::Switch), nullptr};
    pid_t pid = -1;
    const int failed =
        ::posix_spawn(&pid, path.constData(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(input[0]);
    ::close(output[1]);
    if (failed != 0) {
        *error = QString::fromLocal8Bit(std::strerror(failed));
        ::close(input[1]);
        ::close(output[0]);
        return nullptr;
    }
    return new WorkerChannel(pid, input[1], output[0], parent);
}

void WorkerChannel::write(const QByteArray &data)
{
    if (m_toWorker < 0 || m_closeWhenWritten)
        return;
    m_outgoing += data;
    if (!m_writeNotifier->isEnabled())
        writeQueued();
}

QByteArray WorkerChannel::readAll()
{
    return std::exchange(m_incoming, QByteArray());
}

void WorkerChannel::closeInput()
{
    m_closeWhenWritten = true;
    if (m_written >= m_outgoing.size())
        closeWriting();
}

void WorkerChannel::kill()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGKILL);
}

bool WorkerChannel::waitForFinished(int msecs)
{
    const QDeadlineTimer deadline(msecs);
    while (!reap(false)) {
        if (deadline.hasExpired())
            return false;
        const timespec pause{0, 1000000};
        ::nanosleep(&pause, nullptr);
    }
    return true;
}

void WorkerChannel::readAvailable()
{
    int pending = 0;
    if (::ioctl(m_fromWorker, FIONREAD, &pending) < 0 || pending <= 0)
        pending = SmallestRead;
    // Most reads take one whole message: the buffer is handed on as it is, uncopied.
    const qsizetype before = m_incoming.size();
    m_incoming.resize(before + pending);
    ssize_t got;
    do
        got = ::read(m_fromWorker, m_incoming.data() + before, size_t(pending));
    while (got < 0 && errno == EINTR);
    const bool ended = got == 0 || (got < 0 && errno != EAGAIN);
    m_incoming.resize(before + qMax<qsizetype>(got, 0));
    if (got > 0)
        emit readyRead();
    if (ended && m_fromWorker >= 0) {
        m_readNotifier->setEnabled(false);
        closeDescriptor(m_fromWorker);
        emit finished();
    }
}

void WorkerChannel::writeQueued()
{
    while (m_toWorker >= 0 && m_written < m_outgoing.size()) {
        const ssize_t written = ::write(m_toWorker, m_outgoing.constData() + m_written,
                                        size_t(m_outgoing.size() - m_written));
        if (written >= 0) {
            m_written += written;
        } else if (errno == EAGAIN) {
            m_writeNotifier->setEnabled(true);
            return;
        } else if (errno != EINTR) {
            // The worker has gone; its output tells how.
            m_outgoing.clear();
            m_written = 0;
            closeWriting();
            return;
        }
    }
    m_outgoing.clear();
    m_written = 0;
    m_writeNotifier->setEnabled(false);
    if (m_closeWhenWritten)
        closeWriting();
}

void WorkerChannel::closeWriting()
{
    if (m_toWorker < 0)
        return;
    m_writeNotifier->setEnabled(false);
    closeDescriptor(m_toWorker);
}

bool WorkerChannel::reap(bool wait)
{
    if (m_pid <= 0)
        return true;
    int status = 0;
    pid_t result;
    do
        result = ::waitpid(m_pid, &status, wait ? 0 : WNOHANG);
    while (result < 0 && errno == EINTR);
    if (result == 0)
        return false;
    m_pid = -1;
    return true;
}
