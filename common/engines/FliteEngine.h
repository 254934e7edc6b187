#pragma once

#include "Engine.h"

#include <QString>
#include <memory>
#include <vector>

struct cst_voice_struct;

// The voice-file voices: every loadable .flitevox file in one voice folder, spoken with
// flite. Each voice is listed as "CereVoice " followed by its file name without the
// extension. A folder without a usable voice file lists no voices. Files are checked before
// flite reads them, because flite's loader trusts them blindly.
//
// builtIn() makes the same engine over the voices compiled into flite's own libraries
// (FliteBuiltinVoices), so that they speak, mark words and take rate and volume alike.
//
// flite keeps global state (its language table, the lexicon), so every call into it holds a
// process-wide lock; in the program that is always the speech worker.
class FliteEngine : public Engine
{
public:
    explicit FliteEngine(const QString &voiceFolder);
    // The installed built-in voices; none installed lists no voices.
    static std::unique_ptr<FliteEngine> builtIn();
    ~FliteEngine() override;
    FliteEngine(const FliteEngine &) = delete;
    FliteEngine &operator=(const FliteEngine &) = delete;

    QString folder() const { return m_folder; }

    QStringList voiceNames() override;
    QString currentVoice() const override;
    void selectVoice(const QString &name) override;
    int sampleRate() const override;
    VoiceLanguages voiceLanguages(const QString &name) const override;
    bool synthesize(const QString &text, const Params &params, const AudioSink &audio,
                    const WordSink &word) override;

    QList<EngineSetting> settingList() const override;
    bool hasDialog(int id) const override;

    // flite's duration stretch for a control rate of -10..10: 1 at 0, shorter when faster.
    static double durationStretch(int rate);
    // Why the folder gave no voices (empty when it gave some).
    QString loadProblem() const;

private:
    struct Voice
    {
        QString name;
        cst_voice_struct *voice = nullptr;
        int sampleRate = 16000;
        float f0Mean = 100.0f;
        float f0Deviation = 10.0f;
        bool owned = true; // built-in voices belong to the process, not to this engine
        QString language;  // known for the built-in voices only
    };

    static Voice describe(cst_voice_struct *loaded);

    void loadVoices() const;
    void loadVoicesLocked() const;
    void applyParams(const Voice &voice, const Params &params) const;

    QString m_folder;
    bool m_builtIn = false;
    mutable std::vector<Voice> m_voices;
    mutable bool m_voicesLoaded = false;
    mutable int m_current = -1;
    mutable QString m_loadProblem;
};
