#include "SentenceChunker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/mount.h>
#include <unistd.h>

// The converter's command line, run as the real program with the real engine.
namespace {

const QByteArray Text =
    "The old miller carried a basket of pears before the rain began. A tired traveller "
    "noticed the broken lantern while the others were asleep! Did our neighbour repair "
    "forty-two wooden crates on the morning of the 14th of March? The schoolteacher "
    "measured the map of the valley, and then, quite suddenly, laughed.\n";

struct Audio
{
    bool ok = false;
    int rate = 0;
    int channels = 0;
    qint64 frames = 0;
    int peak = 0;
    QString title;
    QString artist;
    double seconds() const { return rate > 0 ? double(frames) / rate : 0; }
};

Audio readBack(const QString &path)
{
    Audio audio;
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return audio;
    audio.ok = true;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    std::vector<short> buffer(8192 * size_t(qMax(1, info.channels)));
    sf_count_t read;
    while ((read = sf_readf_short(file, buffer.data(), 8192)) > 0) {
        audio.frames += read;
        for (sf_count_t i = 0; i < read * info.channels; ++i)
            audio.peak = qMax(audio.peak, std::abs(int(buffer[size_t(i)])));
    }
    audio.title = QString::fromUtf8(sf_get_string(file, SF_STR_TITLE));
    audio.artist = QString::fromUtf8(sf_get_string(file, SF_STR_ARTIST));
    sf_close(file);
    return audio;
}

std::vector<short> samplesOf(const QString &path)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file || info.channels != 1)
        return {};
    std::vector<short> samples(size_t(info.frames));
    samples.resize(size_t(sf_read_short(file, samples.data(), info.frames)));
    sf_close(file);
    return samples;
}

class BatchConverterTest : public ::testing::Test
{
protected:
    struct Run
    {
        int code = -1;
        QString out;
        QString err;
    };

    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString write(const QString &name, const QByteArray &content = Text)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    Run run(const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        process.start(QStringLiteral(WAVEWRIGHT_PROGRAM), arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(120000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

TEST_F(BatchConverterTest, EveryFormatHoldsTheSameSpeechAsTheWav)
{
    const QString text = write(QStringLiteral("story.txt"));
    const QStringList voices = run({QStringLiteral("--list-voices")}).out.split('\n');
    ASSERT_FALSE(voices.value(0).isEmpty());
    const QString voice = voices.first();

    const QString wavPath = m_dir.filePath(QStringLiteral("story.wav"));
    ASSERT_EQ(run({QStringLiteral("--voice"), voice, text}).code, 0);
    const Audio wav = readBack(wavPath);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.rate, 22050);
    EXPECT_GT(wav.seconds(), 5.0);

    struct Case
    {
        const char *format;
        int rate;
        bool tagsReadBack; // else checked in the file itself
    };
    for (const Case &c : {Case{"mp3", 22050, false}, Case{"ogg", 22050, true},
                          // libsndfile decodes Opus at the Opus rate nearest the voice's
                          Case{"opus", 24000, true}, Case{"flac", 22050, true}}) {
        SCOPED_TRACE(c.format);
        const QString path = m_dir.filePath(QStringLiteral("out.%1").arg(QLatin1String(c.format)));
        // The format follows the output's extension.
        ASSERT_EQ(run({QStringLiteral("--voice"), voice, QStringLiteral("-o"), path, text}).code,
                  0);
        const Audio audio = readBack(path);
        ASSERT_TRUE(audio.ok);
        EXPECT_EQ(audio.rate, c.rate);
        EXPECT_EQ(audio.channels, 1);
        EXPECT_NEAR(audio.seconds(), wav.seconds(), wav.seconds() * 0.02);
        EXPECT_GT(audio.peak, 2000);
        if (c.tagsReadBack) {
            EXPECT_EQ(audio.title, QStringLiteral("story"));
            EXPECT_EQ(audio.artist, voice);
        } else {
            // LAME puts an ID3v1 tag at the end, which libsndfile does not read back.
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            file.seek(file.size() - 128);
            const QByteArray tag = file.read(128);
            EXPECT_TRUE(tag.startsWith("TAGstory")) << tag.left(33).constData();
            EXPECT_EQ(QString::fromLatin1(tag.mid(33, 30)).trimmed().remove(QChar(0)),
                      voice.left(30));
        }
    }
    EXPECT_EQ(filesIn(m_dir.path()).size(), 6);
}

TEST_F(BatchConverterTest, FailuresSayWhyAndLeaveNoFile)
{
    const QString text = write(QStringLiteral("story.txt"));

    // A folder that cannot exist: the text file stands where the folder would be.
    Run r = run({QStringLiteral("-o"), text + QStringLiteral("/x.mp3"), text});
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Cannot write"))) << r.err.toStdString();

    r = run({QStringLiteral("-o"), m_dir.filePath(QStringLiteral("x.aiff")), text});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Unknown audio format \"aiff\"")))
        << r.err.toStdString();
    r = run({QStringLiteral("--format"), QStringLiteral("mp4"), text});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(filesIn(m_dir.path()), QStringList{QStringLiteral("story.txt")});

