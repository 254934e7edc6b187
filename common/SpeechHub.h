#pragma once

#include "Engine.h"

#include <QObject>
#include <QTimer>
#include <memory>

class AudioOutput;
class PcmBuffer;
class SpeechControl;
struct Utterance;

// The process's one voice: at most one utterance plays at a time, whichever element spoke
// it. Runs synthesis on the worker, playback on the audio output, and turns the played
// position into the elements' events on the UI thread (the only place events are raised).
class SpeechHub : public QObject
{
    Q_OBJECT
public:
    static SpeechHub &instance();

    void speak(SpeechControl *control, const QString &text);
    // Speaks with the given parameters; with `raiseEvents` false the control raises no event
    // for it (a sample, not a reading).
    void speak(SpeechControl *control, const QString &text, const Engine::Params &params,
               bool raiseEvents);
    // True while an utterance that raises events is under way.
    bool readingInProgress() const;
    // Stops the utterance of `control`, if it is the one speaking; raises its end event.
    void stop(SpeechControl *control);
    bool isSpeaking(const SpeechControl *control) const;
    // An element goes away: drop its utterance without events.
    void forget(SpeechControl *control);

    AudioOutput *output() const { return m_output.get(); }
    // How far the output had played past the start of the last word when that word was
    // raised, in frames (measurements only).
    qint64 lastWordLateness() const { return m_lastWordLateness; }
    // The most samples the last utterance ever held ahead of playback, and the bound it
    // was held to (measurements only).
    int readAheadHighWater() const;
    int readAheadCapacity() const;

private:
    SpeechHub();
    ~SpeechHub() override;

    void tick();
    void cancelCurrent();
    void finishCurrent();
    void startPlayback();
    void fallBackIfFailed();
    static void raise(Utterance &utterance, int kind, int position);

    std::unique_ptr<AudioOutput> m_output;
    std::shared_ptr<Utterance> m_current;
    QTimer m_timer;
    qint64 m_lastWordLateness = 0;
    std::shared_ptr<PcmBuffer> m_lastBuffer;
    qint64 m_frameOffset = 0; // frames played on an output that failed mid-stream
};
