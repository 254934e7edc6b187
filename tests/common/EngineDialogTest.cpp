#include "DialogRunner.h"
#include "EngineSettingsDialog.h"
#include "EngineSettingsStore.h"
#include "EspeakEngine.h"
#include "EventRecorder.h"
#include "PronunciationDialog.h"
#include "ScriptedEngine.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "TestVoiceFile.h"

#include "SpeechTestKit.h"
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

namespace {
using SC = SpeechControl;
const QString FliteVoice = QStringLiteral("CereVoice slt");

std::vector<qint16> readSamples(const QString &path)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    std::vector<qint16> samples;
    if (!f)
        return samples;
    samples.resize(size_t(info.frames));
    sf_read_short(f, samples.data(), info.frames);
    sf_close(f);
    return samples;
}

// Answers the dialogs of one test: `fill` works the widgets, then the dialog is accepted
// (or rejected), the way a user would.
class DialogAnswer
{
public:
    DialogAnswer(std::function<void(QDialog &)> fill, int result = QDialog::Accepted)
    {
        DialogRunner::setHandler([this, fill, result](QDialog &dialog) {
            ++shown;
            title = dialog.windowTitle();
            fill(dialog);
            return result;
        });
    }
    ~DialogAnswer() { DialogRunner::setHandler({}); }
    int shown = 0;
    QString title;
};

void setSpin(QDialog &dialog, const char *key, int value)
{
    auto *spin = dialog.findChild<QSpinBox *>(QString::fromLatin1(key));
    ASSERT_NE(spin, nullptr) << key;
    spin->setValue(value);
}

class EngineDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(TestVoiceFile::write(m_voices.path()).isEmpty());
        m_text = m_work.filePath("in.txt");
        QFile file(m_text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Seven slow swans, sailing south; then: silence!");
        EngineSettingsStore().clear(FliteVoice);
    }
    void TearDown() override
    {
        EngineSettingsStore().clear(FliteVoice);
        for (const QString &voice : std::as_const(m_espeakVoices))
            EngineSettingsStore().clear(voice);
    }

    std::unique_ptr<SC> fliteElement()
    {
        auto control = std::make_unique<SC>(1);
        control->setVoiceFolder(m_voices.path());
        return control;
    }
    std::unique_ptr<SC> espeakElement()
    {
        auto control = std::make_unique<SC>(0);
        m_espeakVoices.append(control->voiceName());
        return control;
    }
    // Speaks the fixture's sentence, or `text`, into a 22 kHz file and returns its samples.
    std::vector<qint16> speakToFile(SC &control, const QString &text = QString())
    {
        QString source = m_text;
        if (!text.isNull()) {
            source = m_work.filePath(QStringLiteral("text%1.txt").arg(m_count));
            QFile file(source);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(text.toUtf8());
        }
        const QString wav = m_work.filePath(QStringLiteral("out%1.wav").arg(m_count++));
        control.speakToFile(source, wav, SC::Format22kHz16BitMono);
        return readSamples(wav);
    }

    QTemporaryDir m_voices;
    QTemporaryDir m_work;
    QString m_text;
    QStringList m_espeakVoices;
    int m_count = 0;
};

double pitch(const std::vector<qint16> &samples)
{
    return TestVoiceFile::medianPitch(samples.data(), qsizetype(samples.size()), 22050);
}
} // namespace

TEST_F(EngineDialogs, AnEngineWithoutDialogsRefusesWithAPositiveNumber)
{
    SC control(0, std::make_unique<ScriptedEngine>());
    DialogAnswer answer([](QDialog &) {});
    EXPECT_GT(errorNumber([&] { control.showSettingsDialog(); }), 0);
    EXPECT_GT(errorNumber([&] { control.showPronunciationDialog(); }), 0);
    // A voice-file element without a voice has nothing to set.
    QTemporaryDir empty;
    SC broken(2);
    broken.setVoiceFolder(empty.path());
    EXPECT_GT(errorNumber([&] { broken.showSettingsDialog(); }), 0);
    EXPECT_EQ(answer.shown, 0);
}

