#pragma once

class QObject;
class WorkerChannel;

// Synthesis workers forked as the converter starts, before it has loaded its libraries'
// state or started a thread. A worker started later from the program file spends most of its
// start-up in the dynamic loader; a spare has all of that already and is ready at once.
// Spares wait for their voice on their input like any worker; the ones never taken end when
// the converter does.
class WorkerSpares
{
public:
    // Forks `count` spares. Returns true in a spare, which is then to run as a synthesis
    // worker, and false in the converter. Call it before anything starts a thread.
    static bool fork(int count);
    // A spare not yet taken, or nullptr.
    static WorkerChannel *take(QObject *parent);
};
