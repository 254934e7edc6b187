#pragma once

#include <QStringList>

// The converter started as a synthesis worker by another converter. espeak-ng keeps one
// synthesis state per process, so speaking several pieces at once takes several processes.
// The worker sets up the voice from its arguments and then, for each line
// "<text file>\t<wav file>" on standard input, speaks the text file into the WAV file,
// reporting on standard output:
//   "ready"              once the voice is set up
//   "p <characters>"     characters of the current piece done so far
//   "ok"                 the WAV file is complete
//   "error <n> <text>"   it failed (after set-up, or for the current piece)
// It ends at the end of its input.
class SynthesisWorker
{
public:
    static constexpr const char *Switch = "--synthesis-worker";

    static int run(const QStringList &arguments);
};
