#include "FestivalEngine.h"

#include "FestivalLibrary.h"
#include "Resampler.h"
#include "SentenceChunker.h"
#include "SpeechError.h"
#include "Utf8Text.h"

#include <algorithm>
#include <cmath>

namespace {
// Audio goes to the sink in pieces of this many samples, so that a stop is noticed soon.
constexpr int ChunkSamples = 4096;
// A sentence longer than this is spoken in parts cut at spaces: Festival's time and memory
// grow with the utterance, and the listener waits for all of it.
constexpr int MaximumUtterance = 1000;

const char *const PitchKey = "pitch";
} // namespace

FestivalEngine::FestivalEngine(const QString &voiceFolder) : m_folder(voiceFolder) {}

double FestivalEngine::speed(int rate)
{
    // The same proportion per step as the other engines: 2.5 times as fast at +10.
    return std::pow(2.5, qBound(-10, rate, 10) / 10.0);
}

void FestivalEngine::load() const
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_voices = FestivalVoiceFolder::find(m_folder);
}

QStringList FestivalEngine::voiceNames()
{
    load();
    QStringList names;
    for (const FestivalVoiceFolder::Voice &voice : std::as_const(m_voices))
        names.append(voice.name);
    if (m_current < 0 && !m_voices.isEmpty())
        m_current = 0;
    return names;
}

QString FestivalEngine::currentVoice() const
{
    load();
    if (m_voices.isEmpty())
        return {};
    return m_voices[std::max(m_current, 0)].name;
}

void FestivalEngine::selectVoice(const QString &name)
{
    load();
    m_current = voiceIndex(m_voices, name);
}

int FestivalEngine::sampleRate() const
{
    load();
    if (m_voices.isEmpty())
        return 16000;
    return FestivalLibrary::instance().prepare(m_voices[std::max(m_current, 0)].id);
}

VoiceLanguages FestivalEngine::voiceLanguages(const QString &name) const
{
    load();
    for (const FestivalVoiceFolder::Voice &voice : std::as_const(m_voices))
        if (voice.name == name && !voice.language.isEmpty())
            return {{voice.language, 5}};
    return {};
}

QList<EngineSetting> FestivalEngine::settingList() const
{
    return {EngineSetting::percentage(QString::fromLatin1(PitchKey), QStringLiteral("Pitch"), -30,
                                      50, 0)};
}

bool FestivalEngine::hasDialog(int id) const
{
    return id == 0 || id == 13;
}

bool FestivalEngine::synthesize(const QString &text, const Params &params, const AudioSink &audio,
                                const WordSink &word)
{
    load();
    if (m_voices.isEmpty())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("No Festival voice is installed."));
    const QByteArray voice = m_voices[std::max(m_current, 0)].id;
    const EngineSetting pitchSetting = settingList().first();
    const double pitch =
        1.0 + pitchSetting.clamp(params.settings.value(pitchSetting.key, 0)) / 100.0;
    const int volume = qBound(1, params.volume, 99);
    FestivalLibrary &festival = FestivalLibrary::instance();
    const int outputRate = festival.prepare(voice);

    qint64 samplesDone = 0;
    int offset = 0;
    std::vector<qint16> shifted;
    std::vector<qint16> scaled;
    for (const QString &sentence : SentenceChunker::split(text, 1, MaximumUtterance)) {
        const int start = offset;
        offset += int(sentence.size());
        if (std::none_of(sentence.begin(), sentence.end(),
                         [](QChar c) { return c.isLetterOrNumber(); }))
            continue; // nothing a voice would say
        const Utf8Text bytes(sentence);
        FestivalLibrary::Speech speech =
            festival.speak(voice, bytes.utf8, speed(params.rate), pitch);

        // Audio made slower for a pitch the voice cannot raise itself is played faster.
        const int madeAt = int(std::lround(speech.sampleRate * speech.pitchLeft));
        const std::vector<qint16> *samples = &speech.samples;
        if (madeAt != outputRate) {
            Resampler resampler(madeAt, outputRate);
            shifted.clear();
            resampler.process(speech.samples.data(), int(speech.samples.size()), shifted);
            resampler.flush(shifted);
            samples = &shifted;
        }
        const double scale = double(outputRate) / madeAt;
        const qint64 last = std::max<qint64>(qint64(samples->size()) - 1, 0);
        // Words first: each lies inside the audio that follows, so it is known before it plays.
        for (const FestivalLibrary::Word &spoken : speech.words) {
            const int position = start + bytes.index[size_t(spoken.start)];
            const int length = bytes.index[size_t(spoken.end)] - bytes.index[size_t(spoken.start)];
            word(samplesDone + std::min(std::llround(spoken.sample * scale), last), position,
                 length);
        }
        for (size_t at = 0; at < samples->size(); at += ChunkSamples) {
            const int count = int(std::min<size_t>(ChunkSamples, samples->size() - at));
            const qint16 *chunk = samples->data() + at;
            if (volume < 99) {
                scaleVolume(chunk, count, volume, scaled);
                chunk = scaled.data();
            }
            if (!audio(chunk, count))
                return false;
        }
        samplesDone += qint64(samples->size());
    }
    return true;
}
