#pragma once

#include "AudioEncoder.h"

#include <QList>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Runs an encoder on a thread of its own, so that compressing the audio goes on alongside
// the synthesis instead of holding up the thread that gathers the speech. A few blocks wait
// in line at most; beyond that encode() waits for the encoder. An encoder's failure comes
// back from the next encode() or finish().
class BackgroundEncoder : public AudioEncoder
{
public:
    explicit BackgroundEncoder(std::unique_ptr<AudioEncoder> encoder);
    // Stops the thread without completing the file.
    ~BackgroundEncoder() override;

    void encode(const qint16 *samples, size_t count) override;
    void setChapterStart(int index, qint64 milliseconds) override;
    void finish() override;

private:
    void run();
    void stop();
    void rethrow();

    std::unique_ptr<AudioEncoder> m_encoder;
    QList<std::pair<int, qint64>> m_chapterStarts;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<qint16>> m_blocks;
    bool m_closing = false;
    bool m_abandoned = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};
