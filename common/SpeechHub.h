#pragma once

#include "Engine.h"
#include "PronunciationLexicon.h"
#include "SpeechEvent.h"

#include <QObject>
#include <QTimer>
#include <memory>

class AudioOutput;
class PcmBuffer;
class UtteranceOwner;
struct Utterance;

// The process's one voice: at most one utterance plays at a time, whichever owner spoke it.
// Runs synthesis on the worker, playback on the audio output, and turns the played position
// into the owner's events on the UI thread (the only place events are raised).
class SpeechHub : public QObject
{
    Q_OBJECT
public:
    static SpeechHub &instance();

    // One utterance as its owner prepared it. The engine is only touched on the worker.
    struct Request
    {
        Engine *engine = nullptr;
        QString voice; // selected on the engine first, unless empty
        int sampleRate = 22050;
        QString text;
        // What the engine speaks: the text as the voice's pronunciations rewrite it. Word
        // positions are mapped back, so that the owner only ever sees its own text.
        PronunciationLexicon::Rewrite spoken;
        Engine::Params params;
        // False for a sample, not a reading: the owner hears nothing of it.
        bool raisesEvents = true;
    };

    void speak(UtteranceOwner *owner, const Request &request);
    // True while an utterance that raises events is under way.
    bool readingInProgress() const;
    // Stops the utterance of `owner`, if it is the one speaking; raises its end event.
    void stop(UtteranceOwner *owner);
    bool isSpeaking(const UtteranceOwner *owner) const;
    // An owner goes away: drop its utterance without events.
    void forget(UtteranceOwner *owner);

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
    static void raise(Utterance &utterance, SpeechEvent event, int position);

    std::unique_ptr<AudioOutput> m_output;
    std::shared_ptr<Utterance> m_current;
    QTimer m_timer;
    qint64 m_lastWordLateness = 0;
    std::shared_ptr<PcmBuffer> m_lastBuffer;
    qint64 m_frameOffset = 0; // frames played on an output that failed mid-stream
};
