#pragma once

#include "Engine.h"

#include <QHash>
#include <atomic>
#include <memory>
#include <vector>

// Several engines offered as one: the voices of each, in the order the engines were given,
// and every call goes to the engine of the selected voice. Element 0 of the control array
// hosts the standard voices this way (espeak-ng, flite's built-in voices, Festival's voices,
// the voices of a running speech-dispatcher). A name two engines share belongs to the first.
// Until a voice is selected, the one that speaks the desktop's language is in use.
class EngineGroup : public Engine
{
public:
    explicit EngineGroup(std::vector<std::unique_ptr<Engine>> engines);

    // espeak-ng, flite's built-in voices, Festival, speech-dispatcher.
    static std::unique_ptr<Engine> standardVoices();

    QStringList voiceNames() override;
    QString currentVoice() const override;
    void selectVoice(const QString &name) override;
    int sampleRate() const override;
    bool synthesize(const QString &text, const Params &params, const AudioSink &audio,
                    const WordSink &word) override;
    VoiceLanguages voiceLanguages(const QString &name) const override;
    bool estimatesWords(const QString &name) const override;
    bool playsItself() const override;
    QList<EngineSetting> settingList() const override;
    bool hasDialog(int id) const override;
    void showDialog(int id, QWidget *parent) override;

    Engine *engineAt(int i) const { return m_engines.at(size_t(i)).get(); }

private:
    Engine &current() const;
    void listVoices();

    std::vector<std::unique_ptr<Engine>> m_engines;
    QStringList m_names;
    QHash<QString, int> m_owner;
    bool m_listed = false;
    // Read by the dialog calls on the UI thread while the worker selects.
    std::atomic<int> m_current{0};
};
