#include "ReadAlongCues.h"

#include <algorithm>

namespace {

bool isBlank(QChar c)
{
    // Pictures stand in the text as object replacement characters; nothing is said of them.
    return c.isSpace() || c == QChar::ObjectReplacementCharacter;
}

bool endsLine(QChar c)
{
    return c == QLatin1Char('\n') || c == QChar::ParagraphSeparator || c == QChar::LineSeparator ||
           c == QLatin1Char('\r');
}

bool isStop(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('?') ||
           c == QChar(0x2026);
}

bool isClosing(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char(')') ||
           c == QLatin1Char(']') || c == QChar(0x201D) || c == QChar(0x2019) || c == QChar(0xBB);
}

// The words of one sentence with the time each starts, from the marks at or before it.
QList<ReadAlongCue::Word> wordsOf(const QString &text, qsizetype from, qsizetype to,
                                  const std::vector<SpeechTimeline::Mark> &marks, size_t &next)
{
    QList<ReadAlongCue::Word> words;
    qsizetype at = from;
    while (at < to) {
        while (at < to && isBlank(text.at(at)))
            ++at;
        qsizetype end = at;
        while (end < to && !isBlank(text.at(end)))
            ++end;
        if (end == at)
            break;
        ReadAlongCue::Word word{text.mid(at, end - at), -1, at, end - at};
        // A word the voice said is the first mark within it, or one in the gap before it.
        for (; next < marks.size() && marks[next].position < end; ++next)
            if (word.sample < 0)
                word.sample = marks[next].sample;
        words.append(word);
        at = end;
    }
    return words;
}

// Where to cut a long sentence's words: at timed words near even shares of its length.
QList<qsizetype> cutsOf(const QList<ReadAlongCue::Word> &words, qsizetype longest)
{
    QList<qsizetype> cuts;
    if (longest <= 0 || words.isEmpty())
        return cuts;
    const qsizetype from = words.first().position;
    const qsizetype length = words.last().position + words.last().length - from;
    const qsizetype parts = (length + longest - 1) / longest;
    for (qsizetype k = 1; k < parts; ++k) {
        const qsizetype target = from + k * length / parts;
        qsizetype best = -1;
        for (qsizetype i = (cuts.isEmpty() ? 0 : cuts.last()) + 1; i < words.size(); ++i)
            if (words.at(i).sample >= 0 && (best < 0 || qAbs(words.at(i).position - target) <
                                                            qAbs(words.at(best).position - target)))
                best = i;
        if (best > 0)
            cuts.append(best);
    }
    return cuts;
}

} // namespace

QString ReadAlongCue::text() const
{
    QStringList parts;
    for (const Word &word : words)
        parts.append(word.text);
    return parts.join(QLatin1Char(' '));
}

namespace {
bool isListLabel(QStringView before)
{
    if (before.isEmpty() || before.size() > 3)
        return false;
    return std::all_of(before.begin(), before.end(), [](QChar c) { return c.isDigit(); }) ||
           (before.size() == 1 && before.at(0).isLetter());
}
} // namespace

QList<std::pair<qsizetype, qsizetype>> ReadAlongCues::sentences(const QString &text)
{
    QList<std::pair<qsizetype, qsizetype>> found;
    const auto add = [&](qsizetype from, qsizetype to) {
        while (from < to && isBlank(text.at(from)))
            ++from;
        while (to > from && isBlank(text.at(to - 1)))
            --to;
        if (to > from)
            found.append({from, to - from});
    };
    // A sentence ends at a full stop, question or exclamation mark followed by a space,
    // with the quotes and brackets that close it; and at the end of every paragraph, so that
    // none runs over from one paragraph, heading or table cell into the next.
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (endsLine(text.at(i))) {
            add(start, i);
            start = i + 1;
        } else if (isStop(text.at(i))) {
            qsizetype end = i + 1;
            while (end < text.size() && (isStop(text.at(end)) || isClosing(text.at(end))))
                ++end;
            if (end < text.size() && !text.at(end).isSpace())
                continue;
            // A list item's number or letter ("2.", "b)") opens its sentence, not ends one.
            if (isListLabel(QStringView(text).mid(start, i - start).trimmed()))
                continue;
            add(start, end);
            start = end;
            i = end - 1;
        }
    }
    add(start, text.size());
    return found;
}

QList<ReadAlongCue> ReadAlongCues::build(const QString &text, const SpeechTimeline &timeline,
                                         qsizetype longest)
{
    std::vector<SpeechTimeline::Mark> marks = timeline.marks;
    std::stable_sort(marks.begin(), marks.end(),
                     [](const auto &a, const auto &b) { return a.position < b.position; });
    // Parts of a sentence can be timed only when its words are.
    if (timeline.bySentence)
        longest = 0;

    QList<ReadAlongCue> cues;
    size_t next = 0;
    for (const auto &[from, length] : sentences(text)) {
        const QList<ReadAlongCue::Word> words = wordsOf(text, from, from + length, marks, next);
        if (std::none_of(words.begin(), words.end(), [](const auto &w) { return w.sample >= 0; }))
            continue;
        QList<qsizetype> cuts = length > longest ? cutsOf(words, longest) : QList<qsizetype>();
        cuts.append(words.size());
        qsizetype first = 0;
        for (const qsizetype cut : cuts) {
            ReadAlongCue cue;
            cue.words = words.mid(first, cut - first);
            cue.position = cue.words.first().position;
            cue.length = cue.words.last().position + cue.words.last().length - cue.position;
            cue.start = timeline.samples;
            for (const ReadAlongCue::Word &word : std::as_const(cue.words))
                if (word.sample >= 0)
                    cue.start = qMin(cue.start, word.sample);
            if (!cues.isEmpty())
                cue.start = qMax(cue.start, cues.last().start);
            cues.append(cue);
            first = cut;
        }
    }
    for (qsizetype i = 0; i < cues.size(); ++i)
        cues[i].end =
            i + 1 < cues.size() ? cues.at(i + 1).start : qMax(timeline.samples, cues.at(i).start);
    return cues;
}
