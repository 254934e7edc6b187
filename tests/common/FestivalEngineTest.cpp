#include "FestivalEngine.h"
#include "SpeechError.h"
#include "TestVoiceFile.h"

#include "SpeechTestKit.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Slt = QStringLiteral("festival slt (US English, female, HTS)");
const QString Kal = QStringLiteral("festival kal (US English, male, diphone)");

double seconds(const Spoken &spoken, int rate)
{
    return double(spoken.samples.size()) / rate;
}

// Where sound starts after a pause (140 ms or more of silence), in samples, 10 ms at a time.
// Shorter silences are the closures of stops inside words.
std::vector<qint64> onsetsAfterPauses(const std::vector<qint16> &samples, int rate)
{
    const size_t frame = size_t(rate / 100);
    std::vector<double> loudness;
    for (size_t at = 0; at + frame <= samples.size(); at += frame)
        loudness.push_back(rms(std::vector<qint16>(samples.begin() + qint64(at),
                                                   samples.begin() + qint64(at + frame))));
    const double quiet = *std::max_element(loudness.begin(), loudness.end()) * 0.01;
    std::vector<qint64> onsets;
    int silent = 14;
    for (size_t i = 0; i < loudness.size(); ++i) {
        if (loudness[i] < quiet) {
            ++silent;
            continue;
        }
        if (silent >= 14)
            onsets.push_back(qint64(i * frame));
        silent = 0;
    }
    return onsets;
}

} // namespace

// Festival's installed voices: listed as what they are, spoken word by word where each word
// is heard, faster with the rate, softer with the volume, higher with the pitch; a machine
// without them lists none. One engine serves every case: Festival starts once per process.
TEST(FestivalEngineTest, InstalledVoicesSpeakEachWordWhereItIsHeard)
{
    QTemporaryDir empty;
    FestivalEngine none(empty.path());
    EXPECT_TRUE(none.voiceNames().isEmpty());
    EXPECT_EQ(errorNumber([&] { speak(none, QStringLiteral("Nobody.")); }), SpeechErrors::NoVoice);

    FestivalEngine engine;
    const QStringList names = engine.voiceNames();
    ASSERT_TRUE(names.contains(Slt)) << names.join('|').toStdString();
    ASSERT_TRUE(names.contains(Kal)) << names.join('|').toStdString();
    EXPECT_EQ(engine.voiceLanguages(Slt).value(0).tag, QStringLiteral("en-us"));

    engine.selectVoice(Slt);
    const int rate = engine.sampleRate();
    const QString text = QStringLiteral("The old miller, tired and cold, carried \"a basket\" of "
                                        "pears.\nThen the rain began!  Nobody minded it.");
    const Spoken spoken = speak(engine, text);
    ASSERT_TRUE(spoken.complete);
    EXPECT_EQ(spoken.joined(text), "The|old|miller|tired|and|cold|carried|a|basket|of|pears|Then|"
                                   "the|rain|began|Nobody|minded|it");
    for (size_t i = 0; i < spoken.words.size(); ++i) {
        EXPECT_LT(spoken.words[i].sample, qint64(spoken.samples.size()));
        if (i > 0) {
            EXPECT_GT(spoken.words[i].sample, spoken.words[i - 1].sample);
        }
    }
    // Every sound that follows a pause starts a word, within 60 ms.
    const std::vector<qint64> onsets = onsetsAfterPauses(spoken.samples, rate);
    EXPECT_GE(onsets.size(), 3u);
    for (const qint64 onset : onsets) {
        qint64 nearest = std::numeric_limits<qint64>::max();
        for (const Spoken::Word &w : spoken.words)
            nearest = std::min(nearest, std::abs(w.sample - onset));
        EXPECT_LE(nearest, rate * 60 / 1000) << "onset at " << double(onset) / rate << " s";
    }

    const QString sentence = QStringLiteral("A tired traveller noticed the broken lantern.");
    for (const QString &voice : {Slt, Kal}) {
        SCOPED_TRACE(voice.toStdString());
        engine.selectVoice(voice);
        const int voiceRate = engine.sampleRate();
        const Spoken slow = speak(engine, sentence, {-5});
        const Spoken normal = speak(engine, sentence, {0});
        const Spoken fast = speak(engine, sentence, {5});
        EXPECT_GT(seconds(slow, voiceRate), seconds(normal, voiceRate) * 1.3);
        EXPECT_GT(seconds(normal, voiceRate), seconds(fast, voiceRate) * 1.3);

        const Spoken soft = speak(engine, sentence, {0, 50});
        // Half the volume is about half as loud, not exactly: kal's has come out at 0.56
        // on a full test run.
        EXPECT_NEAR(rms(soft.samples) / rms(normal.samples), 50.0 / 99, 0.08);

        const Spoken high = speak(engine, sentence, {0, 99, {{QStringLiteral("pitch"), 30}}});
        EXPECT_NEAR(seconds(high, voiceRate), seconds(normal, voiceRate),
                    seconds(normal, voiceRate) * 0.05);
        const auto pitch = [&](const Spoken &s) {
            return TestVoiceFile::medianPitch(s.samples.data(), qsizetype(s.samples.size()),
                                              voiceRate);
        };
        EXPECT_GT(pitch(high), pitch(normal) * 1.15);
    }
}
