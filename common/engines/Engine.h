#pragma once

#include "EngineSetting.h"
#include "VoiceLanguage.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <utility>

class QWidget;

// One synthesis back end behind a SpeechControl. Engine libraries keep global state, so
// every method except the dialog ones is called on the speech worker thread only, one call
// at a time for the whole process.
class Engine
{
public:
    struct Params
    {
        Params(int rate = 0, int volume = 99, EngineSettingValues settings = {})
            : rate(rate), volume(volume), settings(std::move(settings))
        {
        }
        int rate = 0;    // -10..10, 0 is the engine's natural speed
        int volume = 99; // 1..99, amplitude scales linearly with it
        // The voice's values for settingList(), as the settings dialog stored them; the
        // engine applies them to this utterance only.
        EngineSettingValues settings;
    };

    // Receives 16-bit mono samples at sampleRate(). Returning false aborts the synthesis.
    // An engine that plays its own audio calls it with no samples now and then, only to
    // learn whether it is still wanted.
    using AudioSink = std::function<bool(const qint16 *samples, int count)>;
    // Receives each spoken word: the sample index (from the first sample of this text's
    // audio) where the word starts, and its position and length in QString units of the
    // text that was passed to synthesize().
    using WordSink = std::function<void(qint64 sample, int position, int length)>;

    virtual ~Engine() = default;

    // Distinct, readable voice names; empty when the engine has nothing to speak with.
    virtual QStringList voiceNames() = 0;
    virtual QString currentVoice() const = 0;
    // Throws SpeechError (UnknownVoice) for a name voiceNames() does not hold.
    virtual void selectVoice(const QString &name) = 0;
    virtual int sampleRate() const = 0;

    // Synthesises the whole text, handing audio and word marks to the sinks as they are
    // produced. Returns false when a sink aborted; throws SpeechError on failure.
    virtual bool synthesize(const QString &text, const Params &params, const AudioSink &audio,
                            const WordSink &word) = 0;

    // The languages the voice speaks, its own first; empty when the engine does not say.
    virtual VoiceLanguages voiceLanguages(const QString & /*name*/) const { return {}; }
    // True for a voice whose word positions are an estimate, the engine reporting none.
    virtual bool estimatesWords(const QString & /*name*/) const { return false; }

    // True for an engine whose voice is heard through a sound service of its own (the audio
    // sink gets no samples): it reports each word at the moment the word is heard, as sample
    // 0, and cannot write a file.
    virtual bool playsItself() const { return false; }

    // What the settings dialog offers for this engine. Fixed per engine type and never
    // touches the library, so any thread may ask.
    virtual QList<EngineSetting> settingList() const { return {}; }

    // Engine dialogs (settings 13, pronunciation 0); called on the UI thread. The control
    // shows the settings dialog from settingList() and the pronunciation editor itself for
    // an engine that has them; showDialog() is for any other dialog an engine brings.
    virtual bool hasDialog(int /*id*/) const { return false; }
    virtual void showDialog(int id, QWidget *parent);

protected:
    // The index of the voice called `name` among `voices` (anything whose elements have a
    // `name`); throws SpeechError (UnknownVoice) when there is none.
    template <typename Voices> static int voiceIndex(const Voices &voices, const QString &name)
    {
        int i = 0;
        for (const auto &voice : voices) {
            if (voice.name == name)
                return i;
            ++i;
        }
        unknownVoice(name);
    }
    [[noreturn]] static void unknownVoice(const QString &name);
};
