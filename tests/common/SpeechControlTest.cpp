#include "SpeechControl.h"
#include "EventRecorder.h"
#include "ScriptedEngine.h"
#include "SpeechError.h"
#include "SpeechHub.h"

#include "SpeechTestKit.h"
#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {
std::unique_ptr<SpeechControl> scripted(int index = 0, ScriptedEngine **engine = nullptr)
{
    auto e = std::make_unique<ScriptedEngine>();
    if (engine)
        *engine = e.get();
    return std::make_unique<SpeechControl>(index, std::move(e));
}

} // namespace

TEST(SpeechControl, ReadingRaisesStartedWordsAndEndedInOrder)
{
    auto control = scripted(3);
    EventRecorder recorder(*control);

    control->speak(QStringLiteral("one two  three"));
    // Nothing is raised from inside speak(): the caller finishes its own work first.
    EXPECT_TRUE(recorder.events().isEmpty());
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.kinds(), (QList<SpeechEvent>{SpeechEvent::Started, SpeechEvent::WordReached,
                                                    SpeechEvent::WordReached,
                                                    SpeechEvent::WordReached, SpeechEvent::Ended}));
    EXPECT_EQ(recorder.wordPositions(), (QList<int>{0, 4, 9}));
    EXPECT_EQ(recorder.events().last().position, 14);
    EXPECT_FALSE(control->isSpeaking());
}

TEST(SpeechControl, EmptyTextStartsAndEndsAtOnce)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    control->speak(QString());
    ASSERT_TRUE(recorder.waitForEnd(1, 2000));
    EXPECT_EQ(recorder.kinds(), (QList<SpeechEvent>{SpeechEvent::Started, SpeechEvent::Ended}));
}

TEST(SpeechControl, StopEndsOnceBeforeReturningAndNothingFollows)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    control->speak(QStringLiteral("w ").repeated(400));
    recorder.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SpeechEvent::WordReached && recorder.count(SpeechEvent::WordReached) == 3) {
            control->stop();
            // The end event of the stopped speech has been handled inside stop().
            EXPECT_EQ(recorder.count(SpeechEvent::Ended), 1);
        }
    };
    ASSERT_TRUE(recorder.waitForEnd());
    const int seen = int(recorder.events().size());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QCoreApplication::processEvents();
    EXPECT_EQ(recorder.events().size(), seen);
    EXPECT_EQ(recorder.count(SpeechEvent::Ended), 1);
    EXPECT_EQ(recorder.count(SpeechEvent::WordReached), 3);
    EXPECT_EQ(recorder.events().last().position, 4); // the last word heard

    // A stop while silent raises nothing.
    control->stop();
    EXPECT_EQ(recorder.events().size(), seen);
}

TEST(SpeechControl, StopBeforeTheFirstEventStillPairsStartAndEnd)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    control->speak(QStringLiteral("a b c d"));
    control->stop();
    EXPECT_EQ(recorder.kinds(), (QList<SpeechEvent>{SpeechEvent::Started, SpeechEvent::Ended}));
}

TEST(SpeechControl, SpeakWhileSpeakingReplacesWithoutEndOfTheOld)
{
    auto first = scripted(0);
    auto second = scripted(1);
    EventRecorder a(*first);
    EventRecorder b(*second);
    first->speak(QStringLiteral("x ").repeated(500));
    a.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SpeechEvent::WordReached && a.count(SpeechEvent::WordReached) == 2)
            second->speak(QStringLiteral("hello there"));
    };
    ASSERT_TRUE(b.waitForEnd());
    EXPECT_EQ(a.count(SpeechEvent::Ended), 0);
    EXPECT_EQ(a.count(SpeechEvent::WordReached), 2);
    EXPECT_EQ(b.kinds(), (QList<SpeechEvent>{SpeechEvent::Started, SpeechEvent::WordReached,
                                             SpeechEvent::WordReached, SpeechEvent::Ended}));
    EXPECT_FALSE(first->isSpeaking());
}

TEST(SpeechControl, NextChunkCanBeSpokenFromTheEndEvent)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    int chunks = 0;
    recorder.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SpeechEvent::Ended && ++chunks < 3)
            control->speak(QStringLiteral("next chunk"));
    };
    control->speak(QStringLiteral("first chunk"));
    ASSERT_TRUE(recorder.waitForEnd(3));
    EXPECT_EQ(recorder.count(SpeechEvent::Started), 3);
    EXPECT_EQ(recorder.count(SpeechEvent::WordReached), 6);
}

