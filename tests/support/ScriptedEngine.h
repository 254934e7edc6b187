#pragma once

#include "Engine.h"

#include <QStringList>
#include <atomic>

// An engine whose output is exact: each whitespace-separated word of the text becomes
// `samplesPerWord` samples of a constant tone and one word mark at the word's first sample.
// Lets tests check event sequences to the sample without depending on a voice.
class ScriptedEngine : public Engine
{
public:
    explicit ScriptedEngine(int samplesPerWord = 2205, int sampleRate = 22050);

    QStringList voiceNames() override { return m_voices; }
    QString currentVoice() const override { return m_current; }
    void selectVoice(const QString &name) override;
    int sampleRate() const override { return m_sampleRate; }
    bool synthesize(const QString &text, const Params &params, const AudioSink &audio,
                    const WordSink &word) override;

    void setVoices(const QStringList &voices);
    // Settings for the engine settings dialog; none (and no dialog) by default.
    void setSettingList(const QList<EngineSetting> &settings) { m_settings = settings; }
    QList<EngineSetting> settingList() const override { return m_settings; }
    bool hasDialog(int id) const override { return id == 13 && !m_settings.isEmpty(); }
    // Voices whose words the engine claims to estimate.
    void setEstimatedVoices(const QStringList &voices) { m_estimated = voices; }
    bool estimatesWords(const QString &name) const override { return m_estimated.contains(name); }
    // Makes the next synthesis throw SpeechError (tests of failure paths).
    void failNextSynthesis() { m_failNext = true; }
    int synthesisCount() const { return m_count; }
    // A voice that says where nothing is (no word marks at all).
    void setReportsWords(bool reports) { m_reportsWords = reports; }
    Params lastParams() const { return m_lastParams; }

private:
    int m_samplesPerWord;
    int m_sampleRate;
    QStringList m_voices{QStringLiteral("Scripted One"), QStringLiteral("Scripted Two")};
    QString m_current = QStringLiteral("Scripted One");
    QStringList m_estimated;
    QList<EngineSetting> m_settings;
    std::atomic<bool> m_failNext{false};
    std::atomic<int> m_count{0};
    std::atomic<bool> m_reportsWords{true};
    Params m_lastParams;
};
