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
//
// Every stream gets a sink of its own. A sink that is started again keeps the buffer size the
// server granted last time and asks for that, and the server grants a little less each time:
// after a few readings the buffer is a few milliseconds long, playback runs dry over and over
// and a stream can stall before its last samples are played.
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
    bool openSink();
    void closeSink();
    bool sinkBroken() const;
    // The sink went wrong or stopped playing: go on with a fresh one from what it took.
    void replaceSink(const char *why);
    void padEnd();

    QAudioSink *m_sink = nullptr;
    QIODevice *m_device = nullptr;
    QAudioFormat m_format;
    std::shared_ptr<PcmBuffer> m_buffer;
    // Taken from the buffer but not yet accepted by the sink.
    std::vector<qint16> m_pending;
    size_t m_pendingPos = 0;
    QTimer m_pump;
    // Frames of this stream counted as played on sinks replaced before the current one.
    qint64 m_base = 0;
    qint64 m_sinkWritten = 0; // real frames the current sink accepted (padding excluded)
    qint64 m_sinkPlayed = 0;
    qint64 m_played = 0;
    bool m_padded = false;
    QElapsedTimer m_sinceProgress;
    int m_fruitlessSinks = 0; // fresh sinks in a row that played nothing
    bool m_usable = true;
};
