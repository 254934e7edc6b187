#pragma once

#include <QtGlobal>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

// The samples of one utterance on their way from the synthesis thread to the audio output.
// The worker appends, the output takes; both sides may run at once. With a capacity, the
// worker waits for room instead of holding a whole chunk of audio ahead of the listener.
class PcmBuffer
{
public:
    // `capacity` samples at most waiting to be played; 0 for no bound.
    explicit PcmBuffer(int capacity = 0) : m_capacity(capacity) {}

    void append(const qint16 *samples, int count);
    // Blocks until `count` more samples fit, the buffer is closed or `giveUp` says so (asked
    // every few milliseconds). Returns false when the buffer was closed.
    bool waitForRoom(int count, const std::function<bool()> &giveUp = {});
    // Copies up to `max` samples out; returns how many.
    int read(qint16 *destination, int max);
    // Drops up to `max` samples (a silent output "plays" them); returns how many.
    int skip(int max);
    // The worker has produced everything.
    void finish();
    // Nobody will play the rest: drops it and releases a waiting worker.
    void close();

    bool finished() const;
    int available() const;
    qint64 written() const;
    int capacity() const { return m_capacity; }
    // The most samples ever waiting at once.
    int highWater() const;

private:
    const int m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::vector<qint16> m_samples;
    size_t m_readPos = 0;
    qint64 m_written = 0;
    int m_highWater = 0;
    bool m_finished = false;
    bool m_closed = false;

    int availableLocked() const { return int(m_samples.size() - m_readPos); }
    void taken();
};