    if (::geteuid() != 0) {
        GTEST_SKIP() << "a full disk needs a small tmpfs, which only root can mount";
    }
    const QString full = m_dir.filePath(QStringLiteral("full"));
    ASSERT_TRUE(QDir().mkpath(full));
    if (::mount("tmpfs", QFile::encodeName(full).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a tmpfs was refused: " << std::strerror(errno);
    for (const char *format : {"wav", "mp3", "flac"}) {
        SCOPED_TRACE(format);
        r = run({QStringLiteral("--format"), QLatin1String(format), QStringLiteral("-o"),
                 full + QStringLiteral("/out"), text});
        EXPECT_EQ(r.code, 4);
        EXPECT_TRUE(filesIn(full).isEmpty()) << filesIn(full).join(' ').toStdString();
    }
    ::umount(QFile::encodeName(full).constData());
}

TEST_F(BatchConverterTest, SeveralInputsStandardInputAndBadOptions)
{
    const QString first = write(QStringLiteral("first.txt"), "First file, first words.");
    const QString second =
        write(QStringLiteral("second.rtf"),
              "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Second file in \\b bold\\b0  type.\\par}");
    const QString out = m_dir.filePath(QStringLiteral("out"));
    Run r = run({QStringLiteral("--format"), QStringLiteral("flac"), QStringLiteral("-o"), out,
                 first, m_dir.filePath(QStringLiteral("missing.txt")), second});
    // The missing one is named and counted; the others are still converted.
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("missing.txt"))) << r.err.toStdString();
    EXPECT_EQ(filesIn(out),
              (QStringList{QStringLiteral("first.flac"), QStringLiteral("second.flac")}));
    EXPECT_GT(readBack(out + QStringLiteral("/second.flac")).peak, 2000);
    EXPECT_TRUE(r.out.isEmpty());

    const QString piped = m_dir.filePath(QStringLiteral("piped.ogg"));
    r = run({QStringLiteral("--rate"), QStringLiteral("-5"), QStringLiteral("-o"), piped,
             QStringLiteral("-")},
            "Words from a pipe are spoken too.");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const Audio audio = readBack(piped);
    EXPECT_GT(audio.seconds(), 1.0);
    EXPECT_EQ(audio.title, QStringLiteral("Words from a pipe are spoken too."));