// "Try" speaks a sample with the values shown, which are kept only if the dialog is accepted;
// the sample is no reading, so the window hears of none of it, and a reading under way is not
// interrupted for one.
TEST_F(EngineDialogs, TrySpeaksASampleWithTheValuesShown)
{
    auto engine = std::make_unique<ScriptedEngine>();
    ScriptedEngine *scripted = engine.get();
    EngineSetting pitch;
    pitch.key = QStringLiteral("pitch");
    scripted->setSettingList({pitch});
    SC control(0, std::move(engine));
    const QString voice = control.voiceName();
    EngineSettingsStore().clear(voice);
    EventRecorder recorder(control);
    {
        DialogAnswer answer(
            [&](QDialog &d) {
                setSpin(d, "pitch", 70);
                auto *tryButton = d.findChild<QPushButton *>(QStringLiteral("tryButton"));
                ASSERT_NE(tryButton, nullptr);
                ASSERT_TRUE(tryButton->isEnabled());
                tryButton->click();
                EXPECT_TRUE(QTest::qWaitFor([&] { return !control.isSpeaking(); }));
            },
            QDialog::Rejected);
        control.showSettingsDialog();
    }
    EXPECT_EQ(scripted->synthesisCount(), 1);
    EXPECT_EQ(scripted->lastParams().settings.value(QStringLiteral("pitch")), 70);
    EXPECT_TRUE(recorder.events().isEmpty());
    EXPECT_FALSE(EngineSettingsStore().values(voice).contains(QStringLiteral("pitch")));
    EXPECT_EQ(SC::sampleText({{QStringLiteral("de-at"), 5}}).left(10),
              QStringLiteral("So klinge "));

    control.speak(QStringLiteral("a reading that must not be cut short"));
    {
        DialogAnswer answer(
            [&](QDialog &d) {
                EXPECT_FALSE(d.findChild<QPushButton *>(QStringLiteral("tryButton"))->isEnabled());
            },
            QDialog::Rejected);
        control.showSettingsDialog();
    }
    EXPECT_TRUE(control.isSpeaking());
    control.stop();
    EngineSettingsStore().clear(voice);
}

TEST_F(EngineDialogs, FliteSettingsChangeLaterSpeechAndStayWithTheVoice)
{
    auto control = fliteElement();
    const std::vector<qint16> before = speakToFile(*control);
    {
        DialogAnswer answer([](QDialog &d) { setSpin(d, "pitch", 60); });
        control->showSettingsDialog();
        EXPECT_EQ(answer.shown, 1);
        EXPECT_TRUE(answer.title.contains(FliteVoice));
    }
    const std::vector<qint16> after = speakToFile(*control);
    EXPECT_NEAR(pitch(after) / pitch(before), 1.6, 0.2);

    // Another element with the same voice (or the next run) finds the stored value, and a
    // cancelled dialog changes nothing.
    auto again = fliteElement();
    int shownPitch = -1;
    {
        DialogAnswer answer(
            [&](QDialog &d) {
                shownPitch = d.findChild<QSpinBox *>(QStringLiteral("pitch"))->value();
                setSpin(d, "pitch", -30);
            },
            QDialog::Rejected);
        again->showSettingsDialog();
    }
    EXPECT_EQ(shownPitch, 60);
    EXPECT_EQ(EngineSettingsStore().values(FliteVoice).value(QStringLiteral("pitch")), 60);
}

TEST_F(EngineDialogs, EspeakSettingsChangePitchPausesAndPunctuation)
{
    auto control = espeakElement();
    const std::vector<qint16> before = speakToFile(*control);
    {
        DialogAnswer answer([](QDialog &d) {
            setSpin(d, "pitch", 90);
            setSpin(d, "wordGap", 30);
        });
        control->showSettingsDialog();
    }
    const std::vector<qint16> higher = speakToFile(*control);
    EXPECT_GT(pitch(higher), pitch(before) * 1.15);
    // Seven words, each followed by 300 ms more pause.
    EXPECT_GT(double(higher.size()), double(before.size()) + 22050 * 0.3 * 5);

    {
        DialogAnswer answer([](QDialog &d) {
            auto *dialog = qobject_cast<EngineSettingsDialog *>(&d);
            ASSERT_NE(dialog, nullptr);
            dialog->restoreDefaults();
            auto *punctuation = d.findChild<QComboBox *>(QStringLiteral("punctuation"));
            ASSERT_NE(punctuation, nullptr);
            ASSERT_EQ(punctuation->count(), 3);
            punctuation->setCurrentIndex(1); // all
        });
        control->showSettingsDialog();
    }
    // Speaking every comma, semicolon, colon and the exclamation mark takes a while longer.
    const std::vector<qint16> spoken = speakToFile(*control);
    EXPECT_GT(double(spoken.size()), double(before.size()) + 22050 * 1.0);
    const EngineSettingValues stored = EngineSettingsStore().values(control->voiceName());
    EXPECT_EQ(stored, (EngineSettingValues{{QStringLiteral("pitch"), 50},
                                           {QStringLiteral("pitchRange"), 50},
                                           {QStringLiteral("wordGap"), 0},
                                           {QStringLiteral("punctuation"), 1}}));
}

