#include "TimedSpeech.h"

#include "AudioFileWriter.h"
#include "SentenceChunker.h"

#include <QRegularExpression>
#include <algorithm>
#include <utility>

namespace {

bool saysSomething(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

} // namespace

void TimedSpeech::learnWords(const QString &text)
{
    // The first words of the text, spoken aside: the voice either names them or not. Their
    // audio is not kept, so what is written is spoken exactly as it would be otherwise.
    const QString simplified = text.simplified();
    qsizetype end = simplified.indexOf(QLatin1Char(' '), 24);
    const QString sample = simplified.left(end < 0 ? simplified.size() : end);
    if (!saysSomething(sample))
        return;
    bool heard = false;
    m_control.speakText(
        sample, m_rate, [](const qint16 *, int) {}, [&heard](qint64, int, int) { heard = true; });
    m_words = heard ? Words::Reported : Words::Missing;
}

void TimedSpeech::speakWithPause(const QString &text, const SpeechControl::AudioSink &audio,
                                 const MarkSink &marks)
{
    // A text spoken in pieces is to sound, and be timed, as one reading whatever its joins.
    // An engine pauses after a sentence only when another follows, and before the first
    // word of a text as long as it likes: so a word is let follow each piece, whose audio
    // runs from where its first word starts to where the follower starts.
    static const QRegularExpression word(QStringLiteral("\\w+"));
    const QString follower = word.match(text).captured();
    if (follower.isEmpty()) {
        m_control.speakText(text, m_rate, audio, marks);
        return;
    }
    qint64 produced = 0;
    qint64 begin = -1;
    qint64 end = -1;
    // What comes before the first word, in case the voice names none after all.
    std::vector<qint16> before;
    m_control.speakText(
        text + QLatin1Char(' ') + follower, m_rate,
        [&](const qint16 *samples, int count) {
            const qint64 start = std::exchange(produced, produced + count);
            // Words are told before the audio they lie in, so both ends are known in time.
            if (begin < 0) {
                before.insert(before.end(), samples, samples + count);
                return;
            }
            const qint64 from = qMax(begin, start);
            const qint64 to = end < 0 ? produced : qBound(from, end, produced);
            if (to > from)
                audio(samples + (from - start), int(to - from));
        },
        [&](qint64 sample, int position, int length) {
            if (position >= text.size()) {
                if (end < 0)
                    end = sample;
            } else {
                if (begin < 0) {
                    begin = sample;
                    before.clear();
                }
                marks(sample - begin, position, length);
            }
        });
    if (!before.empty())
        audio(before.data(), int(before.size()));
}

void TimedSpeech::speak(const QString &text, const SpeechControl::AudioSink &audio,
                        const MarkSink &marks)
{
    if (m_words == Words::Unknown)
        learnWords(text);
    if (m_words != Words::Missing) {
        speakWithPause(text, audio, marks);
        return;
    }
    // Each sentence is spoken on its own and starts where the audio before it ends.
    qint64 samples = 0;
    const SpeechControl::AudioSink counted = [&](const qint16 *data, int count) {
        samples += count;
        audio(data, count);
    };
    int at = 0;
    for (const QString &sentence : SentenceChunker::split(text, 1, text.size() + 1)) {
        if (saysSomething(sentence)) {
            qsizetype lead = 0;
            while (sentence.at(lead).isSpace())
                ++lead;
            marks(samples, at + int(lead), int(sentence.trimmed().size()));
        }
        m_control.speakText(sentence, m_rate, counted);
        at += int(sentence.size());
    }
}

void TimedSpeech::speakInto(const QString &text, AudioFileWriter &writer, SpeechTimeline &timeline)
{
    timeline = SpeechTimeline();
    timeline.sampleRate = m_rate;
    speak(
        text,
        [&](const qint16 *samples, int count) {
            writer.write(samples, count);
            timeline.samples += count;
        },
        [&](qint64 sample, int position, int length) {
            timeline.marks.push_back({sample, position, length});
        });
    timeline.bySentence = bySentence();
}
