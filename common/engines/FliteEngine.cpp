#include "FliteEngine.h"

#include "FliteBuiltinVoices.h"
#include "FliteVoiceFile.h"
#include "SpeechError.h"
#include "Utf8Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

extern "C" {
#include <flite/cst_cg.h>
#include <flite/flite.h>
void usenglish_init(cst_voice *v);
cst_lexicon *cmulex_init(void);
}

namespace {

// Audio goes to the sink in pieces of this many samples, so that a stop is noticed soon.
constexpr int ChunkSamples = 4096;
// Tokens in one utterance at most; flite's own reader uses the same bound.
constexpr int MaximumTokens = 500;

std::mutex s_fliteLock;

void initialiseLocked()
{
    static bool initialised = false;
    if (initialised)
        return;
    flite_init();
    // Voice files name their language; both of flite's names for US English.
    flite_add_lang("eng", usenglish_init, cmulex_init);
    flite_add_lang("usenglish", usenglish_init, cmulex_init);
    initialised = true;
}

// flite reports internal errors by exit() unless an error jump is set. These wrappers set one,
// so that a failure in the library becomes a null result instead of the end of the program.
// Only C frames lie between setjmp and a longjmp here.
cst_voice *guardedLoad(const char *path)
{
    jmp_buf env;
    jmp_buf *previous = cst_errjmp;
    cst_errjmp = &env;
    cst_voice *volatile voice = nullptr;
    if (setjmp(env) == 0)
        voice = flite_voice_load(path);
    cst_errjmp = previous;
    return voice;
}

cst_utterance *guardedSynthesis(cst_utterance *utterance, cst_voice *voice)
{
    jmp_buf env;
    jmp_buf *previous = cst_errjmp;
    cst_errjmp = &env;
    cst_utterance *volatile result = nullptr;
    // After a jump the half-made utterance is left alone: its state is unknown.
    if (setjmp(env) == 0)
        result = flite_do_synth(utterance, voice, utt_synth_tokens);
    cst_errjmp = previous;
    return result;
}

// Start of a word in seconds: the end of the segment before its first segment.
double wordStart(cst_item *word)
{
    cst_item *structure = item_as(word, "SylStructure");
    cst_item *syllable = structure ? item_daughter(structure) : nullptr;
    cst_item *segment = syllable ? item_daughter(syllable) : nullptr;
    cst_item *inSegments = segment ? item_as(segment, "Segment") : nullptr;
    if (!inSegments)
        return -1.0;
    cst_item *previous = item_prev(inSegments);
    return previous ? get_param_float(item_feats(previous), "end", -1.0f) : 0.0;
}

const char *const PitchKey = "pitch";
const char *const PitchRangeKey = "pitchRange";
const char *const DurationKey = "duration";

} // namespace

FliteEngine::FliteEngine(const QString &voiceFolder) : m_folder(voiceFolder) {}

std::unique_ptr<FliteEngine> FliteEngine::builtIn()
{
    auto engine = std::make_unique<FliteEngine>(QString());
    engine->m_builtIn = true;
    return engine;
}

FliteEngine::~FliteEngine()
{
    std::lock_guard lock(s_fliteLock);
    for (Voice &voice : m_voices)
        if (voice.owned)
            delete_voice(voice.voice);
}

FliteEngine::Voice FliteEngine::describe(cst_voice *loaded)
{
    Voice voice;
    voice.voice = loaded;
    voice.sampleRate = get_param_int(loaded->features, "sample_rate", 16000);
    if (const cst_val *db = get_param_val(loaded->features, "cg_db", nullptr)) {
        const cst_cg_db *cg = val_cg_db(db);
        if (cg->f0_mean > 0)
            voice.f0Mean = cg->f0_mean;
        if (cg->f0_stddev > 0)
            voice.f0Deviation = cg->f0_stddev;
    } else {
        // Diphone voices carry their pitch target as features instead.
        voice.f0Mean = get_param_float(loaded->features, "int_f0_target_mean", voice.f0Mean);
        voice.f0Deviation =
            get_param_float(loaded->features, "int_f0_target_stddev", voice.f0Deviation);
    }
    return voice;
}

double FliteEngine::durationStretch(int rate)
{
    // Each step is the same proportion: 2.5 times as fast at +10, 2.5 times as slow at -10,
    // close to what the standard voices span.
    return std::pow(2.5, -qBound(-10, rate, 10) / 10.0);
}

void FliteEngine::loadVoices() const
{
    std::lock_guard lock(s_fliteLock);
    loadVoicesLocked();
}

