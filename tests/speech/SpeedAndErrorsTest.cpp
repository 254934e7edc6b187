#include "FliteEngine.h"
#include "MessageBoxRecorder.h"
#include "ReadingHarness.h"
#include "ScriptedEngine.h"
#include "SpeechEventHandler.h"
#include "SpeedVolume.h"
#include "TestVoiceFile.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void expectHandlerBox(const MessageBoxService::Request &box, const QString &error,
                      const QString &procedure)
{
    EXPECT_TRUE(box.text.startsWith(error + QStringLiteral("\nOccurred at line ")))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(QStringLiteral("\n in Parlance") + procedure))
        << box.text.toStdString();
    EXPECT_EQ(box.title, QStringLiteral("Parlance Error."));
    EXPECT_EQ(box.buttons, MessageBoxService::AbortRetryIgnore);
    EXPECT_EQ(box.icon, MessageBoxService::Exclamation);
}
} // namespace

TEST(SpeedVolume, SlidersReachTheEngineWithinItsRange)
{
    ReadingHarness h(22050);
    frmMain &w = h.window();
    for (const auto &[slider, sent] : QList<std::pair<int, int>>{{0, 1}, {100, 99}, {50, 50}}) {
        w.Slider3->setValue(slider);
        EXPECT_EQ(h.element().volume(), sent) << "slider " << slider;
    }
    for (const int slider : {10, -10, 3}) {
        w.Slider1->setValue(slider);
        EXPECT_EQ(h.element().rate(), slider);
    }
    // An end of the range is approached through its neighbour.
    EXPECT_EQ(SpeedVolume::rateSettings(10), (QList<int>{9, 10}));
    EXPECT_EQ(SpeedVolume::rateSettings(-10), (QList<int>{-9, -10}));
    EXPECT_EQ(SpeedVolume::rateSettings(3), QList<int>{3});

    // And the next reading is synthesised with them.
    w.Slider1->setValue(7);
    w.Slider3->setValue(20);
    QString text = QStringLiteral("speak these words");
    w.Speak(text);
    ASSERT_TRUE(h.waitForReadings());
    EXPECT_EQ(h.scripted()->lastParams().rate, 7);
    EXPECT_EQ(h.scripted()->lastParams().volume, 20);
}

TEST(SpeedVolume, PitchSpeedLoadsTheEngineValuesAndShowsWhatIsUnsupported)
{
    ReadingHarness h(22050);
    frmMain &w = h.window();
    h.element().setRate(-10);
    h.element().setVolume(30);
    w.PitchSpeed();
    EXPECT_EQ(w.Slider1->value(), -10);
    EXPECT_EQ(w.Slider3->value(), 30);
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Speed"));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Volume"));
    EXPECT_EQ(h.element().rate(), -10);

    // An element that cannot answer: three silent retries, then the standard box per step.
    MessageBoxRecorder boxes(MessageBoxService::ResultIgnore);
    w.EngineIndex = 4;
    w.PitchSpeed();
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Speed (Not supported by engine)"));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Volume (Not supported by engine)"));
    EXPECT_FALSE(w.Slider1->isEnabled());
    EXPECT_FALSE(w.Slider3->isEnabled());
    ASSERT_EQ(boxes.requests().size(), 2);
    expectHandlerBox(boxes.requests().first(),
                     QStringLiteral("Error 9: \nThere is no speech control element 4."),
                     QStringLiteral(": PitchSpeed"));
    // Moving a slider for a missing element is no error the user sees.
    w.Slider3->setValue(40);
    EXPECT_EQ(boxes.requests().size(), 2);

    // Abort leaves PitchSpeed at once.
    boxes.clear();
    boxes.queueAnswer(MessageBoxService::ResultAbort);
    w.Label1->setText(QStringLiteral("unchanged"));
    w.PitchSpeed();
    EXPECT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(w.Label1->text(), QStringLiteral("unchanged"));

    // A reading re-enables the sliders whatever PitchSpeed decided.
    w.EngineIndex = 0;
    h.setDocument(QStringLiteral("a short reading"));
    w.Command1->click();
    ASSERT_TRUE(h.waitForReadings());
    EXPECT_TRUE(w.Slider1->isEnabled());
    EXPECT_TRUE(w.Slider3->isEnabled());
}

TEST(SpeechEvents, HandlerErrorsGoThroughTheStandardBox)
{
    ReadingHarness h(22050);
    frmMain &w = h.window();
    // A chunk ends with more to read, but its element has gone: the next chunk cannot be
    // handed over, the standard box says why, and the reading finishes instead of hanging.
    h.setDocument(QStringLiteral("first chunk and the rest"));
    h.state().Speaking = true;
    h.state().CurrentChunk = QStringLiteral("first chunk ");
    h.state().RemainingText = QStringLiteral("and the rest");
    MessageBoxRecorder boxes(MessageBoxService::ResultAbort);
    w.speechEvents()->handleSpeechEvent(4, SpeechEvent::Ended, 12);
    ASSERT_EQ(boxes.requests().size(), 1);
    expectHandlerBox(boxes.requests().first(),
                     QStringLiteral("Error 9: \nThere is no speech control element 4."),
                     QStringLiteral(": ChantTTS1.HasEvent"));
    EXPECT_FALSE(h.state().Speaking);
    EXPECT_TRUE(w.Command1->isEnabled());
}

// A damaged voice file: the reading ends as any reading ends, and only a reading the user
// started says which voice failed.
TEST(SpeechEvents, AVoiceThatCannotSpeakEndsTheReadingAndIsNamed)
{
    QTemporaryDir voices;
    const QString path = TestVoiceFile::write(voices.path());
    ASSERT_FALSE(path.isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.resize(file.size() / 3));

    ReadingHarness h(std::make_unique<FliteEngine>(voices.path()));
    frmMain &w = h.window();
    w.List1->addItem(QStringLiteral("CereVoice slt"));
    w.List1->setCurrentIndex(w.List1->count() - 1);
    for (const bool background : {false, true}) {
        MessageBoxRecorder boxes(MessageBoxService::ResultIgnore);
        h.state().BackgroundSpeech = background;
        QString text = QStringLiteral("nothing of this can be heard");
        w.Speak(text);
        EXPECT_FALSE(w.Command2->isEnabled());
        EXPECT_TRUE(w.Command1->isEnabled() && w.List1->isEnabled());
        EXPECT_FALSE(w.TimeEstimate->isActive());
        EXPECT_FALSE(h.state().Speaking || h.state().BackgroundSpeech);
        if (background) {
            EXPECT_TRUE(boxes.requests().isEmpty());
        } else {
            ASSERT_EQ(boxes.requests().size(), 1);
            EXPECT_TRUE(boxes.requests().first().text.contains("\"CereVoice slt\""))
                << boxes.requests().first().text.toStdString();
            EXPECT_EQ(boxes.requests().first().title, QStringLiteral("Parlance Error."));
        }
    }
}
