#pragma once

#include <QObject>
#include <memory>

class PcmBuffer;

// Plays one utterance at a time from a PcmBuffer and tells how much of it has been heard.
// Lives on the UI thread.
class AudioOutput : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts a new stream; anything still playing is dropped.
    virtual void start(std::shared_ptr<PcmBuffer> buffer, int sampleRate) = 0;
    // Silences the output at once and forgets the stream.
    virtual void stop() = 0;
    // Frames of the current stream that have been played (heard) so far.
    virtual qint64 playedFrames() = 0;
    // Hands newly produced samples to the device without waiting for the next poll.
    virtual void feed() {}
    virtual QString description() const = 0;
    // The device could not be opened or broke off; the stream will not progress here.
    virtual bool failed() const { return false; }

    // The output chosen by PARLANCE_AUDIO ("null" or "null:N" for the virtual clock, N
    // times faster than real time), else the default audio device, else the virtual clock.
    static std::unique_ptr<AudioOutput> create(QObject *parent = nullptr);

signals:
    // The first samples of a stream went to the device (or the virtual clock took them).
    void firstFrames();
};