void FliteEngine::loadVoicesLocked() const
{
    if (m_voicesLoaded)
        return;
    m_voicesLoaded = true;
    initialiseLocked();

    if (m_builtIn) {
        for (const FliteBuiltinVoices::Voice &builtIn : FliteBuiltinVoices::loadLocked()) {
            Voice voice = describe(builtIn.voice);
            voice.name = builtIn.name;
            voice.owned = false;
            voice.language = builtIn.language;
            m_voices.push_back(voice);
        }
        if (m_voices.empty())
            m_loadProblem = QStringLiteral("No built-in flite voice is installed.");
        else
            m_current = 0;
        return;
    }

    const QDir dir(m_folder);
    if (m_folder.trimmed().isEmpty() || !dir.exists()) {
        m_loadProblem = QStringLiteral("The voice folder \"%1\" does not exist.").arg(m_folder);
        return;
    }
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.flitevox")}, QDir::Files,
                                                  QDir::Name | QDir::IgnoreCase);
    if (files.isEmpty()) {
        m_loadProblem = QStringLiteral("The folder \"%1\" holds no voice file.").arg(m_folder);
        return;
    }
    QStringList problems;
    for (const QFileInfo &file : files) {
        QString reason;
        if (!FliteVoiceFile::check(file.filePath(), &reason)) {
            problems.append(QStringLiteral("%1: %2").arg(file.fileName(), reason));
            continue;
        }
        cst_voice *loaded = guardedLoad(QFile::encodeName(file.filePath()).constData());
        if (!loaded) {
            problems.append(QStringLiteral("%1: flite could not load it").arg(file.fileName()));
            continue;
        }
        Voice voice = describe(loaded);
        voice.name = QStringLiteral("CereVoice ") + file.completeBaseName();
        m_voices.push_back(voice);
    }
    if (m_voices.empty())
        m_loadProblem = QStringLiteral("No voice in \"%1\" could be loaded (%2).")
                            .arg(m_folder, problems.join(QStringLiteral("; ")));
    else
        m_current = 0;
}

QString FliteEngine::loadProblem() const
{
    loadVoices();
    return m_loadProblem;
}

QStringList FliteEngine::voiceNames()
{
    loadVoices();
    QStringList names;
    for (const Voice &voice : m_voices)
        names.append(voice.name);
    return names;
}

QString FliteEngine::currentVoice() const
{
    loadVoices();
    return m_current >= 0 ? m_voices[size_t(m_current)].name : QString();
}

void FliteEngine::selectVoice(const QString &name)
{
    loadVoices();
    m_current = voiceIndex(m_voices, name);
}

int FliteEngine::sampleRate() const
{
    loadVoices();
    return m_current >= 0 ? m_voices[size_t(m_current)].sampleRate : 16000;
}

VoiceLanguages FliteEngine::voiceLanguages(const QString &name) const
{
    loadVoices();
    for (const Voice &voice : m_voices)
        if (voice.name == name && !voice.language.isEmpty())
            return {{voice.language, 5}};
    return {};
}

QList<EngineSetting> FliteEngine::settingList() const
{
    return {EngineSetting::percentage(QString::fromLatin1(PitchKey), QStringLiteral("Pitch"), -50,
                                      100, 0),
            EngineSetting::percentage(QString::fromLatin1(PitchRangeKey),
                                      QStringLiteral("Pitch variation"), 0, 300, 100),
            EngineSetting::percentage(QString::fromLatin1(DurationKey),
                                      QStringLiteral("Sound length"), 50, 200, 100)};
}

bool FliteEngine::hasDialog(int id) const
{
    return id == 0 || id == 13;
}

void FliteEngine::applyParams(const Voice &voice, const Params &params) const
{
    const QList<EngineSetting> settings = settingList();
    auto value = [&](int i) {
        return settings[i].clamp(params.settings.value(settings[i].key, settings[i].defaultValue));
    };
    const double pitch = 1.0 + value(0) / 100.0;
    const double range = value(1) / 100.0;
    const double duration = value(2) / 100.0;
    cst_features *features = voice.voice->features;
    flite_feat_set_float(features, "duration_stretch",
                         float(durationStretch(params.rate) * duration));
    flite_feat_set_float(features, "int_f0_target_mean", float(voice.f0Mean * pitch));
    flite_feat_set_float(features, "int_f0_target_stddev", float(voice.f0Deviation * range));
}