TEST(EspeakSettings, SomePunctuationNamesFewerMarksThanAll)
{
    EspeakEngine engine;
    const QString text = QStringLiteral("Wait (please), then: go; now. Really, yes!");
    auto length = [&](int punctuation) {
        qint64 samples = 0;
        engine.synthesize(
            text, Engine::Params(0, 99, {{QStringLiteral("punctuation"), punctuation}}),
            [&](const qint16 *, int count) {
                samples += count;
                return true;
            },
            [](qint64, int, int) {});
        return double(samples) / engine.sampleRate();
    };
    const double none = length(0);
    const double all = length(1);
    const double some = length(2);
    // Brackets, colon and semicolon are named (about a third of a second each at least); the
    // commas, full stop and exclamation mark are not.
    EXPECT_GT(some, none + 4 * 0.3);
    EXPECT_GT(all, some + 3 * 0.2);
}

TEST_F(EngineDialogs, PronunciationsChangeTheAudioButNotTheWordPositions)
{
    auto control = fliteElement();
    EventRecorder recorder(*control);
    const QString text = QStringLiteral("The cat sat on the mat.");
    control->speak(text);
    ASSERT_TRUE(recorder.waitForEnd());
    const QList<int> plainPositions = recorder.wordPositions();
    ASSERT_EQ(plainPositions, (QList<int>{0, 4, 8, 12, 15, 19}));
    const qsizetype plainLength = speakToFile(*control, text).size();

    {
        DialogAnswer answer([](QDialog &d) {
            auto *dialog = qobject_cast<PronunciationDialog *>(&d);
            ASSERT_NE(dialog, nullptr);
            d.findChild<QPushButton *>(QStringLiteral("addButton"))->click();
            d.findChild<QPushButton *>(QStringLiteral("addButton"))->click();
            d.findChild<QPushButton *>(QStringLiteral("addButton"))->click();
            QTableWidget *table = dialog->table();
            ASSERT_EQ(table->rowCount(), 3);
            table->item(0, 0)->setText(QStringLiteral("CAT"));
            table->item(0, 1)->setText(QStringLiteral("hippopotamus of the river"));
            table->item(1, 0)->setText(QStringLiteral("dropped"));
            // The empty third row is not an entry; the second goes again.
            table->setCurrentCell(1, 0);
            table->selectRow(1);
            d.findChild<QPushButton *>(QStringLiteral("removeButton"))->click();
            EXPECT_EQ(table->rowCount(), 2);
        });
        control->showPronunciationDialog();
    }
    const auto stored = EngineSettingsStore().lexicon(FliteVoice).entries();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].word, QStringLiteral("CAT"));

    control->speak(text);
    ASSERT_TRUE(recorder.waitForEnd(2));
    EXPECT_EQ(recorder.wordPositions(), plainPositions + plainPositions);
    // Four spoken words in place of one: clearly longer.
    EXPECT_GT(double(speakToFile(*control, text).size()), double(plainLength) * 1.3);

    // The dialog opens again with the stored entry.
    QStringList shown;
    DialogAnswer look(
        [&](QDialog &d) {
            QTableWidget *table = qobject_cast<PronunciationDialog *>(&d)->table();
            for (int row = 0; row < table->rowCount(); ++row)
                shown << table->item(row, 0)->text() + "=" + table->item(row, 1)->text();
        },
        QDialog::Rejected);
    control->showPronunciationDialog();
    EXPECT_EQ(shown, QStringList{"CAT=hippopotamus of the river"});
}

TEST(EngineSettingsDialog, ValuesStayInRangeAndDefaultsComeBack)
{
    EngineSetting level;
    level.key = QStringLiteral("level");
    level.maximum = 10;
    level.defaultValue = 4;
    EngineSetting mode;
    mode.key = QStringLiteral("mode");
    mode.defaultValue = 1;
    mode.choices = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    // Stored values from an older version may be out of range or unknown.
    EngineSettingsDialog dialog(
        QStringLiteral("v"), {level, mode},
        {{QStringLiteral("level"), 99}, {QStringLiteral("mode"), 7}, {QStringLiteral("gone"), 1}});
    EXPECT_EQ(dialog.values(),
              (EngineSettingValues{{QStringLiteral("level"), 10}, {QStringLiteral("mode"), 1}}));
    dialog.findChild<QComboBox *>(QStringLiteral("mode"))->setCurrentIndex(2);
    EXPECT_EQ(dialog.values().value(QStringLiteral("mode")), 2);
    dialog.restoreDefaults();
    EXPECT_EQ(dialog.values(),
              (EngineSettingValues{{QStringLiteral("level"), 4}, {QStringLiteral("mode"), 1}}));
}
