#include "FliteEngine.h"
#include "FliteVoiceFile.h"
#include "SpeechError.h"
#include "TestVoiceFile.h"

#include "SpeechTestKit.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include <gtest/gtest.h>
#include <vector>

namespace {

double pitchOf(const Spoken &spoken)
{
    return TestVoiceFile::medianPitch(spoken.samples.data(), qsizetype(spoken.samples.size()),
                                      16000);
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class FliteEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_FALSE(TestVoiceFile::write(m_dir.path()).isEmpty()) << "flite could not dump";
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(FliteEngineTest, ListsEachUsableVoiceFileAsCereVoice)
{
    const QByteArray voice = TestVoiceFile::data();
    writeBytes(m_dir.filePath("broken.flitevox"), voice.left(voice.size() / 2));
    writeBytes(m_dir.filePath("notes.txt"), "not a voice");
    TestVoiceFile::write(m_dir.path(), QStringLiteral("second"));

    FliteEngine engine(m_dir.path());
    EXPECT_EQ(engine.voiceNames(),
              (QStringList{QStringLiteral("CereVoice second"), QStringLiteral("CereVoice slt")}));
    EXPECT_EQ(engine.currentVoice(), QStringLiteral("CereVoice second"));
    EXPECT_EQ(engine.sampleRate(), 16000);
    engine.selectVoice(QStringLiteral("CereVoice slt"));
    EXPECT_EQ(engine.currentVoice(), QStringLiteral("CereVoice slt"));
    EXPECT_THROW(engine.selectVoice(QStringLiteral("slt")), SpeechError);
}

TEST_F(FliteEngineTest, FoldersWithoutAUsableVoiceListNothingAndRefuseToSpeak)
{
    const QByteArray voice = TestVoiceFile::data();
    QTemporaryDir damaged;
    // Cut short in the features, in the trees and just before the end; a foreign file; an
    // empty one. flite's own loader would crash on each of the cut ones.
    writeBytes(damaged.filePath("a.flitevox"), voice.left(100));
    writeBytes(damaged.filePath("b.flitevox"), voice.left(300000));
    writeBytes(damaged.filePath("c.flitevox"), voice.left(voice.size() - 10));
    writeBytes(damaged.filePath("d.flitevox"), QByteArray(5000, 'x'));
    writeBytes(damaged.filePath("e.flitevox"), QByteArray());
    QTemporaryDir empty;

    for (const QString &folder :
         {damaged.path(), empty.path(), m_dir.filePath("missing"), QString()}) {
        SCOPED_TRACE(folder.toStdString());
        FliteEngine engine(folder);
        EXPECT_TRUE(engine.voiceNames().isEmpty());
        EXPECT_TRUE(engine.currentVoice().isEmpty());
        EXPECT_FALSE(engine.loadProblem().isEmpty());
        try {
            speak(engine, QStringLiteral("hello"));
            ADD_FAILURE() << "speaking without a voice succeeded";
        } catch (const SpeechError &e) {
            EXPECT_EQ(e.number, SpeechErrors::NoVoice);
        }
    }
}

TEST(FliteVoiceFile, AcceptsTheWholeVoiceAndRejectsItCutAnywhereOrForeign)
{
    const QByteArray voice = TestVoiceFile::data();
    ASSERT_FALSE(voice.isEmpty());
    QString reason;
    EXPECT_TRUE(FliteVoiceFile::checkData(voice, &reason)) << reason.toStdString();
    // Every cut must be caught: flite would read past the end of its buffers.
    for (qsizetype size = 0; size < voice.size() - 1; size += 1 + size / 3) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(FliteVoiceFile::checkData(voice.left(size)));
    }
    EXPECT_FALSE(FliteVoiceFile::checkData(voice.left(voice.size() - 1)));

    // A language flite has no lexicon for.
    QByteArray foreign = voice;
    const qsizetype at = foreign.indexOf(QByteArray("eng\0", 4));
    ASSERT_GT(at, 0);
    foreign.replace(at, 3, "xyz");
    EXPECT_FALSE(FliteVoiceFile::checkData(foreign, &reason));
    EXPECT_FALSE(reason.isEmpty());
}

TEST_F(FliteEngineTest, WordsAreReportedInOrderAtTheirPositionsInTheText)
{
    FliteEngine engine(m_dir.path());
    const QString simple = QStringLiteral("The quick brown fox jumps over the lazy dog.");
    const Spoken plain = speak(engine, simple);
    ASSERT_TRUE(plain.complete);
    EXPECT_EQ(plain.wordTexts(simple),
              simple.chopped(1).split(QLatin1Char(' '))); // the full stop is no word
    for (size_t i = 1; i < plain.words.size(); ++i)
        EXPECT_GT(plain.words[i].sample, plain.words[i - 1].sample);
    ASSERT_FALSE(plain.words.empty());
    EXPECT_LT(plain.words.back().sample, qint64(plain.samples.size()));
    // The last word starts well into the sentence's audio, not at its beginning.
    EXPECT_GT(plain.words.back().sample, qint64(plain.samples.size()) / 2);

    // Punctuation around tokens, numbers and symbols that expand to several words, several
    // sentences (each its own utterance), a character outside the basic plane (flite has no
    // sound for it, so it is no word), a word with a letter flite does not know, and a NUL.
    const QString punctuated =
        QStringLiteral("\"Hello,\" she said; it costs $3.50 (really!) on 12/05/2021.\n\n"
                       "\U0001F600 Ok -- e-mail me at the café. Dr. Smith's car%1arrived")
            .arg(QChar(0));
    const Spoken rich = speak(engine, punctuated);
    ASSERT_TRUE(rich.complete);
    const QStringList expected{
        "Hello",  "she", "said", "it",  "costs", "$3.50", "really",  "on",  "12/05/2021", "Ok",
        "e-mail", "me",  "at",   "the", "café",  "Dr",    "Smith's", "car", "arrived"};
    EXPECT_EQ(rich.wordTexts(punctuated), expected);
    for (size_t i = 1; i < rich.words.size(); ++i)
        EXPECT_GT(rich.words[i].sample, rich.words[i - 1].sample) << i;
}

TEST_F(FliteEngineTest, RateVolumeAndSettingsShapeTheAudio)
{
    FliteEngine engine(m_dir.path());
    const QString text = QStringLiteral("Reading aloud at a steady pace, one word after another.");
    const Spoken normal = speak(engine, text);
    const double normalLength = double(normal.samples.size());

    Engine::Params fast;
    fast.rate = 5;
    Engine::Params slow;
    slow.rate = -5;
    const double fastRatio = double(speak(engine, text, fast).samples.size()) / normalLength;
    const double slowRatio = double(speak(engine, text, slow).samples.size()) / normalLength;
    // Durations follow the stretch, within what pauses at the edges take away.
    EXPECT_NEAR(fastRatio, FliteEngine::durationStretch(5), 0.12);
    EXPECT_NEAR(slowRatio, FliteEngine::durationStretch(-5), 0.2);
    EXPECT_DOUBLE_EQ(FliteEngine::durationStretch(0), 1.0);
    EXPECT_GT(FliteEngine::durationStretch(-10), FliteEngine::durationStretch(-9));

    Engine::Params quiet;
    quiet.volume = 33;
    const Spoken soft = speak(engine, text, quiet);
    ASSERT_EQ(soft.samples.size(), normal.samples.size());
    EXPECT_NEAR(rms(soft.samples) / rms(normal.samples), 33.0 / 99.0, 0.01);

    // The dialog's values: higher pitch, and a longer sound at the same rate.
    Engine::Params high;
    high.settings = {{QStringLiteral("pitch"), 50}};
    const double normalPitch = pitchOf(normal);
    ASSERT_GT(normalPitch, 0.0);
    EXPECT_NEAR(pitchOf(speak(engine, text, high)) / normalPitch, 1.5, 0.15);
    Engine::Params longer;
    longer.settings = {{QStringLiteral("duration"), 200}};
    EXPECT_NEAR(double(speak(engine, text, longer).samples.size()) / normalLength, 2.0, 0.25);
    // Settings do not stick to the engine: the next utterance without them is as before.
    EXPECT_NEAR(pitchOf(speak(engine, text)) / normalPitch, 1.0, 0.05);
}

TEST_F(FliteEngineTest, ASinkThatRefusesStopsTheSynthesis)
{
    FliteEngine engine(m_dir.path());
    int chunks = 0;
    const bool complete = engine.synthesize(
        QStringLiteral("One sentence here. Another sentence there. And a third one."), {},
        [&](const qint16 *, int) { return ++chunks < 2; }, [](qint64, int, int) {});
    EXPECT_FALSE(complete);
    EXPECT_EQ(chunks, 2);
    // Blank text is done at once, without audio.
    EXPECT_TRUE(speak(engine, QStringLiteral("  \n ")).samples.empty());
}

TEST_F(FliteEngineTest, OddTextKeepsWordsInsideTheText)
{
    FliteEngine engine(m_dir.path());
    const QString lone = QString(QChar(0xD800)) + QStringLiteral(" lone surrogate");
    const QStringList texts{
        QString(300, QLatin1Char('a')),
        QStringLiteral("123456789012345678901234567890 1,000,000.5 -7 3/4 1e10"),
        QStringLiteral("<b>&amp;</b> [[x]] {{y}} \t\r\n\f\v"),
        QStringLiteral("... ,,, !!! ??? -- \" ' ` ( ) [ ] { }"),
        QStringLiteral("mixed Ελληνικά русский 中文 العربية words"),
        lone,
    };
    for (const QString &text : texts) {
        SCOPED_TRACE(text.left(40).toStdString());
        const Spoken spoken = speak(engine, text);
        EXPECT_TRUE(spoken.complete);
        int last = -1;
        for (const Spoken::Word &w : spoken.words) {
            EXPECT_GT(w.position, last);
            EXPECT_GT(w.length, 0);
            EXPECT_LE(w.position + w.length, text.size());
            EXPECT_LE(w.sample, qint64(spoken.samples.size()));
            last = w.position;
        }
    }
    // Long text without sentence ends is cut into utterances and still reports every word.
    const QString many = QStringLiteral("a ").repeated(520);
    const Spoken long_ = speak(engine, many);
    ASSERT_EQ(long_.words.size(), 520u);
    EXPECT_EQ(long_.words.back().position, many.size() - 2);
}
