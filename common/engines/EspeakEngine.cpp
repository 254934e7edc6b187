#include "EspeakEngine.h"

#include "SpeechError.h"
#include "Utf8Text.h"

#include <QHash>
#include <cmath>
#include <cstring>
#include <espeak-ng/speak_lib.h>
#include <exception>
#include <mutex>
#include <vector>

namespace {

// Short buffers so that the first audio of an utterance arrives quickly.
constexpr int BufferMilliseconds = 60;

// espeak-ng has one global state: this lock is held around every call into it, and the
// fields below belong to it.
std::mutex s_espeakLock;
int s_sampleRate = 0; // 0 until initialised
QByteArray s_loadedVoice;

// Initialises espeak-ng once per process; s_espeakLock must be held.
void initialiseLocked()
{
    if (s_sampleRate > 0)
        return;
    // DONT_EXIT: without it a missing data folder ends the whole process.
    const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, BufferMilliseconds, nullptr,
                                       espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0)
        throw SpeechError(SpeechErrors::SynthesisFailed,
                          QStringLiteral("The espeak-ng speech data could not be loaded."));
    s_sampleRate = rate;
}

// State of one synthesize() call, reached from espeak's C callback through user_data.
struct Synthesis
{
    const Engine::AudioSink *audio = nullptr;
    const Engine::WordSink *word = nullptr;
    const QString *text = nullptr;
    // offsets[i] is the QString index of code point i; one extra entry holds the length.
    std::vector<int> offsets;
    int volume = 99;
    std::vector<qint16> scaled;
    int lastPosition = -1;
    bool aborted = false;
    std::exception_ptr error;

    void reportWord(const espeak_EVENT &event);
    bool deliverAudio(const short *samples, int count);
};

void Synthesis::reportWord(const espeak_EVENT &event)
{
    // espeak counts text_position in code points from 1 and sometimes reports words of
    // length 0 (pauses, markup leftovers): those have nothing to highlight.
    const int codePoints = int(offsets.size()) - 1;
    const int first = event.text_position - 1;
    if (event.length <= 0 || first < 0 || first >= codePoints)
        return;
    const int last = std::min(first + event.length, codePoints);
    const int position = offsets[first];
    const int length = offsets[last] - position;
    // A symbol spoken as several words (an emoji's name) reports the following words at the
    // blank after it, and some words are reported twice: neither is a new word to show.
    if (position == lastPosition)
        return;
    bool blank = true;
    for (int i = position; i < position + length && blank; ++i)
        blank = text->at(i).isSpace();
    if (blank)
        return;
    lastPosition = position;
    (*word)(event.sample, position, length);
}

bool Synthesis::deliverAudio(const short *samples, int count)
{
    if (volume >= 99)
        return (*audio)(samples, count);
    // Scale the PCM itself: espeak's own amplitude setting is not linear and compresses loud
    // passages.
    scaleVolume(samples, count, volume, scaled);
    return (*audio)(scaled.data(), count);
}

int synthCallback(short *samples, int count, espeak_EVENT *events)
{
    auto *synthesis = events ? static_cast<Synthesis *>(events->user_data) : nullptr;
    if (!synthesis)
        return 0;
    if (synthesis->aborted)
        return 1;
    // Exceptions must not unwind through espeak's C frames: keep it and abort.
    try {
        // Words first: each lies inside this buffer, so it is known before its audio can
        // be played.
        for (const espeak_EVENT *e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
            if (e->type == espeakEVENT_WORD)
                synthesis->reportWord(*e);
        }
        if (samples && count > 0 && !synthesis->deliverAudio(samples, count))
            synthesis->aborted = true;
    } catch (...) {
        synthesis->error = std::current_exception();
        synthesis->aborted = true;
    }
    return synthesis->aborted ? 1 : 0;
}

// The UTF-8 form of a text as espeak reads it, and the QString index of every code point.
QByteArray prepareText(const QString &text, std::vector<int> &offsets)
{
    QString copy = text;
    // A NUL would end espeak's text early; a blank keeps every position in place.
    copy.replace(QChar(0), QLatin1Char(' '));
    offsets.clear();
    offsets.reserve(copy.size() + 1);
    for (int i = 0; i < copy.size(); ++i) {
        offsets.push_back(i);
        // A surrogate pair is one code point; a lone surrogate becomes one replacement
        // character in UTF-8, so it also counts as one.
        if (copy.at(i).isHighSurrogate() && i + 1 < copy.size() && copy.at(i + 1).isLowSurrogate())
            ++i;
    }
    offsets.push_back(int(copy.size()));
    return copy.toUtf8();
}

