#include "BackgroundEncoder.h"

namespace {
// Blocks waiting for the encoder: each is what AudioFileWriter gathers before a write (about
// a second and a half of speech).
constexpr size_t MaxWaitingBlocks = 8;
} // namespace

BackgroundEncoder::BackgroundEncoder(std::unique_ptr<AudioEncoder> encoder)
    : m_encoder(std::move(encoder)), m_thread([this] { run(); })
{
}

BackgroundEncoder::~BackgroundEncoder()
{
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    stop();
}

void BackgroundEncoder::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundEncoder::run()
{
    for (;;) {
        std::vector<qint16> block;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_blocks.empty() || m_closing; });
            if (m_abandoned || m_failure || m_blocks.empty())
                return;
            block = std::move(m_blocks.front());
            m_blocks.pop_front();
        }
        m_changed.notify_all();
        try {
            m_encoder->encode(block.data(), block.size());
        } catch (...) {
            std::lock_guard lock(m_mutex);
            m_failure = std::current_exception();
            m_blocks.clear();
            m_changed.notify_all();
            return;
        }
    }
}

void BackgroundEncoder::rethrow()
{
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void BackgroundEncoder::encode(const qint16 *samples, size_t count)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_blocks.size() < MaxWaitingBlocks || m_failure; });
    rethrow();
    m_blocks.emplace_back(samples, samples + count);
    lock.unlock();
    m_changed.notify_all();
}

void BackgroundEncoder::setChapterStart(int index, qint64 milliseconds)
{
    m_chapterStarts.append({index, milliseconds});
}

void BackgroundEncoder::finish()
{
    stop();
    rethrow();
    for (const auto &[index, milliseconds] : std::as_const(m_chapterStarts))
        m_encoder->setChapterStart(index, milliseconds);
    m_encoder->finish();
}
