#include "EngineSettingsStore.h"
#include "EventRecorder.h"
#include "FliteEngine.h"
#include "ScriptedEngine.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "TestVoiceFile.h"

#include "SpeechTestKit.h"
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

namespace {
using SC = SpeechControl;
const QString Voice = QStringLiteral("CereVoice slt");

struct Wav
{
    int rate = 0;
    std::vector<qint16> samples;
};

Wav readWav(const QString &path)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    Wav wav;
    if (!f)
        return wav;
    wav.rate = info.samplerate;
    wav.samples.resize(size_t(info.frames * info.channels));
    sf_read_short(f, wav.samples.data(), sf_count_t(wav.samples.size()));
    sf_close(f);
    return wav;
}

// Configures an element the way the reader's loading does: engine folder and voice folder,
// both twice, then the voice-file voice by name.
void configure(SC &control, const QString &voiceFolder)
{
    for (int i = 0; i < 2; ++i) {
        control.setEngineFolder(QStringLiteral("/opt/engine"));
        control.setVoiceFolder(voiceFolder);
    }
}

class VoiceFileElement : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(TestVoiceFile::write(m_voices.path()).isEmpty());
        EngineSettingsStore().clear(Voice);
        m_text = m_work.filePath("in.txt");
        QFile file(m_text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Speaking to a file with a voice from a voice file.");
    }
    void TearDown() override { EngineSettingsStore().clear(Voice); }

    Wav toFile(SC &control, int format, const QString &name = QStringLiteral("out.wav"))
    {
        const QString wav = m_work.filePath(name);
        control.speakToFile(m_text, wav, format);
        return readWav(wav);
    }

    QTemporaryDir m_voices;
    QTemporaryDir m_work;
    QString m_text;
};
} // namespace

TEST_F(VoiceFileElement, TheVoiceFolderTurnsAnElementIntoAVoiceFileElement)
{
    SC control(1);
    configure(control, m_voices.path());
    ASSERT_NE(dynamic_cast<FliteEngine *>(control.engine()), nullptr);
    ASSERT_EQ(control.voices().size(), 1);
    const QString name = control.voices().at(0).name;
    EXPECT_TRUE(name.contains(QStringLiteral("cerevoice"), Qt::CaseInsensitive));
    control.selectVoice(name);
    EXPECT_EQ(control.voiceName(), Voice);
    EXPECT_EQ(control.voiceFolder(), m_voices.path());
    EXPECT_EQ(control.engineFolder(), QStringLiteral("/opt/engine"));

    // Setting the same folder again keeps the loaded engine (and whatever it is saying).
    Engine *loaded = control.engine();
    control.setVoiceFolder(m_voices.path());
    EXPECT_EQ(control.engine(), loaded);

    // Without a folder the element speaks the standard voices again.
    control.setVoiceFolder(QString());
    EXPECT_EQ(dynamic_cast<FliteEngine *>(control.engine()), nullptr);
    EXPECT_GT(control.voices().size(), 1);

    // Element 0 never set up with a folder stays on the standard voices.
    SC standard(0);
    EXPECT_EQ(dynamic_cast<FliteEngine *>(standard.engine()), nullptr);
}

TEST_F(VoiceFileElement, AFolderWithoutAVoiceListsNoneAndSpeakingFails)
{
    QTemporaryDir empty;
    SC control(2, std::make_unique<ScriptedEngine>());
    configure(control, empty.path());
    EXPECT_EQ(control.voices().size(), 0);
    EXPECT_GT(errorNumber([&] { control.speak(QStringLiteral("hello")); }), 0);
    EXPECT_GT(errorNumber([&] { toFile(control, SC::Format16kHz16BitMono); }), 0);
    EXPECT_GT(errorNumber([&] { control.selectVoice(Voice); }), 0);
    EXPECT_FALSE(control.isSpeaking());
}

TEST_F(VoiceFileElement, SpeaksWithWordEventsAtTheirPositions)
{
    SC control(1);
    configure(control, m_voices.path());
    EventRecorder recorder(control);
    const QString text = QStringLiteral("Good morning, (dear) reader: it's 9 o'clock.");
    control.speak(text);
    ASSERT_TRUE(recorder.waitForEnd());
    const QList<SpeechEvent> kinds = recorder.kinds();
    ASSERT_GE(kinds.size(), 2);
    EXPECT_EQ(kinds.first(), SpeechEvent::Started);
    EXPECT_EQ(kinds.last(), SpeechEvent::Ended);
    QStringList words;
    for (int position : recorder.wordPositions())
        words.append(text.mid(position).section(QRegularExpression("[\\s,():.]"), 0, 0));
    EXPECT_EQ(words, (QStringList{"Good", "morning", "dear", "reader", "it's", "9", "o'clock"}));
}

TEST_F(VoiceFileElement, SpeaksToFilesAtBothRatesAndFollowsTheRate)
{
    SC control(1);
    configure(control, m_voices.path());
    const Wav narrow = toFile(control, SC::Format16kHz16BitMono, QStringLiteral("a.wav"));
    ASSERT_EQ(narrow.rate, 16000);
    EXPECT_GT(narrow.samples.size(), 16000u);
    const Wav wide = toFile(control, SC::Format22kHz16BitMono, QStringLiteral("b.wav"));
    ASSERT_EQ(wide.rate, 22050);
    EXPECT_NEAR(double(wide.samples.size()) / 22050, double(narrow.samples.size()) / 16000, 0.01);

    control.setRate(6);
    const Wav fast = toFile(control, SC::Format16kHz16BitMono, QStringLiteral("c.wav"));
    EXPECT_LT(double(fast.samples.size()), double(narrow.samples.size()) * 0.7);
}
