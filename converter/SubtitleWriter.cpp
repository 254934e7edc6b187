#include "SubtitleWriter.h"

#include "SpeechError.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <cmath>

namespace {

qint64 millisecondsOf(qint64 sample, int rate)
{
    return rate > 0 ? qint64(std::llround(double(sample) * 1000.0 / rate)) : 0;
}

QString clock(qint64 ms, QChar separator)
{
    return QStringLiteral("%1:%2:%3%4%5")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(separator)
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// LRC counts minutes without hours, and hundredths.
QString lrcClock(qint64 ms)
{
    const qint64 centis = (ms + 5) / 10;
    return QStringLiteral("%1:%2.%3")
        .arg(centis / 6000, 2, 10, QLatin1Char('0'))
        .arg(centis / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(centis % 100, 2, 10, QLatin1Char('0'));
}

QString escapeVtt(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"));
}

// Where a cue's words break into two lines of about equal length; none for a short cue.
qsizetype lineBreak(const QList<ReadAlongCue::Word> &words)
{
    constexpr qsizetype LongestLine = 42;
    qsizetype total = -1;
    for (const auto &word : words)
        total += word.text.size() + 1;
    if (total <= LongestLine)
        return -1;
    qsizetype best = -1;
    qsizetype before = -1;
    for (qsizetype i = 1; i < words.size(); ++i) {
        before += words.at(i - 1).text.size() + 1;
        if (best < 0 || qAbs(2 * before - total) < qAbs(2 * best - total))
            best = before;
        else
            return i - 1;
    }
    return words.size() > 1 ? words.size() - 1 : -1;
}

} // namespace

std::optional<SubtitleWriter::Format> SubtitleWriter::formatNamed(const QString &name)
{
    const QString lower = name.trimmed().toLower();
    for (const Format format : {Srt, WebVtt, Lrc})
        if (lower == extension(format))
            return format;
    return std::nullopt;
}

QString SubtitleWriter::extension(Format format)
{
    switch (format) {
    case Srt:
        return QStringLiteral("srt");
    case WebVtt:
        return QStringLiteral("vtt");
    case Lrc:
        return QStringLiteral("lrc");
    }
    return QString();
}

QString SubtitleWriter::pathBeside(const QString &audioPath, Format format)
{
    const QFileInfo audio(audioPath);
    const QString base = audio.suffix().isEmpty() ? audio.fileName() : audio.completeBaseName();
    return audio.dir().filePath(base + QLatin1Char('.') + extension(format));
}

QByteArray SubtitleWriter::render(Format format, const QList<ReadAlongCue> &cues, int sampleRate,
                                  const QString &title)
{
    QString out;
    if (format == WebVtt)
        out += QStringLiteral("WEBVTT\n\n");
    if (format == Lrc && !title.isEmpty())
        out += QStringLiteral("[ti:%1]\n").arg(title.simplified());
    qsizetype number = 0;
    for (const ReadAlongCue &cue : cues) {
        const qint64 start = millisecondsOf(cue.start, sampleRate);
        const qint64 end = qMax(start + 1, millisecondsOf(cue.end, sampleRate));
        if (format == Lrc) {
            // Every word carries its time, the first one too.
            out += QLatin1Char('[') + lrcClock(start) + QLatin1Char(']');
            QStringList words;
            for (const auto &word : cue.words)
                words.append(word.sample >= 0
                                 ? QLatin1Char('<') +
                                       lrcClock(millisecondsOf(word.sample, sampleRate)) +
                                       QLatin1Char('>') + word.text
                                 : word.text);
            out += words.join(QLatin1Char(' ')) + QLatin1Char('\n');
            if (&cue == &cues.last())
                out += QLatin1Char('[') + lrcClock(end) + QStringLiteral("]\n");
            continue;
        }
        const QChar separator = format == Srt ? QLatin1Char(',') : QLatin1Char('.');
        out += QString::number(++number) + QLatin1Char('\n') + clock(start, separator) +
               QStringLiteral(" --> ") + clock(end, separator) + QLatin1Char('\n');
        const qsizetype wrap = lineBreak(cue.words);
        qint64 shown = start;
        for (qsizetype i = 0; i < cue.words.size(); ++i) {
            const ReadAlongCue::Word &word = cue.words.at(i);
            if (i > 0)
                out += i == wrap ? QLatin1Char('\n') : QLatin1Char(' ');
            if (format == Srt) {
                out += word.text;
                continue;
            }
            // A word's time inside a cue must lie after the cue's start and the word before,
            // and before the cue's end.
            const qint64 at = word.sample >= 0 ? millisecondsOf(word.sample, sampleRate) : -1;
            if (i > 0 && at > shown && at < end) {
                out += QLatin1Char('<') + clock(at, QLatin1Char('.')) + QLatin1Char('>');
                shown = at;
            }
            out += escapeVtt(word.text);
        }
        out += QStringLiteral("\n\n");
    }
    return out.toUtf8();
}

void SubtitleWriter::write(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() ||
        !file.commit())
        throw SpeechError(SpeechErrors::FileAccess,
                          QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()));
}
