#include "EventRecorder.h"
#include "FliteEngine.h"
#include "SpeechControl.h"

#include "SpeechTestKit.h"
#include <QLibrary>
#include <algorithm>

#include <gtest/gtest.h>

namespace {
const QString Slt = QStringLiteral("flite slt (US English, female)");
}

// Element 0 offers every installed built-in voice after espeak-ng's, and one of them reads
// with its words reported in order.
TEST(FliteBuiltinVoices, InstalledOnesAreListedAfterEspeakAndMarkWordsInOrder)
{
    SpeechControl element;
    QStringList names;
    for (int i = 0; i < element.voices().size(); ++i)
        names << element.voices().at(i).name;
    for (const char *id : {"kal", "kal16", "awb", "rms", "slt"}) {
        const bool installed =
            QLibrary(QStringLiteral("flite_cmu_us_") + QLatin1String(id), 1).load();
        const QString prefix = QStringLiteral("flite %1 (").arg(QLatin1String(id));
        const auto listed = std::count_if(names.begin(), names.end(),
                                          [&](const QString &n) { return n.startsWith(prefix); });
        EXPECT_EQ(listed, installed ? 1 : 0) << id;
    }
    ASSERT_TRUE(names.contains(Slt)) << "flite's slt voice is a build dependency";
    // espeak-ng's voices come first.
    EXPECT_GT(names.indexOf(Slt), 0);
    EXPECT_FALSE(names.first().startsWith(QStringLiteral("flite ")));

    element.selectVoice(Slt);
    EventRecorder recorder(element);
    const QString text = QStringLiteral("Seven quiet owls watched.");
    element.speak(text);
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.wordPositions(), (QList<int>{0, 6, 12, 17}));
}

// Rate and volume act on a built-in voice as on a voice file.
TEST(FliteBuiltinVoices, RateAndVolumeApply)
{
    std::unique_ptr<FliteEngine> engine = FliteEngine::builtIn();
    engine->selectVoice(Slt);
    const QString text = QStringLiteral("A sentence of a few words to time.");
    const Spoken normal = speak(*engine, text, Engine::Params(0, 99));
    const Spoken fast = speak(*engine, text, Engine::Params(10, 99));
    const Spoken quiet = speak(*engine, text, Engine::Params(0, 33));
    ASSERT_FALSE(normal.samples.empty());
    EXPECT_LT(fast.samples.size(), normal.samples.size() * 2 / 3);
    EXPECT_NEAR(rms(quiet.samples) / rms(normal.samples), 1.0 / 3, 0.05);
}
