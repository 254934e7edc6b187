#include "WavFileWriter.h"
#include "EspeakEngine.h"
#include "SpeechError.h"

#include "SpeechTestKit.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include <gtest/gtest.h>
#include <numbers>
#include <sndfile.h>
#include <vector>

namespace {

struct WavContents
{
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<qint16> samples;
};

WavContents readWav(const QString &path)
{
    WavContents contents;
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return contents;
    contents.rate = info.samplerate;
    contents.channels = info.channels;
    contents.format = info.format;
    contents.samples.resize(size_t(info.frames * info.channels));
    contents.samples.resize(
        size_t(sf_read_short(file, contents.samples.data(), sf_count_t(contents.samples.size()))));
    sf_close(file);
    return contents;
}

std::vector<qint16> tone(double frequency, int rate, int count, double amplitude = 10000)
{
    std::vector<qint16> samples(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        samples[size_t(i)] =
            qint16(std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate)));
    return samples;
}

// RMS away from the ends, where the filter meets the silence around the tone.
double innerRms(const std::vector<qint16> &samples)
{
    const size_t margin = samples.size() / 10;
    double sum = 0;
    for (size_t i = margin; i < samples.size() - margin; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(samples.size() - 2 * margin));
}

void writeInChunks(WavFileWriter &writer, const std::vector<qint16> &samples, int chunk)
{
    for (size_t at = 0; at < samples.size(); at += size_t(chunk))
        writer.write(samples.data() + at, int(std::min(samples.size() - at, size_t(chunk))));
}

} // namespace

