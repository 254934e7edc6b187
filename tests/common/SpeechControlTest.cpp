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
using SC = SpeechControl;

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
    int raisedBy = -1;
    QObject::connect(control.get(), &SC::HasEvent, [&](int index) { raisedBy = index; });

    control->speak(QStringLiteral("one two  three"));
    // Nothing is raised from inside speak(): the caller finishes its own work first.
    EXPECT_TRUE(recorder.events().isEmpty());
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.kinds(),
              (QList<int>{SC::EventSpeechStarted, SC::EventWordReached, SC::EventWordReached,
                          SC::EventWordReached, SC::EventSpeechEnded}));
    EXPECT_EQ(recorder.wordPositions(), (QList<int>{0, 4, 9}));
    EXPECT_EQ(raisedBy, 3);
    EXPECT_FALSE(control->isSpeaking());
    EXPECT_EQ(control->countResources(SC::ResourceEvent), 0);
}

TEST(SpeechControl, OnlyEnabledKindsAreRaised)
{
    auto control = scripted();
    EventRecorder recorder(*control, false);
    control->enableEvent(SC::EventSpeechEnded);
    control->speak(QStringLiteral("a b c"));
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.kinds(), QList<int>{SC::EventSpeechEnded});
    EXPECT_NE(errorNumber([&] { control->enableEvent(99); }), 0);
}

TEST(SpeechControl, EmptyTextStartsAndEndsAtOnce)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    control->speak(QString());
    ASSERT_TRUE(recorder.waitForEnd(1, 2000));
    EXPECT_EQ(recorder.kinds(), (QList<int>{SC::EventSpeechStarted, SC::EventSpeechEnded}));
}

TEST(SpeechControl, StopEndsOnceBeforeReturningAndNothingFollows)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    control->speak(QStringLiteral("w ").repeated(400));
    recorder.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SC::EventWordReached && recorder.count(SC::EventWordReached) == 3) {
            control->stop();
            // The end event of the stopped speech has been handled inside stop().
            EXPECT_EQ(recorder.count(SC::EventSpeechEnded), 1);
        }
    };
    ASSERT_TRUE(recorder.waitForEnd());
    const int seen = int(recorder.events().size());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QCoreApplication::processEvents();
    EXPECT_EQ(recorder.events().size(), seen);
    EXPECT_EQ(recorder.count(SC::EventSpeechEnded), 1);
    EXPECT_EQ(recorder.count(SC::EventWordReached), 3);
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
    EXPECT_EQ(recorder.kinds(), (QList<int>{SC::EventSpeechStarted, SC::EventSpeechEnded}));
}

TEST(SpeechControl, SpeakWhileSpeakingReplacesWithoutEndOfTheOld)
{
    auto first = scripted(0);
    auto second = scripted(1);
    EventRecorder a(*first);
    EventRecorder b(*second);
    first->speak(QStringLiteral("x ").repeated(500));
    a.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SC::EventWordReached && a.count(SC::EventWordReached) == 2)
            second->speak(QStringLiteral("hello there"));
    };
    ASSERT_TRUE(b.waitForEnd());
    EXPECT_EQ(a.count(SC::EventSpeechEnded), 0);
    EXPECT_EQ(a.count(SC::EventWordReached), 2);
    EXPECT_EQ(b.kinds(), (QList<int>{SC::EventSpeechStarted, SC::EventWordReached,
                                     SC::EventWordReached, SC::EventSpeechEnded}));
    EXPECT_FALSE(first->isSpeaking());
}

TEST(SpeechControl, NextChunkCanBeSpokenFromTheEndEvent)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    int chunks = 0;
    recorder.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SC::EventSpeechEnded && ++chunks < 3)
            control->speak(QStringLiteral("next chunk"));
    };
    control->speak(QStringLiteral("first chunk"));
    ASSERT_TRUE(recorder.waitForEnd(3));
    EXPECT_EQ(recorder.count(SC::EventSpeechStarted), 3);
    EXPECT_EQ(recorder.count(SC::EventWordReached), 6);
}

