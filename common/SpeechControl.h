#pragma once

#include "Engine.h"
#include "PronunciationLexicon.h"
#include "SpeechResource.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <set>

class QWidget;
class SpeechHub;

// One element of the speech control array. Operations keep the control's own numbers (see
// the enums) so that callers read like the procedures they implement. Every failing
// operation throws SpeechError with a positive number. All methods run on the UI thread.
class SpeechControl : public QObject
{
    Q_OBJECT
public:
    enum Operation {
        OpGetNumberProperty = 7,
        OpGetResource = 8,
        OpCountResources = 9,
        OpGetStringProperty = 13,
        OpPropertySupported = 17,
        OpEnableEvent = 19,
        OpRemoveResource = 20,
        OpSetNumberProperty = 25,
        OpSetStringProperty = 26,
        OpShowDialog = 28,
        OpSpeak = 29,
        OpStop = 30,
    };
    enum EventKind { EventSpeechStarted = 11, EventSpeechEnded = 12, EventWordReached = 29 };
    enum ResourceKind { ResourceVoice = 18, ResourceEvent = 19 };
    enum NumberProperty {
        PropertyEngineMode = 12, // 7 then 4 for standard voices, 25 for voice-file voices
        PropertyRate = 31,       // -10..10
        PropertyVolume = 36,     // 1..99
        PropertyVoiceOption = 42 // 1 for voice-file voices
    };
    enum StringProperty {
        PropertyVoiceName = 5,
        PropertyEngineFolder = 31,
        PropertyVoiceFolder = 39,
    };
    enum SupportTest { SupportNumberProperty = 8 };
    enum Dialog { DialogPronunciation = 0, DialogEngineSettings = 13 };
    enum FileFormat { Format22kHz16BitMono = -1, Format16kHz16BitMono = 18 };

    // Element `index` of the array, speaking with espeak-ng.
    explicit SpeechControl(int index = 0, QObject *parent = nullptr);
    // Element with a given engine (tests script one; voice-file elements use flite).
    SpeechControl(int index, std::unique_ptr<Engine> engine, QObject *parent = nullptr);
    ~SpeechControl() override;

    int index() const { return m_index; }

    void speak(const QString &text);
    // Synthesises the text file into a WAV file and returns when it is complete. The numeric
    // arguments are the control's fixed flags; `format` chooses the sample rate.
    void speakToFile(const QString &textPath, int flags1, int flags2, int flags3,
                     const QString &wavPath, int flags4, int format, int flags5);
    // Receives the audio of speakText(), on the speech thread; throwing SpeechError stops it.
    using AudioSink = std::function<void(const qint16 *samples, int count)>;
    // Receives each word of speakText() on the speech thread: the sample (at the output rate,
    // from the first sample of this text's audio) where the word starts, and its position and
    // length in the text as given.
    using WordSink = std::function<void(qint64 sample, int position, int length)>;
    // Speaks `text` as speakToFile() does, handing its audio at `outputRate` Hz to `sink`
    // instead of a file; returns when all of it has been handed over. Throws like
    // speakToFile(); stop() ends it with Cancelled.
    void speakText(const QString &text, int outputRate, const AudioSink &sink,
                   const WordSink &words = {});
    // The sample rate of a speakToFile() `format`. Throws SpeechError for an unknown one.
    static int fileFormatRate(int format);
    void stop();
    void enableEvent(int kind);
    int countResources(int kind);
    SpeechResource getResource(int kind, int index);
    void removeResource(int kind, int index);
    void setNumberProperty(int property, int value);
    int numberProperty(int property);
    bool propertySupported(int test, int property);
    // Setting the voice folder (39) to a folder makes this a voice-file element speaking the
    // voices found there; setting it back to empty returns to the standard voices.
    void setStringProperty(int property, const QString &value);
    QString stringProperty(int property);
    // Settings (13) and pronunciation (0) dialogs for the selected voice, shown through
    // DialogRunner; what the user accepts is stored per voice and applies from the next speak.
    void showDialog(int dialog, QWidget *parent = nullptr);
    // Speaks a short sample in the selected voice's language with the control's rate and
    // volume and the given settings, raising no events: what the settings dialog's "Try"
    // does. Nothing happens while a reading is under way.
    void speakSample(const EngineSettingValues &settings);
    static QString sampleText(const VoiceLanguages &languages);

    // Calls an operation by its number with the arguments in the control's order.
    QVariant invoke(int operation, const QVariantList &arguments = {});

    bool isSpeaking() const;

    // Replaces the engine (a voice-file element after its folders were set).
    void setEngine(std::unique_ptr<Engine> engine);
    Engine *engine() const { return m_engine.get(); }

    // The whole of a regular file; anything else (a FIFO, a device, a folder) is refused
    // (FileNotFound).
    static QByteArray readRegularFile(const QString &path);

signals:
    // Raised after each happening of an enabled kind; the record waits as resource (19, 0).
    void HasEvent(int index);
    // Speak to file: characters of the text done so far out of all.
    void fileProgress(qint64 done, qint64 total);

private:
    friend class SpeechHub;
    void raise(int kind, int position);

    int m_index;
    std::unique_ptr<Engine> m_engine;
    std::set<int> m_enabledEvents;
    std::deque<SpeechResource> m_pendingEvents;
    int m_rate = 0;
    int m_volume = 99;
    int m_engineMode = 0;
    int m_voiceOption = 0;
    QString m_engineFolder;
    QString m_voiceFolder;
    // Voices as the engine listed them, fetched once from the worker; the chosen voice is
    // applied by the worker at the start of each utterance.
    QStringList m_voices;
    QList<VoiceLanguages> m_voiceLanguages; // by the index in m_voices
    QList<bool> m_estimatedWords;
    bool m_voicesLoaded = false;
    QString m_voiceName;
    int m_sampleRate = 22050;
    std::shared_ptr<std::atomic<bool>> m_fileAbort;

    void loadVoices();
    // Loads the voices and selects the chosen one for speaking to a file; throws when none
    // can write audio.
    void prepareFileVoice();
    void adoptEngine(std::unique_ptr<Engine> engine);
    // What one utterance is spoken with, read at the speak call: rate, volume and the
    // voice's stored settings, and the text as the voice's pronunciations rewrite it.
    Engine::Params utteranceParams() const;
    PronunciationLexicon::Rewrite rewrite(const QString &text) const;
};