TEST(SpeechControl, SynthesisFailureStillEndsTheSpeech)
{
    ScriptedEngine *engine = nullptr;
    auto control = scripted(0, &engine);
    EventRecorder recorder(*control);
    engine->failNextSynthesis();
    control->speak(QStringLiteral("doomed words"));
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.count(SpeechEvent::WordReached), 0);
}

TEST(SpeechControl, RateAndVolumeAreCheckedStoredAndReadBack)
{
    ScriptedEngine *engine = nullptr;
    auto control = scripted(0, &engine);
    EXPECT_EQ(control->rate(), 0);
    EXPECT_EQ(control->volume(), 99);
    control->setRate(-7);
    control->setVolume(1);
    EXPECT_EQ(control->rate(), -7);
    EXPECT_EQ(control->volume(), 1);
    EXPECT_GT(errorNumber([&] { control->setRate(11); }), 0);
    EXPECT_GT(errorNumber([&] { control->setVolume(0); }), 0);
    EXPECT_GT(errorNumber([&] { control->setVolume(100); }), 0);
    EXPECT_EQ(control->volume(), 1);

    control->setEngineFolder(QStringLiteral("/opt/engine"));
    EXPECT_EQ(control->engineFolder(), QStringLiteral("/opt/engine"));

    // The rate and volume reach the engine with the next utterance.
    EventRecorder recorder(*control);
    control->speak(QStringLiteral("hi"));
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(engine->lastParams().rate, -7);
    EXPECT_EQ(engine->lastParams().volume, 1);
}

TEST(SpeechControl, VoicesAreListedAndSelectedByExactName)
{
    auto control = scripted();
    const QList<SpeechVoice> voices = control->voices();
    ASSERT_EQ(voices.size(), 2);
    EXPECT_EQ(voices.at(1).name, QStringLiteral("Scripted Two"));
    EXPECT_EQ(control->voiceName(), QStringLiteral("Scripted One"));
    control->selectVoice(QStringLiteral("Scripted Two"));
    EXPECT_EQ(control->voiceName(), QStringLiteral("Scripted Two"));
    EXPECT_EQ(errorNumber([&] { control->selectVoice(QStringLiteral("scripted two")); }),
              SpeechErrors::UnknownVoice);
    EXPECT_EQ(control->voiceName(), QStringLiteral("Scripted Two"));

    // An engine without settings has neither dialog.
    EXPECT_EQ(errorNumber([&] { control->showSettingsDialog(); }), SpeechErrors::NoSuchDialog);
    EXPECT_EQ(errorNumber([&] { control->showPronunciationDialog(); }), SpeechErrors::NoSuchDialog);
}

// Synthesis runs far ahead of playback; only a few seconds of it may wait in memory. The
// worker that waits for room must still answer a caller who needs it, and let go at a stop.
TEST(SpeechControl, SynthesisKeepsOnlyAFewSecondsAheadOfPlayback)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    control->speak(QStringLiteral("word ").repeated(600));
    ASSERT_TRUE(recorder.waitForEnd(1, 60000));
    EXPECT_EQ(recorder.count(SpeechEvent::WordReached), 600);
    const int rate = 22050;
    EXPECT_LE(SpeechHub::instance().readAheadHighWater(), 4 * rate);
    EXPECT_GT(SpeechHub::instance().readAheadHighWater(), rate / 2);

    recorder.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SpeechEvent::WordReached && recorder.count(SpeechEvent::WordReached) == 620) {
            EXPECT_EQ(scripted(1)->voices().size(), 2);
        }
        if (e.kind == SpeechEvent::WordReached && recorder.count(SpeechEvent::WordReached) == 650)
            control->stop();
    };
    control->speak(QStringLiteral("word ").repeated(600));
    ASSERT_TRUE(recorder.waitForEnd(2, 60000));
    recorder.onEvent = nullptr;
    control->speak(QStringLiteral("after the stop"));
    ASSERT_TRUE(recorder.waitForEnd(3, 10000));
    EXPECT_EQ(recorder.wordPositions().mid(650), (QList<int>{0, 6, 10}));
}