TEST(SpeechControl, SynthesisFailureStillEndsTheSpeech)
{
    ScriptedEngine *engine = nullptr;
    auto control = scripted(0, &engine);
    EventRecorder recorder(*control);
    engine->failNextSynthesis();
    control->speak(QStringLiteral("doomed words"));
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.count(SC::EventWordReached), 0);
}

TEST(SpeechControl, PropertiesAreCheckedStoredAndReadBack)
{
    ScriptedEngine *engine = nullptr;
    auto control = scripted(0, &engine);
    EXPECT_EQ(control->numberProperty(SC::PropertyRate), 0);
    EXPECT_EQ(control->numberProperty(SC::PropertyVolume), 99);
    control->setNumberProperty(SC::PropertyRate, -7);
    control->setNumberProperty(SC::PropertyVolume, 1);
    control->setNumberProperty(SC::PropertyEngineMode, 7);
    control->setNumberProperty(SC::PropertyEngineMode, 4);
    control->setNumberProperty(SC::PropertyVoiceOption, 1);
    EXPECT_EQ(control->numberProperty(SC::PropertyRate), -7);
    EXPECT_EQ(control->numberProperty(SC::PropertyVolume), 1);
    EXPECT_EQ(control->numberProperty(SC::PropertyEngineMode), 4);
    EXPECT_EQ(control->numberProperty(SC::PropertyVoiceOption), 1);
    EXPECT_GT(errorNumber([&] { control->setNumberProperty(SC::PropertyRate, 11); }), 0);
    EXPECT_GT(errorNumber([&] { control->setNumberProperty(SC::PropertyVolume, 0); }), 0);
    EXPECT_GT(errorNumber([&] { control->setNumberProperty(SC::PropertyVolume, 100); }), 0);
    EXPECT_GT(errorNumber([&] { control->numberProperty(77); }), 0);
    EXPECT_EQ(control->numberProperty(SC::PropertyVolume), 1);

    EXPECT_TRUE(control->propertySupported(SC::SupportNumberProperty, SC::PropertyRate));
    EXPECT_TRUE(control->propertySupported(SC::SupportNumberProperty, SC::PropertyVolume));
    EXPECT_FALSE(control->propertySupported(SC::SupportNumberProperty, 77));

    control->setStringProperty(SC::PropertyEngineFolder, QStringLiteral("/opt/engine"));
    EXPECT_EQ(control->stringProperty(SC::PropertyEngineFolder), QStringLiteral("/opt/engine"));

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
    ASSERT_EQ(control->countResources(SC::ResourceVoice), 2);
    EXPECT_EQ(control->getResource(SC::ResourceVoice, 1).name, QStringLiteral("Scripted Two"));
    EXPECT_EQ(control->stringProperty(SC::PropertyVoiceName), QStringLiteral("Scripted One"));
    control->setStringProperty(SC::PropertyVoiceName, QStringLiteral("Scripted Two"));
    EXPECT_EQ(control->stringProperty(SC::PropertyVoiceName), QStringLiteral("Scripted Two"));
    EXPECT_EQ(errorNumber([&] {
                  control->setStringProperty(SC::PropertyVoiceName, QStringLiteral("scripted two"));
              }),
              SpeechErrors::UnknownVoice);
    EXPECT_EQ(control->stringProperty(SC::PropertyVoiceName), QStringLiteral("Scripted Two"));
    EXPECT_GT(errorNumber([&] { control->getResource(SC::ResourceVoice, 2); }), 0);
}