QString readableName(const char *name, const QByteArray &identifier)
{
    QString result = QString::fromUtf8(name ? name : "").trimmed();
    result.replace(QLatin1Char('_'), QLatin1Char(' '));
    return result.isEmpty() ? QString::fromUtf8(identifier) : result;
}

// The voice's languages as espeak lists them: a priority byte before each name, ended by a
// zero byte.
QList<QPair<int, QByteArray>> languagesOf(const espeak_VOICE &voice)
{
    QList<QPair<int, QByteArray>> result;
    const char *p = voice.languages;
    while (p && *p) {
        const int priority = static_cast<unsigned char>(*p++);
        const QByteArray language(p);
        result.append({priority, language});
        p += language.size() + 1;
    }
    return result;
}

} // namespace

EspeakEngine::EspeakEngine() = default;
EspeakEngine::~EspeakEngine() = default;

int EspeakEngine::wordsPerMinute(int rate)
{
    // Exponential on each side of the default, so that every step changes the speed by the
    // same proportion:
    //   rate >= 0: wpm = 175 * (450 / 175) ^ (rate / 10)
    //   rate <  0: wpm = 175 * (80 / 175) ^ (-rate / 10)
    // giving 80 at -10, 175 (espeak-ng's default) at 0 and 450 at +10.
    rate = qBound(-10, rate, 10);
    const double top = rate >= 0 ? double(espeakRATE_MAXIMUM) : double(espeakRATE_MINIMUM);
    const double wpm = espeakRATE_NORMAL * std::pow(top / espeakRATE_NORMAL, std::abs(rate) / 10.0);
    return int(std::lround(wpm));
}

void EspeakEngine::loadVoices() const
{
    if (m_voicesLoaded)
        return;
    QList<QPair<QString, QList<QPair<int, QByteArray>>>> found;
    QList<QByteArray> identifiers;
    {
        std::lock_guard lock(s_espeakLock);
        initialiseLocked();
        const espeak_VOICE **voices = espeak_ListVoices(nullptr);
        for (int i = 0; voices && voices[i]; ++i) {
            const QByteArray identifier(voices[i]->identifier ? voices[i]->identifier : "");
            if (identifier.isEmpty())
                continue;
            identifiers.append(identifier);
            found.append({readableName(voices[i]->name, identifier), languagesOf(*voices[i])});
        }
    }

    // Names that espeak gives to more than one voice get the first language, and, should
    // that not separate them, the voice file, so every name is distinct and stable.
    const auto countNames = [](const QStringList &names) {
        QHash<QString, int> count;
        for (const auto &name : names)
            ++count[name];
        return count;
    };
    QStringList names;
    for (const auto &voice : std::as_const(found))
        names.append(voice.first);
    const QHash<QString, int> baseCount = countNames(names);
    for (int i = 0; i < names.size(); ++i) {
        if (baseCount.value(names[i]) > 1 && !found[i].second.isEmpty())
            names[i] += QStringLiteral(" [%1]").arg(QString::fromUtf8(found[i].second[0].second));
    }
    const QHash<QString, int> languageCount = countNames(names);
    QList<Voice> voices;
    for (int i = 0; i < names.size(); ++i) {
        const QString name =
            languageCount.value(names[i]) > 1
                ? QStringLiteral("%1 [%2]").arg(found[i].first, QString::fromUtf8(identifiers[i]))
                : names[i];
        VoiceLanguages languages;
        for (const auto &[priority, language] : found[i].second)
            languages.append({QString::fromUtf8(language).toLower(), priority});
        voices.append({name, identifiers[i], languages});
    }

    // Start with espeak's preferred voice for plain English, as its own command line does.
    int best = -1;
    int bestPriority = 256;
    for (int i = 0; i < found.size(); ++i) {
        for (const auto &[priority, language] : found[i].second) {
            const bool english = language == "en";
            const bool regional = language.startsWith("en-");
            const int score = english ? priority : regional ? 100 + priority : 256;
            if (score < bestPriority) {
                bestPriority = score;
                best = i;
            }
        }
    }
    m_voices = voices;
    m_current = best >= 0 ? best : (voices.isEmpty() ? -1 : 0);
    m_voicesLoaded = true;
}

QStringList EspeakEngine::voiceNames()
{
    loadVoices();
    QStringList names;
    names.reserve(m_voices.size());
    for (const auto &voice : std::as_const(m_voices))
        names.append(voice.name);
    return names;
}

QString EspeakEngine::currentVoice() const
{
    loadVoices();
    return m_current >= 0 ? m_voices[m_current].name : QString();
}

void EspeakEngine::selectVoice(const QString &name)
{
    loadVoices();
    m_current = voiceIndex(m_voices, name);
}

VoiceLanguages EspeakEngine::voiceLanguages(const QString &name) const
{
    loadVoices();
    for (const Voice &voice : std::as_const(m_voices))
        if (voice.name == name)
            return voice.languages;
    return {};
}

