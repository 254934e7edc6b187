#pragma once

#include <QtGlobal>
#include <vector>

// Converts 16-bit mono PCM from one sample rate to another, one chunk at a time, with a
// windowed-sinc filter whose cut-off sits below the lower of the two Nyquist frequencies,
// so that going down to 16 kHz does not fold espeak's upper harmonics back as noise. The
// filter looks a few samples ahead: those are held back until more input or flush() comes.
class Resampler
{
public:
    // Throws SpeechError (InvalidArgument) for rates that are not positive or whose ratio
    // would need an unreasonably large filter table.
    Resampler(int inputRate, int outputRate);

    // Appends the converted samples for this input to `out`.
    void process(const qint16 *samples, int count, std::vector<qint16> &out);
    // Appends the samples still held back, as if silence followed the input.
    void flush(std::vector<qint16> &out);

private:
    void produce(qint64 available, std::vector<qint16> &out);

    qint64 m_up = 1;            // output samples per ...
    qint64 m_down = 1;          // ... this many input samples, in lowest terms
    int m_half = 0;             // taps on each side of the output instant
    std::vector<float> m_table; // one row of 2 * m_half taps per phase
    std::vector<float> m_history;
    qint64 m_historyStart = 0; // input index of m_history[0]
    qint64 m_inputCount = 0;
    qint64 m_nextOutput = 0;
};
