#include "EspeakEngine.h"
#include "SpeechError.h"

#include "SpeechTestKit.h"
#include <QSet>
#include <cmath>

#include <gtest/gtest.h>
#include <vector>

namespace {

// espeak-ng carries a little state from one utterance to the next (pitch flutter, noise), so
// the same text never comes out sample for sample the same; lengths agree within a percent.
bool similarLength(const Spoken &a, const Spoken &b, double tolerance = 0.03)
{
    const double ratio = double(a.samples.size()) / double(std::max<size_t>(1, b.samples.size()));
    return std::abs(ratio - 1.0) < tolerance;
}

std::vector<std::pair<int, int>> ranges(const Spoken &spoken)
{
    std::vector<std::pair<int, int>> result;
    for (const Spoken::Word &w : spoken.words)
        result.push_back({w.position, w.length});
    return result;
}

} // namespace

TEST(EspeakEngine, WordsOfPlainAndAccentedTextIndexTheString)
{
    EspeakEngine engine;
    EXPECT_EQ(engine.sampleRate(), 22050);

    const QString plain = QStringLiteral("Hello world, this is a test.");
    const Spoken spoken = speak(engine, plain);
    ASSERT_TRUE(spoken.complete);
    EXPECT_EQ(spoken.joined(plain), "Hello|world|this|is|a|test");
    // Each word starts inside the audio of this call, in order, the first at its start.
    ASSERT_FALSE(spoken.words.empty());
    EXPECT_LT(spoken.words.front().sample, 2205);
    for (size_t i = 1; i < spoken.words.size(); ++i)
        EXPECT_GT(spoken.words[i].sample, spoken.words[i - 1].sample);
    EXPECT_LT(spoken.words.back().sample, qint64(spoken.samples.size()));

    const QString accented = QStringLiteral("Ça va très bien");
    EXPECT_EQ(speak(engine, accented).joined(accented), "Ça|va|très|bien");
}

TEST(EspeakEngine, WordsAfterCharactersOutsideTheBmpIndexTheString)
{
    EspeakEngine engine;
    // Each emoji is two UTF-16 units but one code point for espeak, and is spoken as its
    // several-word name; the words after it must still land on the right text.
    const QString text = QStringLiteral("I 😀 like 🎉 cake");
    const Spoken spoken = speak(engine, text);
    EXPECT_EQ(spoken.joined(text), "I|😀|like|🎉|cake");
}

TEST(EspeakEngine, MarkupCharactersAreReadAsText)
{
    EspeakEngine engine;
    // Were this taken as SSML, the tag would be a three-second pause and the entity a "<".
    const QString text = QStringLiteral("Say <break time=\"3s\"/> now &amp; then");
    const QStringList words = speak(engine, text).wordTexts(text);
    EXPECT_TRUE(words.contains("break")) << words.join('|').toStdString();
    EXPECT_TRUE(words.contains("time")) << words.join('|').toStdString();
    EXPECT_TRUE(words.contains("amp")) << words.join('|').toStdString();
    EXPECT_TRUE(words.contains("then")) << words.join('|').toStdString();
}

TEST(EspeakEngine, EachCallCountsSamplesFromItsOwnStart)
{
    EspeakEngine engine;
    const QString text = QStringLiteral("One two three. Four five.");
    const Spoken first = speak(engine, text);
    const Spoken second = speak(engine, text);
    EXPECT_EQ(ranges(first), ranges(second));
    ASSERT_EQ(first.words.size(), second.words.size());
    for (size_t i = 0; i < first.words.size(); ++i)
        EXPECT_NEAR(double(second.words[i].sample), double(first.words[i].sample), 1000.0);
    EXPECT_LT(second.words.back().sample, qint64(second.samples.size()));
}

TEST(EspeakEngine, EmptyTextNullsAndLoneSurrogates)
{
    EspeakEngine engine;
    const Spoken empty = speak(engine, QString());
    EXPECT_TRUE(empty.complete);
    EXPECT_TRUE(empty.words.empty());

    // A NUL would end the text that espeak reads; the words after it must still be spoken.
    QString text = QStringLiteral("one two");
    text[3] = QChar(0);
    EXPECT_EQ(speak(engine, text).joined(text), "one|two");

    // A lone surrogate (text cut between the halves of a pair) is one character for espeak,
    // so the words after it keep their places.
    QString cut = QStringLiteral("one ? two");
    cut[4] = QChar(0xD83D);
    EXPECT_TRUE(speak(engine, cut).joined(cut).ends_with("|two")) << speak(engine, cut).joined(cut);
}

