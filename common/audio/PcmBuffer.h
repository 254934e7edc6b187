#pragma once

#include <QtGlobal>
#include <mutex>
#include <vector>

// The samples of one utterance on their way from the synthesis thread to the audio output.
// The worker appends, the output takes; both sides may run at once.
class PcmBuffer
{
public:
    void append(const qint16 *samples, int count);
    // Copies up to `max` samples out; returns how many.
    int read(qint16 *destination, int max);
    // Drops up to `max` samples (a silent output "plays" them); returns how many.
    int skip(int max);
    // The worker has produced everything.
    void finish();

    bool finished() const;
    int available() const;
    qint64 written() const;

private:
    mutable std::mutex m_mutex;
    std::vector<qint16> m_samples;
    size_t m_readPos = 0;
    qint64 m_written = 0;
    bool m_finished = false;

    void compact();
};
