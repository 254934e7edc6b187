#include "PcmBuffer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

void PcmBuffer::append(const qint16 *samples, int count)
{
    if (count <= 0)
        return;
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return;
    m_samples.insert(m_samples.end(), samples, samples + count);
    m_written += count;
    m_highWater = std::max(m_highWater, availableLocked());
}

bool PcmBuffer::waitForRoom(int count, const std::function<bool()> &giveUp)
{
    std::unique_lock lock(m_mutex);
    // A block larger than the whole bound still goes in once the buffer has run empty.
    const auto room = [&] {
        return m_closed || m_capacity <= 0 || availableLocked() == 0 ||
               availableLocked() + count <= m_capacity;
    };
    while (!room()) {
        // The outside reasons to stop waiting (a stop, a caller that needs the worker) are
        // not signalled here, so they are looked at on a short period.
        if (giveUp) {
            lock.unlock();
            const bool stop = giveUp();
            lock.lock();
            if (stop)
                break;
        }
        m_room.wait_for(lock, std::chrono::milliseconds(20));
    }
    return !m_closed;
}

int PcmBuffer::read(qint16 *destination, int max)
{
    std::lock_guard lock(m_mutex);
    const int n = std::min(std::max(max, 0), availableLocked());
    std::memcpy(destination, m_samples.data() + m_readPos, size_t(n) * sizeof(qint16));
    m_readPos += size_t(n);
    taken();
    return n;
}

int PcmBuffer::skip(int max)
{
    std::lock_guard lock(m_mutex);
    const int n = std::min(std::max(max, 0), availableLocked());
    m_readPos += size_t(n);
    taken();
    return n;
}

void PcmBuffer::taken()
{
    // Keep the vector from growing without bound during a long reading while not moving
    // memory on every small read.
    if (m_readPos > 65536 && m_readPos * 2 > m_samples.size()) {
        m_samples.erase(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(m_readPos));
        m_readPos = 0;
    }
    m_room.notify_all();
}

void PcmBuffer::finish()
{
    std::lock_guard lock(m_mutex);
    m_finished = true;
}

void PcmBuffer::close()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_samples.clear();
        m_samples.shrink_to_fit();
        m_readPos = 0;
    }
    m_room.notify_all();
}

bool PcmBuffer::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

int PcmBuffer::available() const
{
    std::lock_guard lock(m_mutex);
    return availableLocked();
}

qint64 PcmBuffer::written() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

int PcmBuffer::highWater() const
{
    std::lock_guard lock(m_mutex);
    return m_highWater;
}
