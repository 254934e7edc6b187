#include "PcmBuffer.h"

#include <algorithm>
#include <cstring>

void PcmBuffer::append(const qint16 *samples, int count)
{
    if (count <= 0)
        return;
    std::lock_guard lock(m_mutex);
    m_samples.insert(m_samples.end(), samples, samples + count);
    m_written += count;
}

int PcmBuffer::read(qint16 *destination, int max)
{
    std::lock_guard lock(m_mutex);
    const int n = int(std::min<size_t>(size_t(std::max(max, 0)), m_samples.size() - m_readPos));
    std::memcpy(destination, m_samples.data() + m_readPos, size_t(n) * sizeof(qint16));
    m_readPos += size_t(n);
    compact();
    return n;
}

int PcmBuffer::skip(int max)
{
    std::lock_guard lock(m_mutex);
    const int n = int(std::min<size_t>(size_t(std::max(max, 0)), m_samples.size() - m_readPos));
    m_readPos += size_t(n);
    compact();
    return n;
}

void PcmBuffer::compact()
{
    // Keep the vector from growing without bound during a long reading while not moving
    // memory on every small read.
    if (m_readPos > 65536 && m_readPos * 2 > m_samples.size()) {
        m_samples.erase(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(m_readPos));
        m_readPos = 0;
    }
}

void PcmBuffer::finish()
{
    std::lock_guard lock(m_mutex);
    m_finished = true;
}

bool PcmBuffer::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

int PcmBuffer::available() const
{
    std::lock_guard lock(m_mutex);
    return int(m_samples.size() - m_readPos);
}

qint64 PcmBuffer::written() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}
