#include "FestivalLibrary.h"

#include "FestivalVoiceFolder.h"
#include "SpeechError.h"

#include <algorithm>
#include <cmath>

#include <festival/festival.h>
#include <speech_tools/EST_wave_aux.h>

namespace {

// Cells of Festival's Lisp heap: room for the largest utterance of a reading without the
// ten million cells (and their memory) of Festival's own program.
constexpr int HeapCells = 1000000;

// Everything is asked of Festival through whole expressions that it evaluates itself: its
// evaluator marks the stack from where it was entered, so a Lisp object made or held outside
// one could be collected under our feet. Results come back through global variables.
const char *const Helpers = R"lisp((begin
(defvar parlance_hts nil)
(defvar parlance_lr nil)
(define (parlance_without params keys)
  (cond
   ((null params) nil)
   ((member_string (car (car params)) keys) (parlance_without (cdr params) keys))
   (t (cons (car params) (parlance_without (cdr params) keys)))))
(define (parlance_scaled_f0 params factor)
  (mapcar
   (lambda (p)
     (if (string-equal (car p) "target_f0_mean") (list (car p) (* factor (car (cdr p)))) p))
   params))
(define (parlance_select name)
  (voice.select name)
  (set! parlance_hts (if (equal? (Parameter.get 'Synth_Method) 'HTS) hts_engine_params nil))
  (set! parlance_lr
        (if (and (not parlance_hts) (equal? (Parameter.get 'Int_Target_Method) Int_Targets_LR))
            int_lr_params
            nil))
  t)
(define (parlance_prosody speed pitch)
  (if parlance_hts
      (begin
       (Parameter.set 'Duration_Stretch 1.0)
       (set! hts_engine_params (cons (list "-r" speed) (parlance_without parlance_hts '("-r")))))
      (Parameter.set 'Duration_Stretch (/ 1.0 speed)))
  (if parlance_lr (set! int_lr_params (parlance_scaled_f0 parlance_lr pitch))))
(define (parlance_speak text)
  (set! parlance_utt (utt.synth (eval (list 'Utterance 'Text text))))
  (set! parlance_wave (utt.wave parlance_utt))
  t)
t))lisp";

bool evaluate(const QByteArray &expression)
{
    return festival_eval_command(EST_String(expression.constData())) != 0;
}

// The text as a Lisp string literal.
QByteArray quoted(const QByteArray &utf8)
{
    QByteArray out;
    out.reserve(utf8.size() + 8);
    out += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\')
            out += '\\';
        // A control character is a blank to the voice; one byte keeps every offset.
        out += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
    }
    out += '"';
    return out;
}

// Where a word starts, in seconds: the end of the segment before its first one.
double wordStart(EST_Item *word)
{
    EST_Item *syllable = daughter1(as(word, "SylStructure"));
    EST_Item *segment = syllable ? as(daughter1(syllable), "Segment") : nullptr;
    if (!segment)
        return -1.0;
    EST_Item *before = iprev(segment);
    return before ? before->F("end", 0.0) : 0.0;
}

SpeechError failure(const QString &what)
{
    return SpeechError(SpeechErrors::SynthesisFailed, what);
}

} // namespace

FestivalLibrary &FestivalLibrary::instance()
{
    // Never destroyed: Festival's own globals may go first at exit.
    static FestivalLibrary *library = new FestivalLibrary;
    return *library;
}

void FestivalLibrary::start()
{
    if (m_started)
        return;
    // Festival ends the process when its start-up files are missing; without them it is
    // not started at all, and one failed start is not repeated.
    if (m_startFailed || FestivalVoiceFolder::standard().isEmpty())
        throw SpeechError(SpeechErrors::NoVoice, QStringLiteral("Festival is not installed."));
    m_startFailed = true;
    festival_initialize(1, HeapCells);
    if (!evaluate(Helpers))
        throw failure(QStringLiteral("Festival could not be prepared."));
    m_startFailed = false;
    m_started = true;
}

void FestivalLibrary::select(const QByteArray &voice)
{
    start();
    if (voice == m_voice)
        return;
    const bool plainName = !voice.isEmpty() && std::all_of(voice.begin(), voice.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
    m_voice.clear();
    if (!plainName || !evaluate("(parlance_select \"" + voice + "\")"))
        throw failure(
            QStringLiteral("Festival could not load the voice %1.").arg(QString::fromUtf8(voice)));
    m_voice = voice;
    m_ownPitch = siod_get_lval("parlance_lr", nullptr) != NIL;
}

int FestivalLibrary::prepare(const QByteArray &voice)
{
    int known = 0;
    m_thread.run([&] { known = m_sampleRates.value(voice); });
    // A voice's rate shows in its audio; a word is enough.
    return known > 0 ? known : speak(voice, "a", 1.0, 1.0).sampleRate;
}

FestivalLibrary::Speech FestivalLibrary::speak(const QByteArray &voice, const QByteArray &utf8,
                                               double speed, double pitch)
{
    Speech speech;
    m_thread.run([&] {
        select(voice);
        // A voice that cannot change its pitch itself speaks slower by the change, so that
        // played back faster it comes out at the asked pace and pitch.
        const double pace = m_ownPitch ? speed : speed / pitch;
        const QByteArray prosody = "(parlance_prosody " + QByteArray::number(pace, 'f', 4) + " " +
                                   QByteArray::number(pitch, 'f', 4) + ")";
        if (!evaluate(prosody) || !evaluate("(parlance_speak " + quoted(utf8) + ")"))
            throw failure(QStringLiteral("Festival could not speak the text."));
        const LISP spokenUtterance = siod_get_lval("parlance_utt", nullptr);
        const LISP spokenWave = siod_get_lval("parlance_wave", nullptr);
        if (!utterance_p(spokenUtterance) || !wave_p(spokenWave))
            throw failure(QStringLiteral("Festival gave no audio."));
        EST_Utterance *utt = utterance(spokenUtterance);
        EST_Wave *audio = wave(spokenWave);

        speech.sampleRate = audio->sample_rate();
        speech.pitchLeft = m_ownPitch ? 1.0 : pitch;
        speech.samples.resize(size_t(std::max(audio->num_samples(), 0)));
        for (size_t i = 0; i < speech.samples.size(); ++i)
            speech.samples[i] = audio->a_no_check(int(i));
        m_sampleRates.insert(voice, speech.sampleRate);

        if (!utt->relation_present("Token"))
            return;
        // Tokens come in text order; each is found after the one before it.
        qsizetype cursor = 0;
        const qint64 last = std::max<qint64>(qint64(speech.samples.size()) - 1, 0);
        for (EST_Item *token = utt->relation("Token")->head(); token; token = inext(token)) {
            const EST_String name = token->name();
            if (name.length() == 0)
                continue;
            const qsizetype at = utf8.indexOf(QByteArrayView(name.str(), name.length()), cursor);
            if (at < 0)
                continue;
            cursor = at + name.length();
            double seconds = -1.0;
            for (EST_Item *word = daughter1(token); word && seconds < 0; word = inext(word))
                seconds = wordStart(word);
            if (seconds < 0)
                continue; // nothing of it is spoken
            const qint64 sample =
                std::clamp<qint64>(std::llround(seconds * speech.sampleRate), 0, last);
            speech.words.push_back({sample, int(at), int(cursor)});
        }
    });
    return speech;
}
