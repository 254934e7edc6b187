#include "VirtualClockOutput.h"

#include "PcmBuffer.h"

VirtualClockOutput::VirtualClockOutput(double speed, QObject *parent)
    : AudioOutput(parent), m_speed(speed > 0 ? speed : 1.0)
{
}

void VirtualClockOutput::start(std::shared_ptr<PcmBuffer> buffer, int sampleRate)
{
    m_buffer = std::move(buffer);
    m_sampleRate = sampleRate;
    m_clock.start();
    m_lastNs = 0;
    m_carry = 0.0;
    m_played = 0;
}

void VirtualClockOutput::stop()
{
    m_buffer.reset();
}

qint64 VirtualClockOutput::playedFrames()
{
    if (!m_buffer)
        return m_played;
    const qint64 now = m_clock.nsecsElapsed();
    m_carry += double(now - m_lastNs) * 1e-9 * m_sampleRate * m_speed;
    m_lastNs = now;
    const int due = int(std::min(m_carry, 1e9));
    // Only what the synthesiser has produced can be played: an underrun holds the clock,
    // as a real device would run dry.
    const int taken = m_buffer->skip(due);
    m_carry = taken < due ? 0.0 : m_carry - taken;
    if (m_played == 0 && taken > 0)
        emit firstFrames();
    m_played += taken;
    return m_played;
}

QString VirtualClockOutput::description() const
{
    return QStringLiteral("virtual clock x%1").arg(m_speed);
}