TEST(EspeakEngine, VoicesAreDistinctAndSelectedByName)
{
    EspeakEngine engine;
    const QStringList names = engine.voiceNames();
    ASSERT_GT(names.size(), 10);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size());
    for (const QString &name : names) {
        EXPECT_FALSE(name.isEmpty());
        EXPECT_EQ(name, name.trimmed());
    }
    EXPECT_TRUE(engine.currentVoice().startsWith(QStringLiteral("English")))
        << engine.currentVoice().toStdString();
    EXPECT_TRUE(names.contains(engine.currentVoice()));

    const QString english = engine.currentVoice();
    const QString sentence = QStringLiteral("Guten Morgen, wie geht es dir heute?");
    const Spoken inEnglish = speak(engine, sentence);
    engine.selectVoice(QStringLiteral("German"));
    EXPECT_EQ(engine.currentVoice(), QStringLiteral("German"));
    const Spoken inGerman = speak(engine, sentence);
    // German reads its own words much faster than the English voice spells them out.
    EXPECT_FALSE(similarLength(inEnglish, inGerman, 0.08));

    EXPECT_EQ(errorNumber([&] { engine.selectVoice(QStringLiteral("Nobody At All")); }),
              SpeechErrors::UnknownVoice);
    EXPECT_EQ(errorNumber([&] { engine.selectVoice(QStringLiteral("german")); }),
              SpeechErrors::UnknownVoice);
    EXPECT_EQ(engine.currentVoice(), QStringLiteral("German"));
    engine.selectVoice(english);
    EXPECT_TRUE(similarLength(speak(engine, sentence), inEnglish));
}

TEST(EspeakEngine, EachUtteranceUsesItsOwnEnginesVoiceAndRate)
{
    // espeak is one global synthesiser: two engines taking turns must not leak settings.
    EspeakEngine german;
    german.selectVoice(QStringLiteral("German"));
    EspeakEngine english;
    const QString text = QStringLiteral("Eins zwei drei vier");
    const Spoken before = speak(german, text, {-4, 99});
    const Spoken between = speak(english, text, {7, 99});
    const Spoken after = speak(german, text, {-4, 99});
    EXPECT_FALSE(similarLength(before, between, 0.2));
    EXPECT_TRUE(similarLength(before, after));
    EXPECT_NEAR(rms(after.samples) / rms(before.samples), 1.0, 0.03);
}

TEST(EspeakEngine, RateChangesDurationMonotonically)
{
    EXPECT_EQ(EspeakEngine::wordsPerMinute(-10), 80);
    EXPECT_EQ(EspeakEngine::wordsPerMinute(0), 175);
    EXPECT_EQ(EspeakEngine::wordsPerMinute(10), 450);
    for (int rate = -10; rate < 10; ++rate)
        EXPECT_LT(EspeakEngine::wordsPerMinute(rate), EspeakEngine::wordsPerMinute(rate + 1));

    EspeakEngine engine;
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog twice.");
    const size_t slow = speak(engine, text, {-10, 99}).samples.size();
    const size_t normal = speak(engine, text, {0, 99}).samples.size();
    const size_t fast = speak(engine, text, {10, 99}).samples.size();
    EXPECT_GT(slow, normal);
    EXPECT_GT(normal, fast);
    // Roughly in proportion to the words per minute (pauses do not scale exactly).
    EXPECT_GT(double(slow) / double(normal), 1.5);
    EXPECT_GT(double(normal) / double(fast), 1.8);
}

TEST(EspeakEngine, AmplitudeScalesWithVolume)
{
    EspeakEngine engine;
    const QString text = QStringLiteral("Loud and then quiet, the same words.");
    const Spoken full = speak(engine, text, {0, 99});
    const Spoken third = speak(engine, text, {0, 33});
    const Spoken least = speak(engine, text, {0, 1});
    ASSERT_TRUE(similarLength(full, third));
    ASSERT_GT(rms(full.samples), 500.0);
    EXPECT_NEAR(rms(third.samples) / rms(full.samples) * 3.0, 1.0, 0.02);
    EXPECT_NEAR(rms(least.samples) / rms(full.samples) * 99.0, 1.0, 0.05);
    EXPECT_EQ(ranges(full), ranges(third));
}

TEST(EspeakEngine, SinkAbortStopsSynthesisAndTheEngineRecovers)
{
    EspeakEngine engine;
    const QString text = QStringLiteral("This sentence is long enough to need many buffers of "
                                        "audio before it is over, so stopping early matters.");
    const Spoken whole = speak(engine, text);
    ASSERT_TRUE(whole.complete);

    int calls = 0;
    qint64 received = 0;
    int words = 0;
    const bool complete = engine.synthesize(
        text, {},
        [&](const qint16 *, int count) {
            ++calls;
            received += count;
            return calls < 2;
        },
        [&](qint64, int, int) { ++words; });
    EXPECT_FALSE(complete);
    EXPECT_EQ(calls, 2);
    EXPECT_LT(received, qint64(whole.samples.size()) / 4);
    EXPECT_LT(words, int(whole.words.size()));

    // An exception from a sink reaches the caller and also stops the synthesis.
    calls = 0;
    EXPECT_EQ(errorNumber([&] {
                  engine.synthesize(
                      text, {},
                      [&](const qint16 *, int) -> bool {
                          if (++calls == 2)
                              throw SpeechError(SpeechErrors::FileTooLarge, "full");
                          return true;
                      },
                      [](qint64, int, int) {});
              }),
              SpeechErrors::FileTooLarge);
    EXPECT_EQ(calls, 2);

    const Spoken again = speak(engine, text);
    EXPECT_TRUE(again.complete);
    EXPECT_TRUE(similarLength(again, whole));
    EXPECT_EQ(ranges(again), ranges(whole));
}
