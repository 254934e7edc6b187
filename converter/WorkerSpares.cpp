#include "WorkerSpares.h"

#include "WorkerChannel.h"

#include <csignal>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {

struct Spare
{
    pid_t pid;
    int toWorker;
    int fromWorker;
};

std::vector<Spare> spares;

} // namespace

bool WorkerSpares::fork(int count)
{
    for (int i = 0; i < count; ++i) {
        int input[2];
        int output[2];
        if (!WorkerChannel::openPipes(input, output))
            return false;
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Ctrl+C reaches the whole process group; the converter decides what it means.
            std::signal(SIGINT, SIG_IGN);
            ::dup2(input[0], STDIN_FILENO);
            ::dup2(output[1], STDOUT_FILENO);
            // As a worker started from the program file: its messages are of no use to anyone.
            const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
            if (null >= 0)
                ::dup2(null, STDERR_FILENO);
            // The converter's ends of this and the earlier spares' pipes: a spare holding
            // one would keep another from seeing the end of its input.
            for (const int descriptor : {input[0], input[1], output[0], output[1], null})
                if (descriptor > STDERR_FILENO)
                    ::close(descriptor);
            for (const Spare &spare : spares) {
                ::close(spare.toWorker);
                ::close(spare.fromWorker);
            }
            spares.clear();
            return true;
        }
        ::close(input[0]);
        ::close(output[1]);
        if (pid < 0) {
            ::close(input[1]);
            ::close(output[0]);
            return false;
        }
        spares.push_back({pid, input[1], output[0]});
    }
    return false;
}

WorkerChannel *WorkerSpares::take(QObject *parent)
{
    if (spares.empty())
        return nullptr;
    const Spare spare = spares.front();
    spares.erase(spares.begin());
    return new WorkerChannel(spare.pid, spare.toWorker, spare.fromWorker, parent);
}
