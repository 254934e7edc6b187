#include "WordTimingEstimate.h"

#include <QChar>
#include <cmath>

namespace {
// About five syllables a second at the natural rate.
constexpr double UsualPace = 0.2;

bool isVowel(QChar c)
{
    // Accented vowels count as their base letter.
    const QString decomposed = c.decomposition();
    const QChar base = (decomposed.isEmpty() ? c : decomposed.at(0)).toLower();
    return QStringView(u"aeiouy\u0430\u0435\u0438\u043E\u0443\u044B\u044D\u044E\u044F\u0451")
        .contains(base);
}

QString key(const QString &voice, int rate)
{
    return voice + QLatin1Char('@') + QString::number(rate);
}
} // namespace

double WordTimingEstimate::units(QStringView word)
{
    int vowelGroups = 0;
    int digits = 0;
    int letters = 0;
    bool inVowels = false;
    for (const QChar c : word) {
        const bool vowel = isVowel(c);
        if (vowel && !inVowels)
            ++vowelGroups;
        inVowels = vowel;
        digits += c.isDigit() ? 1 : 0;
        letters += c.isLetter() ? 1 : 0;
    }
    double result = vowelGroups + digits;
    if (result == 0)
        result = std::ceil(letters / 3.0);
    result = std::max(result, 1.0);
    // A speaker pauses at a comma and longer at the end of a sentence.
    const QChar last = word.isEmpty() ? QChar() : word.back();
    if (last == QLatin1Char(',') || last == QLatin1Char(';') || last == QLatin1Char(':'))
        result += 1;
    else if (last == QLatin1Char('.') || last == QLatin1Char('!') || last == QLatin1Char('?'))
        result += 2;
    return result;
}

WordTimingEstimate::Layout WordTimingEstimate::layout(const QList<QStringView> &words)
{
    Layout result;
    for (const QStringView word : words) {
        result.starts.append(result.total);
        result.total += units(word);
    }
    return result;
}

double WordTimingEstimate::pace(const QString &voice, int rate) const
{
    const Measured measured = m_measured.value(key(voice, rate));
    if (measured.units > 0)
        return measured.seconds / measured.units;
    // The other engines' proportion per step of the rate.
    return UsualPace * std::pow(2.5, -qBound(-10, rate, 10) / 10.0);
}

void WordTimingEstimate::learn(const QString &voice, int rate, double units, double seconds)
{
    if (units <= 0 || seconds <= 0)
        return;
    Measured &measured = m_measured[key(voice, rate)];
    measured.seconds = measured.seconds / 2 + seconds;
    measured.units = measured.units / 2 + units;
}
