#include "ScriptedEngine.h"

#include "SpeechError.h"

#include <QRegularExpression>
#include <vector>

ScriptedEngine::ScriptedEngine(int samplesPerWord, int sampleRate)
    : m_samplesPerWord(samplesPerWord), m_sampleRate(sampleRate)
{
}

void ScriptedEngine::selectVoice(const QString &name)
{
    if (!m_voices.contains(name))
        throw SpeechError(SpeechErrors::UnknownVoice,
                          QStringLiteral("No voice named %1").arg(name));
    m_current = name;
}

void ScriptedEngine::setVoices(const QStringList &voices)
{
    m_voices = voices;
    m_current = voices.value(0);
}

bool ScriptedEngine::synthesize(const QString &text, const Params &params, const AudioSink &audio,
                                const WordSink &word)
{
    ++m_count;
    m_lastParams = params;
    if (m_failNext.exchange(false))
        throw SpeechError(SpeechErrors::SynthesisFailed, QStringLiteral("scripted failure"));
    static const QRegularExpression words(QStringLiteral("\\S+"));
    const qint16 level = qint16(100 * params.volume);
    std::vector<qint16> samples(m_samplesPerWord, level);
    qint64 sample = 0;
    for (auto it = words.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        if (m_reportsWords)
            word(sample, int(match.capturedStart()), int(match.capturedLength()));
        if (!audio(samples.data(), int(samples.size())))
            return false;
        sample += m_samplesPerWord;
    }
    return true;
}