TEST(SpeechControl, EventRecordsQueueUntilReleased)
{
    auto control = scripted();
    control->enableEvent(SC::EventSpeechStarted);
    control->enableEvent(SC::EventSpeechEnded);
    EXPECT_GT(errorNumber([&] { control->getResource(SC::ResourceEvent, 0); }), 0);
    EXPECT_GT(errorNumber([&] { control->removeResource(SC::ResourceEvent, 0); }), 0);
    bool ended = false;
    QObject::connect(control.get(), &SC::HasEvent,
                     [&] { ended = control->countResources(SC::ResourceEvent) == 2; });
    control->speak(QStringLiteral("x"));
    QElapsedTimer t;
    t.start();
    while (!ended && t.elapsed() < 5000)
        QCoreApplication::processEvents();
    ASSERT_TRUE(ended);
    EXPECT_EQ(control->getResource(SC::ResourceEvent, 0).eventKind, SC::EventSpeechStarted);
    control->removeResource(SC::ResourceEvent, 0);
    EXPECT_EQ(control->getResource(SC::ResourceEvent, 0).eventKind, SC::EventSpeechEnded);
}

TEST(SpeechControl, OperationsByNumber)
{
    auto control = scripted();
    control->invoke(SC::OpSetNumberProperty, {SC::PropertyRate, 5});
    EXPECT_EQ(control->invoke(SC::OpGetNumberProperty, {SC::PropertyRate}).toInt(), 5);
    EXPECT_EQ(control->invoke(SC::OpCountResources, {SC::ResourceVoice}).toInt(), 2);
    EXPECT_TRUE(control->invoke(SC::OpPropertySupported, {SC::SupportNumberProperty, 36}).toBool());
    EXPECT_EQ(control->invoke(SC::OpGetStringProperty, {SC::PropertyVoiceName}).toString(),
              QStringLiteral("Scripted One"));
    EXPECT_EQ(
        control->invoke(SC::OpGetResource, {SC::ResourceVoice, 0}).toMap().value("name").toString(),
        QStringLiteral("Scripted One"));
    EXPECT_EQ(errorNumber([&] { control->invoke(SC::OpShowDialog, {SC::DialogEngineSettings}); }),
              SpeechErrors::NoSuchDialog);
    EXPECT_EQ(errorNumber([&] { control->invoke(SC::OpShowDialog, {SC::DialogPronunciation}); }),
              SpeechErrors::NoSuchDialog);
    EXPECT_GT(errorNumber([&] { control->invoke(SC::OpSetNumberProperty, {SC::PropertyRate}); }),
              0);
    EXPECT_GT(errorNumber([&] { control->invoke(SC::OpSetNumberProperty, {"fast", 1}); }), 0);
    EXPECT_GT(errorNumber([&] { control->invoke(404, {}); }), 0);
}

// Synthesis runs far ahead of playback; only a few seconds of it may wait in memory. The
// worker that waits for room must still answer a caller who needs it, and let go at a stop.
TEST(SpeechControl, SynthesisKeepsOnlyAFewSecondsAheadOfPlayback)
{
    auto control = scripted();
    EventRecorder recorder(*control);
    control->speak(QStringLiteral("word ").repeated(600));
    ASSERT_TRUE(recorder.waitForEnd(1, 60000));
    EXPECT_EQ(recorder.count(SC::EventWordReached), 600);
    const int rate = 22050;
    EXPECT_LE(SpeechHub::instance().readAheadHighWater(), 4 * rate);
    EXPECT_GT(SpeechHub::instance().readAheadHighWater(), rate / 2);

    recorder.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SC::EventWordReached && recorder.count(SC::EventWordReached) == 620)
            EXPECT_EQ(scripted(1)->countResources(SC::ResourceVoice), 2);
        if (e.kind == SC::EventWordReached && recorder.count(SC::EventWordReached) == 650)
            control->stop();
    };
    control->speak(QStringLiteral("word ").repeated(600));
    ASSERT_TRUE(recorder.waitForEnd(2, 60000));
    recorder.onEvent = nullptr;
    control->speak(QStringLiteral("after the stop"));
    ASSERT_TRUE(recorder.waitForEnd(3, 10000));
    EXPECT_EQ(recorder.wordPositions().mid(650), (QList<int>{0, 6, 10}));
}