    for (const QStringList &bad :
         {QStringList{QStringLiteral("--rate"), QStringLiteral("11"), first},
          QStringList{QStringLiteral("--volume"), QStringLiteral("loud"), first},
          QStringList{QStringLiteral("--bogus"), first}, QStringList{QStringLiteral("--")},
          QStringList{QStringLiteral("--"), QStringLiteral("-")}}) {
        r = run(bad);
        EXPECT_EQ(r.code, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("wavewright: "))) << r.err.toStdString();
    }
    r = run({QStringLiteral("--voice"), QStringLiteral("No Such Voice"), first});
    EXPECT_EQ(r.code, 3);
    r = run({QStringLiteral("--help")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Exit status:")));
}

TEST_F(BatchConverterTest, PiecesSpokenInParallelJoinAsOneReading)
{
    QByteArray text;
    for (int i = 0; i < 12; ++i)
        text += Text;
    const QString input = write(QStringLiteral("long.txt"), text);
    const QString one = m_dir.filePath(QStringLiteral("one.wav"));
    const QString two = m_dir.filePath(QStringLiteral("two.wav"));
    ASSERT_EQ(
        run({QStringLiteral("--jobs"), QStringLiteral("1"), QStringLiteral("-o"), one, input}).code,
        0);
    ASSERT_EQ(
        run({QStringLiteral("--jobs"), QStringLiteral("3"), QStringLiteral("-o"), two, input}).code,
        0);
    const Audio single = readBack(one);
    const Audio parallel = readBack(two);
    EXPECT_NEAR(parallel.seconds(), single.seconds(), single.seconds() * 0.01);
    // A sentence is spoken the same whatever follows it, so the reading starts sample for
    // sample as the single one does, and it ends as that one ends (the engine's noise source
    // runs on from earlier pieces, so there the loudness, 20 ms at a time, is compared).
    // Pieces joined out of order, or audio lost or doubled between two pipe messages, show.
    const std::vector<short> a = samplesOf(one), b = samplesOf(two);
    constexpr size_t Second = 22050;
    ASSERT_GT(a.size(), 4 * Second);
    ASSERT_GT(b.size(), 4 * Second);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 2 * Second, b.begin()));
    const auto endLoudness = [](const std::vector<short> &s) {
        size_t end = s.size();
        while (end > 2 * Second && std::abs(int(s[end - 1])) < 64)
            --end;
        std::vector<double> loudness;
        for (size_t at = end - 2 * Second; at + 441 <= end; at += 441) {
            double sum = 0;
            for (size_t i = at; i < at + 441; ++i)
                sum += double(s[i]) * s[i];
            loudness.push_back(std::sqrt(sum / 441));
        }
        return loudness;
    };
    const std::vector<double> x = endLoudness(a), y = endLoudness(b);
    double difference = 0, total = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        difference += std::abs(x[i] - y[i]);
        total += x[i] + y[i];
    }
    EXPECT_LT(difference / total, 0.1);

    // The cut points are sentence ends and nothing is lost between the pieces.
    const QString plain = QString::fromUtf8(text);
    const QStringList pieces = SentenceChunker::split(plain, 500);
    EXPECT_EQ(pieces.join(QString()), plain);
    EXPECT_GT(pieces.size(), 3);
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i)
        EXPECT_TRUE(pieces.at(i).trimmed().back().isPunct()) << pieces.at(i).toStdString();
}

// Workers are forked at start-up and share the converter's command line, so a process naming
// the test's folder is the converter or one of its workers.
QList<int> processesNaming(const QString &folder)
{
    QList<int> found;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid.toInt() > 0 && cmdline.open(QIODevice::ReadOnly) &&
            cmdline.readAll().contains(QFile::encodeName(folder)))
            found.append(pid.toInt());
    }
    return found;
}

bool noneLeft(const QString &folder)
{
    for (int i = 0; i < 100 && !processesNaming(folder).isEmpty(); ++i)
        QThread::msleep(50);
    return processesNaming(folder).isEmpty();
}

TEST_F(BatchConverterTest, WorkersEndWithTheConverterHoweverItEnds)
{
    QByteArray text;
    for (int i = 0; i < 40; ++i)
        text += Text;
    const QString input = write(QStringLiteral("long.txt"), text);
    const QString output = m_dir.filePath(QStringLiteral("out"));
    // More workers than cores: some are forked at start-up, some may be started later.
    EXPECT_EQ(run({QStringLiteral("--jobs"), QStringLiteral("3"), QStringLiteral("-o"), output,
                   input, write(QStringLiteral("short.txt"))})
                  .code,
              0);
    EXPECT_TRUE(noneLeft(m_dir.path()));
    // Workers forked for a conversion that never starts.
    EXPECT_EQ(run({QStringLiteral("--voice"), QStringLiteral("No Such Voice"), input}).code, 3);
    EXPECT_TRUE(noneLeft(m_dir.path()));
    // The converter killed while its workers speak: they notice and end.
    const QString longer = write(QStringLiteral("longer.txt"), text.repeated(10));
    QProcess process;
    process.start(QStringLiteral(WAVEWRIGHT_PROGRAM),
                  {QStringLiteral("-o"), m_dir.filePath(QStringLiteral("killed.wav")), longer});
    ASSERT_TRUE(process.waitForStarted());
    QThread::msleep(500);
    EXPECT_GT(processesNaming(m_dir.path()).size(), 1);
    EXPECT_EQ(process.state(), QProcess::Running);
    process.kill();
    process.waitForFinished();
    EXPECT_TRUE(noneLeft(m_dir.path()));
}

} // namespace
