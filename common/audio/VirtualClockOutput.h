#pragma once

#include "AudioOutput.h"

#include <QElapsedTimer>

// A silent output that plays in real time (or `speed` times faster): readings progress and
// their word events come as if heard, without a sound device.
class VirtualClockOutput : public AudioOutput
{
    Q_OBJECT
public:
    explicit VirtualClockOutput(double speed = 1.0, QObject *parent = nullptr);

    void start(std::shared_ptr<PcmBuffer> buffer, int sampleRate) override;
    void stop() override;
    qint64 playedFrames() override;
    QString description() const override;

private:
    double m_speed;
    std::shared_ptr<PcmBuffer> m_buffer;
    int m_sampleRate = 22050;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    double m_carry = 0.0;
    qint64 m_played = 0;
};
