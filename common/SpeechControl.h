#pragma once

#include "Engine.h"
#include "PronunciationLexicon.h"
#include "SpeechHub.h"
#include "SpeechVoice.h"
#include "UtteranceOwner.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class QWidget;

// One element of the speech control array: speaks text aloud (one utterance at a time in the
// whole process, see SpeechHub) or into a file, with a rate, a volume and a voice of its
// engine's. Every failing call throws SpeechError with a positive number. All methods run on
// the UI thread, where the events are delivered too.
class SpeechControl : public QObject, private UtteranceOwner
{
    Q_OBJECT
public:
    // The formats of speakToFile(); the numbers are those the converter's command line takes.
    enum FileFormat { Format22kHz16BitMono = -1, Format16kHz16BitMono = 18 };

    // Element `index` of the array, speaking with espeak-ng.
    explicit SpeechControl(int index = 0, QObject *parent = nullptr);
    // Element with a given engine (tests script one; voice-file elements use flite).
    SpeechControl(int index, std::unique_ptr<Engine> engine, QObject *parent = nullptr);
    ~SpeechControl() override;

    int index() const { return m_index; }

    // Starts speaking `text` and returns; the events follow from the event loop.
    void speak(const QString &text);
    // Synthesises the text file into a WAV file in `format` and returns when it is complete.
    void speakToFile(const QString &textPath, const QString &wavPath, int format);
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
    // Ends what this element is speaking, aloud (raising its end before returning) or to a
    // file.
    void stop();
    bool isSpeaking() const;

    // -10 (slowest) .. 10 and 1 .. 99; they apply from the next utterance.
    void setRate(int rate);
    int rate() const { return m_rate; }
    void setVolume(int volume);
    int volume() const { return m_volume; }

    // The voices of the engine, in its order.
    QList<SpeechVoice> voices();
    // The selected voice; selectVoice() takes an exact name of voices() (UnknownVoice else).
    QString voiceName();
    void selectVoice(const QString &name);

    // Setting a voice folder makes this a voice-file element speaking the voices found there;
    // setting it back to empty returns to the standard voices.
    void setVoiceFolder(const QString &folder);
    QString voiceFolder() const { return m_voiceFolder; }
    void setEngineFolder(const QString &folder) { m_engineFolder = folder; }
    QString engineFolder() const { return m_engineFolder; }

    // The settings and pronunciation dialogs of the selected voice, shown through
    // DialogRunner; what the user accepts is stored per voice and applies from the next
    // speak. NoSuchDialog when the engine has none, NoVoice without a selected voice.
    void showSettingsDialog(QWidget *parent = nullptr);
    void showPronunciationDialog(QWidget *parent = nullptr);
    // Speaks a short sample in the selected voice's language with the control's rate and
    // volume and the given settings, raising no events: what the settings dialog's "Try"
    // does. Nothing happens while a reading is under way.
    void speakSample(const EngineSettingValues &settings);
    static QString sampleText(const VoiceLanguages &languages);

    // Replaces the engine (a voice-file element after its folders were set).
    void setEngine(std::unique_ptr<Engine> engine);
    Engine *engine() const { return m_engine.get(); }

    // The whole of a regular file; anything else (a FIFO, a device, a folder) is refused
    // (FileNotFound).
    static QByteArray readRegularFile(const QString &path);

signals:
    // What happens to this element's utterances, in order; the positions are 0-based in the
    // text of the speak call, in QString units. Each utterance starts (at 0), reaches words
    // as they are heard, and ends at the text's length, or where a stop left it. A sample
    // heard from the settings dialog raises none.
    void speechStarted(int position);
    void wordReached(int position);
    void speechEnded(int position);
    // Speak to file: characters of the text done so far out of all.
    void fileProgress(qint64 done, qint64 total);

private:
    void utteranceEvent(SpeechEvent event, int position) override;

    int m_index;
    std::unique_ptr<Engine> m_engine;
    int m_rate = 0;
    int m_volume = 99;
    QString m_engineFolder;
    QString m_voiceFolder;
    // Voices as the engine listed them, fetched once from the worker; the chosen voice is
    // applied by the worker at the start of each utterance.
    QList<SpeechVoice> m_voices;
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
    SpeechHub::Request utteranceRequest(const QString &text) const;
    // The first voice of that exact name, or null.
    const SpeechVoice *findVoice(const QString &name) const;
    // The engine's dialog `id` (as Engine::hasDialog() numbers them) is there, and a voice
    // is selected to keep what it sets.
    void checkDialog(int id);
};
