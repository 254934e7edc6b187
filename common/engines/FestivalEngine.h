#pragma once

#include "Engine.h"
#include "FestivalVoiceFolder.h"

#include <QList>

// The voices installed for Festival (its HTS voices are the most natural free ones), spoken
// one sentence at a time so that the first words are heard soon, each word reported at the
// sample where its first sound starts. Listing the voices reads their folder only; Festival
// starts when one of them is chosen (FestivalLibrary).
class FestivalEngine : public Engine
{
public:
    explicit FestivalEngine(const QString &voiceFolder = FestivalVoiceFolder::standard());

    QStringList voiceNames() override;
    QString currentVoice() const override;
    void selectVoice(const QString &name) override;
    int sampleRate() const override;
    VoiceLanguages voiceLanguages(const QString &name) const override;
    bool synthesize(const QString &text, const Params &params, const AudioSink &audio,
                    const WordSink &word) override;

    // Pitch, which the voices take in their intonation where they can and by a change of
    // playback speed where they cannot.
    QList<EngineSetting> settingList() const override;
    bool hasDialog(int id) const override;

    // How much faster than its own pace a voice speaks at a control rate of -10..10.
    static double speed(int rate);

private:
    void load() const;

    QString m_folder;
    mutable QList<FestivalVoiceFolder::Voice> m_voices;
    mutable bool m_loaded = false;
    int m_current = -1;
};
