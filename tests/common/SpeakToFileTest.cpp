#include "SpeechControl.h"
#include "SpeechError.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sndfile.h>

namespace {
using SC = SpeechControl;

struct WavInfo
{
    bool ok = false;
    int rate = 0;
    int channels = 0;
    int format = 0;
    sf_count_t frames = 0;
};

WavInfo inspect(const QString &path)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return {};
    sf_close(f);
    return {true, info.samplerate, info.channels, info.format, info.frames};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

int speakToFile(SC &control, const QString &text, const QString &wav, int format)
{
    try {
        control.speakToFile(text, wav, format);
    } catch (const SpeechError &e) {
        return e.number;
    }
    return 0;
}

const char *Sentence = "Speaking to a file should take about as long as reading this aloud.";
} // namespace

TEST(SpeakToFile, WritesAWavAtTheChosenRateWithAPlausibleLength)
{
    QTemporaryDir dir;
    const QString text = dir.filePath("in.txt");
    writeFile(text, Sentence);
    SC control(0);
    qint64 lastDone = -1, lastTotal = -1;
    QObject::connect(&control, &SC::fileProgress,
                     [&](qint64 d, qint64 t) { lastDone = d, lastTotal = t; });

    ASSERT_EQ(speakToFile(control, text, dir.filePath("a.wav"), SC::Format22kHz16BitMono), 0);
    const WavInfo a = inspect(dir.filePath("a.wav"));
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.rate, 22050);
    EXPECT_EQ(a.channels, 1);
    EXPECT_EQ(a.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    // Twelve words at the default speed: a few seconds, not a blip and not a minute.
    EXPECT_GT(a.frames, 22050 * 2);
    EXPECT_LT(a.frames, 22050 * 10);
    EXPECT_EQ(lastDone, lastTotal);

    ASSERT_EQ(speakToFile(control, text, dir.filePath("b.wav"), SC::Format16kHz16BitMono), 0);
    const WavInfo b = inspect(dir.filePath("b.wav"));
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.rate, 16000);
    EXPECT_NEAR(double(b.frames) / 16000, double(a.frames) / 22050, 0.05);

    // A faster rate makes a shorter file.
    control.setRate(10);
    ASSERT_EQ(speakToFile(control, text, dir.filePath("c.wav"), SC::Format22kHz16BitMono), 0);
    EXPECT_LT(inspect(dir.filePath("c.wav")).frames, a.frames * 2 / 3);
}

TEST(SpeakToFile, ReadsUtf16TextWithAByteOrderMark)
{
    QTemporaryDir dir;
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    QByteArray bytes("\xFF\xFE", 2);
    bytes += encoder.encode(QString::fromUtf8(Sentence));
    writeFile(dir.filePath("in16.txt"), bytes);
    writeFile(dir.filePath("in8.txt"), Sentence);
    SC control(0);
    ASSERT_EQ(speakToFile(control, dir.filePath("in8.txt"), dir.filePath("u8.wav"), -1), 0);
    ASSERT_EQ(speakToFile(control, dir.filePath("in16.txt"), dir.filePath("u16.wav"), -1), 0);
    // The same words make the same audio whichever encoding carried them (the engine's
    // pauses vary by a few milliseconds from call to call).
    EXPECT_NEAR(double(inspect(dir.filePath("u16.wav")).frames),
                double(inspect(dir.filePath("u8.wav")).frames), 22050 * 0.05);
}

TEST(SpeakToFile, FailuresAreErrorsAndLeaveNoFile)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("in.txt"), Sentence);
    SC control(0);
    EXPECT_GT(speakToFile(control, dir.filePath("missing.txt"), dir.filePath("x.wav"), -1), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("x.wav")));
    EXPECT_GT(
        speakToFile(control, dir.filePath("in.txt"), dir.filePath("no/such/folder/x.wav"), -1), 0);
    EXPECT_GT(speakToFile(control, dir.filePath("in.txt"), dir.filePath("y.wav"), 7), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("y.wav")));
}

TEST(SpeakToFile, StopCancelsAndRemovesThePartialFile)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("long.txt"),
              QByteArray("A rather long sentence to keep the engine busy. ").repeated(400));
    SC control(0);
    QObject::connect(&control, &SC::fileProgress, [&](qint64 done, qint64) {
        if (done > 0)
            control.stop();
    });
    EXPECT_EQ(speakToFile(control, dir.filePath("long.txt"), dir.filePath("z.wav"), -1),
              SpeechErrors::Cancelled);
    EXPECT_FALSE(QFile::exists(dir.filePath("z.wav")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"long.txt"});
}
