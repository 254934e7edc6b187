#pragma once

#include "AudioOutput.h"

#include <QAudioFormat>
#include <QElapsedTimer>
#include <QTimer>
#include <vector>

class QAudioSink;
class QIODevice;

// Plays through Qt Multimedia's QAudioSink (PulseAudio on Linux) in push mode. The played
// position comes from the sink's processed time, which follows what the server has played.
class QtAudioOutput : public AudioOutput
{
    Q_OBJECT
public:
    explicit QtAudioOutput(QObject *parent = nullptr);
    ~QtAudioOutput() override;

    void start(std::shared_ptr<PcmBuffer> buffer, int sampleRate) override;
    void stop() override;
    qint64 playedFrames() override;
    void feed() override;
    QString description() const override;

    bool failed() const override;

private:
    void ensureSink(int sampleRate);

    QAudioSink *m_sink = nullptr;
    QIODevice *m_device = nullptr;
    QAudioFormat m_format;
    std::shared_ptr<PcmBuffer> m_buffer;
    std::vector<qint16> m_scratch;
    QTimer m_pump;
    qint64 m_framesWritten = 0;
    qint64 m_lastPlayed = 0;
    QElapsedTimer m_sinceDrained;
    bool m_usable = true;
};
