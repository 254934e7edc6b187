#pragma once

#include "Engine.h"

#include <QByteArray>
#include <QList>

// The standard voices: every voice that espeak-ng lists. espeak-ng is one global synthesiser
// per process, so each utterance re-applies this engine's voice and parameters before it
// speaks; the library is initialised on first use by whichever thread gets there first, and
// a process-wide lock keeps two threads from ever entering it at once.
class EspeakEngine : public Engine
{
public:
    // Voice colouring that the engine settings dialog will offer; the defaults are
    // espeak-ng's own.
    struct Settings
    {
        int pitch = 50;      // 0..100
        int pitchRange = 50; // 0..100, 0 is monotone
        int wordGap = 0;     // extra pause between words, 10 ms units
        int punctuation = 0; // 0 none, 1 all, 2 some (espeak's punctuation modes)
    };

    EspeakEngine();
    ~EspeakEngine() override;

    QStringList voiceNames() override;
    QString currentVoice() const override;
    void selectVoice(const QString &name) override;
    int sampleRate() const override;
    VoiceLanguages voiceLanguages(const QString &name) const override;
    bool synthesize(const QString &text, const Params &params, const AudioSink &audio,
                    const WordSink &word) override;

    Settings settings() const { return m_settings; }
    void setSettings(const Settings &settings) { m_settings = settings; }

    // The settings dialog offers the Settings fields, under the keys "pitch", "pitchRange",
    // "wordGap" and "punctuation"; values an utterance brings override setSettings().
    QList<EngineSetting> settingList() const override;
    bool hasDialog(int id) const override;
    Settings settingsFor(const Params &params) const;

    // The speaking rate in words per minute for a control rate of -10..10.
    static int wordsPerMinute(int rate);

private:
    struct Voice
    {
        QString name;
        QByteArray identifier;
        VoiceLanguages languages;
    };

    void loadVoices() const;

    mutable QList<Voice> m_voices;
    mutable bool m_voicesLoaded = false;
    mutable int m_current = -1;
    Settings m_settings;
};
