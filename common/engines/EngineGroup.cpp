#include "EngineGroup.h"

#include "EspeakEngine.h"
#include "FestivalEngine.h"
#include "FliteEngine.h"
#include "LanguageMatch.h"
#include "SpeechDispatcherEngine.h"
#include "SpeechError.h"

EngineGroup::EngineGroup(std::vector<std::unique_ptr<Engine>> engines)
    : m_engines(std::move(engines))
{
}

std::unique_ptr<Engine> EngineGroup::standardVoices()
{
    std::vector<std::unique_ptr<Engine>> engines;
    engines.push_back(std::make_unique<EspeakEngine>());
    engines.push_back(FliteEngine::builtIn());
    engines.push_back(std::make_unique<FestivalEngine>());
    engines.push_back(std::make_unique<SpeechDispatcherEngine>());
    return std::make_unique<EngineGroup>(std::move(engines));
}

void EngineGroup::listVoices()
{
    if (m_listed)
        return;
    m_listed = true;
    for (int i = 0; i < int(m_engines.size()); ++i) {
        for (const QString &name : m_engines[size_t(i)]->voiceNames()) {
            if (m_owner.contains(name))
                continue;
            m_owner.insert(name, i);
            m_names.append(name);
        }
    }
    // Until a voice is chosen, the one of the desktop's language speaks, else the first
    // engine's own choice. A voice that plays itself cannot write a file, so it is no choice
    // for the converter and none by default.
    QList<VoiceLanguages> languages;
    for (const QString &name : std::as_const(m_names)) {
        const Engine &owner = *m_engines[size_t(m_owner.value(name))];
        languages.append(owner.playsItself() ? VoiceLanguages() : owner.voiceLanguages(name));
    }
    const int spoken = LanguageMatch::bestVoice(languages, LanguageMatch::desktopLanguage());
    if (spoken >= 0) {
        const QString &name = m_names[spoken];
        m_current = m_owner.value(name);
        m_engines[size_t(m_current)]->selectVoice(name);
        return;
    }
    for (int i = 0; i < int(m_engines.size()); ++i) {
        if (!m_engines[size_t(i)]->currentVoice().isEmpty()) {
            m_current = i;
            break;
        }
    }
}

QStringList EngineGroup::voiceNames()
{
    listVoices();
    return m_names;
}

Engine &EngineGroup::current() const
{
    if (m_engines.empty())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("No voice is available."));
    return *m_engines[size_t(m_current.load())];
}

QString EngineGroup::currentVoice() const
{
    return m_engines.empty() ? QString() : current().currentVoice();
}

void EngineGroup::selectVoice(const QString &name)
{
    listVoices();
    const auto owner = m_owner.constFind(name);
    if (owner == m_owner.constEnd())
        unknownVoice(name);
    m_engines[size_t(*owner)]->selectVoice(name);
    m_current = *owner;
}

int EngineGroup::sampleRate() const
{
    return m_engines.empty() ? 22050 : current().sampleRate();
}

bool EngineGroup::synthesize(const QString &text, const Params &params, const AudioSink &audio,
                             const WordSink &word)
{
    listVoices();
    return current().synthesize(text, params, audio, word);
}

VoiceLanguages EngineGroup::voiceLanguages(const QString &name) const
{
    const auto owner = m_owner.constFind(name);
    return owner == m_owner.constEnd() ? VoiceLanguages()
                                       : m_engines[size_t(*owner)]->voiceLanguages(name);
}

bool EngineGroup::estimatesWords(const QString &name) const
{
    const auto owner = m_owner.constFind(name);
    return owner != m_owner.constEnd() && m_engines[size_t(*owner)]->estimatesWords(name);
}

bool EngineGroup::playsItself() const
{
    return !m_engines.empty() && current().playsItself();
}

QList<EngineSetting> EngineGroup::settingList() const
{
    return m_engines.empty() ? QList<EngineSetting>() : current().settingList();
}

bool EngineGroup::hasDialog(int id) const
{
    return !m_engines.empty() && current().hasDialog(id);
}

void EngineGroup::showDialog(int id, QWidget *parent)
{
    current().showDialog(id, parent);
}