TEST(WavFileWriter, SameRateKeepsEverySample)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.wav"));
    const auto input = tone(440, 22050, 22050);
    WavFileWriter writer(path, 22050, 22050);
    writeInChunks(writer, input, 1323);
    // Nothing appears under the final name until the file is complete.
    EXPECT_FALSE(QFile::exists(path));
    writer.finish();

    const WavContents wav = readWav(path);
    EXPECT_EQ(wav.rate, 22050);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(wav.samples, input);
    EXPECT_EQ(writer.framesWritten(), qint64(input.size()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.wav"});
}

TEST(WavFileWriter, ResamplingKeepsSpeechBandAndRemovesWhatCannotBeHeld)
{
    QTemporaryDir dir;
    const int count = 22050 * 2;
    const auto low = tone(440, 22050, count);
    const auto high = tone(10000, 22050, count); // above 8 kHz: would fold back as noise

    WavFileWriter lowWriter(dir.filePath(QStringLiteral("low.wav")), 16000, 22050);
    writeInChunks(lowWriter, low, 997);
    lowWriter.finish();
    WavFileWriter highWriter(dir.filePath(QStringLiteral("high.wav")), 16000, 22050);
    writeInChunks(highWriter, high, 1323);
    highWriter.finish();

    const WavContents lowWav = readWav(dir.filePath(QStringLiteral("low.wav")));
    EXPECT_EQ(lowWav.rate, 16000);
    EXPECT_EQ(lowWav.channels, 1);
    EXPECT_NEAR(double(lowWav.samples.size()), count * 16000.0 / 22050.0, 1.0);
    EXPECT_NEAR(innerRms(lowWav.samples) / innerRms(low), 1.0, 0.01);
    // The 440 Hz tone is still 440 Hz: count rising zero crossings over the whole file.
    int crossings = 0;
    for (size_t i = 1; i < lowWav.samples.size(); ++i)
        crossings += lowWav.samples[i - 1] < 0 && lowWav.samples[i] >= 0;
    EXPECT_NEAR(crossings, 880, 2);

    const WavContents highWav = readWav(dir.filePath(QStringLiteral("high.wav")));
    EXPECT_LT(innerRms(highWav.samples), 0.01 * innerRms(high));
}

TEST(WavFileWriter, ChunkingDoesNotChangeTheResampledAudio)
{
    QTemporaryDir dir;
    const auto input = tone(1234.5, 22050, 30000);
    WavFileWriter whole(dir.filePath(QStringLiteral("whole.wav")), 16000, 22050);
    whole.write(input.data(), int(input.size()));
    whole.finish();
    WavFileWriter pieces(dir.filePath(QStringLiteral("pieces.wav")), 16000, 22050);
    writeInChunks(pieces, input, 7);
    pieces.finish();
    EXPECT_EQ(readWav(dir.filePath(QStringLiteral("whole.wav"))).samples,
              readWav(dir.filePath(QStringLiteral("pieces.wav"))).samples);
}

TEST(WavFileWriter, SpeechFromTheEngineHasAPlausibleLength)
{
    QTemporaryDir dir;
    EspeakEngine engine;
    const QString path = dir.filePath(QStringLiteral("speech.wav"));
    WavFileWriter writer(path, 16000, engine.sampleRate());
    qint64 produced = 0;
    ASSERT_TRUE(engine.synthesize(
        QStringLiteral("Writing speech to a file works at sixteen kilohertz too."), {},
        [&](const qint16 *samples, int count) {
            produced += count;
            writer.write(samples, count);
            return true;
        },
        [](qint64, int, int) {}));
    writer.finish();
    const WavContents wav = readWav(path);
    EXPECT_EQ(wav.rate, 16000);
    EXPECT_NEAR(double(wav.samples.size()), produced * 16000.0 / engine.sampleRate(), 1.0);
    // A few seconds of speech, not silence.
    EXPECT_GT(wav.samples.size(), size_t(16000));
    EXPECT_GT(innerRms(wav.samples), 300.0);
}

TEST(WavFileWriter, UnwritablePlacesFailClearly)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no such folder/out.wav"));
    try {
        WavFileWriter writer(missing, 22050, 22050);
        FAIL() << "opened a file in a missing folder";
    } catch (const SpeechError &e) {
        EXPECT_EQ(e.number, SpeechErrors::FileAccess);
        EXPECT_TRUE(e.description.contains(QStringLiteral("out.wav")))
            << e.description.toStdString();
    }
    // A folder of that name is not a file to replace.
    QDir(dir.path()).mkdir(QStringLiteral("taken.wav"));
    EXPECT_EQ(errorNumber(
                  [&] { WavFileWriter(dir.filePath(QStringLiteral("taken.wav")), 22050, 22050); }),
              SpeechErrors::FileAccess);
    EXPECT_EQ(errorNumber([&] { WavFileWriter(dir.filePath(QStringLiteral("x.wav")), 0, 22050); }),
              SpeechErrors::InvalidArgument);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(WavFileWriter, SizeLimitRefusesBeforeWritingAndLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.wav"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous contents");
    }
    const auto chunk = tone(300, 22050, 600);
    WavFileWriter writer(path, 22050, 22050, 2000); // room for 1000 samples
    writer.write(chunk.data(), int(chunk.size()));
    EXPECT_EQ(errorNumber([&] { writer.write(chunk.data(), int(chunk.size())); }),
              SpeechErrors::FileTooLarge);
    EXPECT_FALSE(writer.isOpen());
    EXPECT_NE(errorNumber([&] { writer.finish(); }), 0);

    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("previous contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.wav"});

    // Exactly at the limit is still a valid file, and it replaces the old one.
    WavFileWriter exact(path, 22050, 22050, 1200);
    exact.write(chunk.data(), int(chunk.size()));
    exact.finish();
    EXPECT_EQ(readWav(path).samples, chunk);
}

TEST(WavFileWriter, AbandonedFileLeavesNothingBehind)
{
    QTemporaryDir dir;
    const auto input = tone(440, 22050, 5000);
    {
        WavFileWriter writer(dir.filePath(QStringLiteral("gone.wav")), 16000, 22050);
        writer.write(input.data(), int(input.size()));
    }
    WavFileWriter discarded(dir.filePath(QStringLiteral("also gone.wav")), 22050, 22050);
    discarded.write(input.data(), int(input.size()));
    discarded.discard();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
