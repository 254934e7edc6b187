#include "SpeechTestKit.h"

#include "SpeechError.h"

#include <cmath>

int errorNumber(const std::function<void()> &call)
{
    try {
        call();
    } catch (const SpeechError &e) {
        return e.number;
    }
    return 0;
}

QStringList Spoken::wordTexts(const QString &text) const
{
    QStringList result;
    for (const Word &w : words)
        result.append(text.mid(w.position, w.length));
    return result;
}

std::string Spoken::joined(const QString &text) const
{
    return wordTexts(text).join(QLatin1Char('|')).toStdString();
}

Spoken speak(Engine &engine, const QString &text, Engine::Params params)
{
    Spoken spoken;
    spoken.complete = engine.synthesize(
        text, params,
        [&](const qint16 *samples, int count) {
            spoken.samples.insert(spoken.samples.end(), samples, samples + count);
            return true;
        },
        [&](qint64 sample, int position, int length) {
            spoken.words.push_back({sample, position, length});
        });
    return spoken;
}

double rms(const std::vector<qint16> &samples)
{
    double sum = 0;
    for (qint16 s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
}