bool FliteEngine::synthesize(const QString &text, const Params &params, const AudioSink &audio,
                             const WordSink &word)
{
    std::lock_guard lock(s_fliteLock);
    loadVoicesLocked();
    if (m_current < 0)
        throw SpeechError(SpeechErrors::NoVoice, m_loadProblem.isEmpty()
                                                     ? QStringLiteral("No voice is loaded.")
                                                     : m_loadProblem);
    if (text.trimmed().isEmpty())
        return true;

    const Voice &voice = m_voices[size_t(m_current)];
    applyParams(voice, params);
    const int volume = qBound(1, params.volume, 99);
    const Utf8Text bytes(text);
    cst_features *features = voice.voice->features;

    cst_tokenstream *stream = ts_open_string(
        bytes.utf8.constData(),
        get_param_string(features, "text_whitespace", cst_ts_default_whitespacesymbols),
        get_param_string(features, "text_singlecharsymbols", cst_ts_default_singlecharsymbols),
        get_param_string(features, "text_prepunctuation", cst_ts_default_prepunctuationsymbols),
        get_param_string(features, "text_postpunctuation", cst_ts_default_postpunctuationsymbols));
    if (!stream)
        throw SpeechError(SpeechErrors::SynthesisFailed,
                          QStringLiteral("flite could not read the text."));
    const auto closeStream = qScopeGuard([stream] { ts_close(stream); });
    cst_breakfunc isBreak = default_utt_break;
    if (const cst_val *f = get_param_val(features, "utt_break", nullptr))
        isBreak = val_breakfunc(f);

    cst_utterance *utterance = nullptr;
    cst_relation *tokens = nullptr;
    int tokenCount = 0;
    const auto dropUtterance = qScopeGuard([&] {
        if (utterance)
            delete_utterance(utterance);
    });
    qint64 samplesDone = 0;
    std::vector<qint16> scaled;

    // Synthesises the tokens gathered so far and hands over their words and audio. Words
    // come first: each lies inside the audio that follows, so it is known before it plays.
    auto flush = [&]() -> bool {
        if (!utterance)
            return true;
        cst_utterance *pending = utterance;
        utterance = nullptr;
        if (!relation_head(tokens)) {
            delete_utterance(pending);
            return true;
        }
        cst_utterance *spoken = guardedSynthesis(pending, voice.voice);
        if (!spoken)
            throw SpeechError(SpeechErrors::SynthesisFailed,
                              QStringLiteral("flite could not synthesise the text."));
        const auto dropSpoken = qScopeGuard([spoken] { delete_utterance(spoken); });
        const cst_wave *wave = utt_wave(spoken);
        if (!wave || wave->num_samples <= 0)
            return true;
        const int rate = wave->sample_rate > 0 ? wave->sample_rate : voice.sampleRate;
        for (cst_item *token = relation_head(utt_relation(spoken, "Token")); token;
             token = item_next(token)) {
            const int start = get_param_int(item_feats(token), "text_start", -1);
            const int end = get_param_int(item_feats(token), "text_end", -1);
            if (start < 0 || end <= start)
                continue;
            double seconds = -1.0;
            for (cst_item *w = item_daughter(token); w && seconds < 0; w = item_next(w))
                seconds = wordStart(w);
            if (seconds < 0)
                continue; // nothing of it is spoken
            const qint64 offset =
                std::clamp<qint64>(std::llround(seconds * rate), 0, wave->num_samples - 1);
            const int position = bytes.index[size_t(start)];
            word(samplesDone + offset, position, bytes.index[size_t(end)] - position);
        }
        for (int at = 0; at < wave->num_samples; at += ChunkSamples) {
            const int count = std::min(ChunkSamples, wave->num_samples - at);
            bool more;
            if (volume >= 99) {
                more = audio(wave->samples + at, count);
            } else {
                scaleVolume(wave->samples + at, count, volume, scaled);
                more = audio(scaled.data(), count);
            }
            if (!more)
                return false;
        }
        samplesDone += wave->num_samples;
        return true;
    };

    // flite's own reading loop, keeping where each token lies in the text.
    int searchFrom = 0;
    while (!ts_eof(stream)) {
        const char *token = ts_get(stream);
        if (!token || !*token) {
            // A token that was all punctuation: flite ends the utterance there too.
            if (!flush())
                return false;
            continue;
        }
        if (utterance && (tokenCount >= MaximumTokens ||
                          (relation_head(tokens) && isBreak(stream, token, tokens)))) {
            if (!flush())
                return false;
        }
        if (!utterance) {
            utterance = new_utterance();
            tokens = utt_relation_create(utterance, "Token");
            tokenCount = 0;
        }
        cst_item *item = relation_append(tokens, nullptr);
        item_set_string(item, "name", token);
        item_set_string(item, "whitespace", stream->whitespace);
        item_set_string(item, "prepunctuation", stream->prepunctuation);
        item_set_string(item, "punc", stream->postpunctuation);
        // Tokens come in text order, each after the punctuation before it.
        const int length = int(std::strlen(token));
        const int at = int(bytes.utf8.indexOf(QByteArrayView(token, length), searchFrom));
        if (at >= 0) {
            item_set_int(item, "text_start", at);
            item_set_int(item, "text_end", at + length);
            searchFrom = at + length;
        }
        ++tokenCount;
    }
    return flush();
}
