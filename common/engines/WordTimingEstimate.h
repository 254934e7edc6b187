#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

// When the words of an utterance are heard, for a voice that does not say: the utterance's
// words spread over the time it takes in proportion to how long each takes to say. The pace
// (seconds per unit) is learnt per voice and rate from the utterances already spoken, so each
// utterance's measured end corrects the next one's estimate.
class WordTimingEstimate
{
public:
    // How long a word takes to say, in units of about a syllable: its vowel groups (near
    // enough for alphabetic scripts), its digits, or a third of its letters where it has no
    // vowels; the pause that punctuation after it brings counts too.
    static double units(QStringView word);

    // The words' starts in units from the start of the utterance, and the whole length.
    struct Layout
    {
        QList<double> starts;
        double total = 0;
    };
    static Layout layout(const QList<QStringView> &words);

    // Seconds per unit for the voice at the rate (-10..10): what earlier utterances took, or a
    // usual speaking pace before any was measured.
    double pace(const QString &voice, int rate) const;
    // An utterance of `units` took `seconds`: recent ones weigh most.
    void learn(const QString &voice, int rate, double units, double seconds);

private:
    struct Measured
    {
        double seconds = 0;
        double units = 0;
    };
    QHash<QString, Measured> m_measured;
};
