#include "EngineGroup.h"

#include "EspeakEngine.h"
#include "FliteEngine.h"
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
    // The first engine with a voice speaks until a voice is chosen.
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
        throw SpeechError(SpeechErrors::UnknownVoice,
                          QStringLiteral("The voice \"%1\" is not available.").arg(name));
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