int EspeakEngine::sampleRate() const
{
    std::lock_guard lock(s_espeakLock);
    initialiseLocked();
    return s_sampleRate;
}

bool EspeakEngine::synthesize(const QString &text, const Params &params, const AudioSink &audio,
                              const WordSink &word)
{
    loadVoices();
    if (m_current < 0)
        throw SpeechError(SpeechErrors::NoVoice,
                          QStringLiteral("espeak-ng has no voice to speak with."));
    if (text.trimmed().isEmpty())
        return true;

    Synthesis synthesis;
    synthesis.audio = &audio;
    synthesis.word = &word;
    synthesis.text = &text;
    synthesis.volume = qBound(1, params.volume, 99);
    const QByteArray utf8 = prepareText(text, synthesis.offsets);

    std::lock_guard lock(s_espeakLock);
    initialiseLocked();
    espeak_SetSynthCallback(synthCallback);

    // Another engine instance may have spoken with other settings since our last utterance.
    const QByteArray &identifier = m_voices[m_current].identifier;
    if (s_loadedVoice != identifier) {
        s_loadedVoice.clear();
        if (espeak_SetVoiceByName(identifier.constData()) != EE_OK)
            throw SpeechError(SpeechErrors::SynthesisFailed,
                              QStringLiteral("The voice \"%1\" could not be loaded.")
                                  .arg(m_voices[m_current].name));
        s_loadedVoice = identifier;
    }
    espeak_SetParameter(espeakRATE, wordsPerMinute(params.rate), 0);
    espeak_SetParameter(espeakVOLUME, espeak_GetParameter(espeakVOLUME, 0), 0);
    const Settings settings = settingsFor(params);
    espeak_SetParameter(espeakPITCH, qBound(0, settings.pitch, 100), 0);
    espeak_SetParameter(espeakRANGE, qBound(0, settings.pitchRange, 100), 0);
    espeak_SetParameter(espeakWORDGAP, qMax(0, settings.wordGap), 0);
    espeak_SetParameter(espeakPUNCTUATION, qBound(0, settings.punctuation, 2), 0);
    // "Some" names the marks that change what a sentence says but leaves the ones that
    // only pace it (full stop, comma, question and exclamation marks) to the intonation.
    if (settings.punctuation == 2)
        espeak_SetPunctuationList(L"\"()[]{}<>/\\;:-_*&#@%+=~|");
    espeak_SetParameter(espeakCAPITALS, 0, 0);

    // Plain UTF-8: no SSML flag, so '<' and '&' are read as text, and no phoneme flag, so
    // "[[" is read as text too.
    const espeak_ERROR result =
        espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, &synthesis);
    if (synthesis.error)
        std::rethrow_exception(synthesis.error);
    if (synthesis.aborted)
        return false;
    if (result != EE_OK)
        throw SpeechError(
            SpeechErrors::SynthesisFailed,
            QStringLiteral("espeak-ng could not synthesise the text (error %1).").arg(int(result)));
    return true;
}

QList<EngineSetting> EspeakEngine::settingList() const
{
    const Settings defaults;
    EngineSetting pitch;
    pitch.key = QStringLiteral("pitch");
    pitch.label = QStringLiteral("Pitch");
    pitch.defaultValue = defaults.pitch;

    EngineSetting range;
    range.key = QStringLiteral("pitchRange");
    range.label = QStringLiteral("Pitch range");
    range.defaultValue = defaults.pitchRange;

    EngineSetting gap;
    gap.key = QStringLiteral("wordGap");
    gap.label = QStringLiteral("Pause between words (10 ms steps)");
    gap.maximum = 100; // up to a second
    gap.defaultValue = defaults.wordGap;

    EngineSetting punctuation;
    punctuation.key = QStringLiteral("punctuation");
    punctuation.label = QStringLiteral("Speak punctuation");
    punctuation.choices = {QStringLiteral("None"), QStringLiteral("All"), QStringLiteral("Some")};
    punctuation.defaultValue = defaults.punctuation;
    return {pitch, range, gap, punctuation};
}

bool EspeakEngine::hasDialog(int id) const
{
    return id == 0 || id == 13;
}

EspeakEngine::Settings EspeakEngine::settingsFor(const Params &params) const
{
    Settings result = m_settings;
    const QList<EngineSetting> list = settingList();
    int *fields[] = {&result.pitch, &result.pitchRange, &result.wordGap, &result.punctuation};
    for (int i = 0; i < list.size(); ++i) {
        if (params.settings.contains(list[i].key))
            *fields[i] = list[i].clamp(params.settings.value(list[i].key));
    }
    return result;
}
