#include "ReadAlongCues.h"
#include "formats/ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <iostream>
#include <sndfile.h>

// Subtitles and narrated books from the real converter and engine, held against the audio
// they were written with: a cue must start where its sentence is first heard.
namespace {

struct Audio
{
    std::vector<short> samples;
    int rate = 0;
    double seconds() const { return rate > 0 ? double(samples.size()) / rate : 0; }
};

Audio decode(const QString &path)
{
    Audio audio;
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file || info.channels != 1)
        return audio;
    audio.rate = info.samplerate;
    audio.samples.resize(size_t(info.frames));
    audio.samples.resize(size_t(sf_read_short(file, audio.samples.data(), info.frames)));
    sf_close(file);
    return audio;
}

// Where speech starts after a pause of 200 ms or more (sentences in the texts below are
// divided by longer pauses, words within them by shorter ones), in seconds.
std::vector<double> onsets(const Audio &audio)
{
    const size_t frame = size_t(audio.rate / 200); // 5 ms
    std::vector<double> found;
    size_t quiet = 40;
    for (size_t at = 0; at + frame <= audio.samples.size(); at += frame) {
        double sum = 0;
        for (size_t i = at; i < at + frame; ++i)
            sum += double(audio.samples[i]) * audio.samples[i];
        if (std::sqrt(sum / double(frame)) < 300) {
            ++quiet;
            continue;
        }
        if (quiet >= 40)
            found.push_back(double(at) / audio.rate);
        quiet = 0;
    }
    return found;
}

double secondsOf(const QRegularExpressionMatch &m, int first)
{
    return m.captured(first).toInt() * 3600 + m.captured(first + 1).toInt() * 60 +
           m.captured(first + 2).toInt() + m.captured(first + 3).toInt() / 1000.0;
}

// Start and end of every cue of an SRT or WebVTT file.
std::vector<std::pair<double, double>> cueTimes(const QString &subtitles)
{
    static const QRegularExpression line(QStringLiteral(
        "(\\d+):(\\d\\d):(\\d\\d)[,.](\\d{3}) --> (\\d+):(\\d\\d):(\\d\\d)[,.](\\d{3})"));
    std::vector<std::pair<double, double>> times;
    for (auto it = line.globalMatch(subtitles); it.hasNext();) {
        const auto m = it.next();
        times.emplace_back(secondsOf(m, 1), secondsOf(m, 5));
    }
    return times;
}

// The cue starts against the audio's sentence starts: how far apart, median and worst.
std::pair<double, double> offsets(const std::vector<double> &cues, const std::vector<double> &heard)
{
    std::vector<double> apart;
    for (size_t i = 0; i < std::min(cues.size(), heard.size()); ++i)
        apart.push_back(std::abs(cues[i] - heard[i]));
    if (apart.empty())
        return {1e9, 1e9};
    std::sort(apart.begin(), apart.end());
    return {apart[apart.size() / 2], apart.back()};
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int run(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(WAVEWRIGHT_PROGRAM), arguments);
    process.waitForFinished(180000);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

TEST(ReadAlongTest, SubtitlesStartWhereTheirSentencesAreHeard)
{
    // Long enough to be cut into pieces that differ between one worker and three.
    const char *who[] = {"The old miller", "A tired traveller", "Our neighbour", "The teacher",
                         "Seven sailors",  "My sister",         "The baker"};
    const char *did[] = {"carried", "noticed", "repaired", "measured", "painted"};
    const char *what[] = {"a basket of pears",     "the broken lantern", "forty wooden crates",
                          "the map of the valley", "a small red boat",   "the garden gate"};
    QString text;
    const int sentences = 56;
    for (int i = 0; i < sentences; ++i)
        text += QStringLiteral("%1 %2 %3.%4")
                    .arg(QLatin1String(who[i % 7]), QLatin1String(did[i % 5]),
                         QLatin1String(what[i % 6]),
                         i % 8 == 7 ? QStringLiteral("\n") : QStringLiteral(" "));
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("story.txt"));
    QFile file(input);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    file.close();

    const QString one = dir.filePath(QStringLiteral("one.wav"));
    const QString three = dir.filePath(QStringLiteral("three.wav"));
    ASSERT_EQ(run({QStringLiteral("--jobs"), QStringLiteral("1"), QStringLiteral("--subtitles"),
                   QStringLiteral("srt,vtt,lrc"), QStringLiteral("-o"), one, input}),
              0);
    ASSERT_EQ(run({QStringLiteral("--jobs"), QStringLiteral("3"), QStringLiteral("--subtitles"),
                   QStringLiteral("srt"), QStringLiteral("-o"), three, input}),
              0);

    const Audio audio = decode(one);
    const std::vector<double> heard = onsets(audio);
    const auto cues = cueTimes(readAll(dir.filePath(QStringLiteral("one.srt"))));
    ASSERT_EQ(heard.size(), size_t(sentences));
    ASSERT_EQ(cues.size(), size_t(sentences));
    std::vector<double> starts;
    for (const auto &cue : cues)
        starts.push_back(cue.first);
    const auto [median, worst] = offsets(starts, heard);
    std::cout << "cue starts against the audio: median " << median * 1000 << " ms, worst "
              << worst * 1000 << " ms\n";
    EXPECT_LE(worst, 0.060);
    EXPECT_NEAR(cues.back().second, audio.seconds(), 0.5);

    // Every worker count gives the same cues.
    const auto parallel = cueTimes(readAll(dir.filePath(QStringLiteral("three.srt"))));
    ASSERT_EQ(parallel.size(), cues.size());
    for (size_t i = 0; i < cues.size(); ++i)
        EXPECT_NEAR(parallel[i].first, cues[i].first, 0.060) << "cue " << i + 1;

    // WebVTT has the same cues, each word's time inside its cue and after the one before.
    const QString vtt = readAll(dir.filePath(QStringLiteral("one.vtt")));
    EXPECT_TRUE(vtt.startsWith(QStringLiteral("WEBVTT\n\n")));
    EXPECT_EQ(cueTimes(vtt), cues);
    static const QRegularExpression wordTime(
        QStringLiteral("<(\\d+):(\\d\\d):(\\d\\d)\\.(\\d{3})>"));
    int timedWords = 0;
    for (const QString &block : vtt.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts).mid(1)) {
        const auto cue = cueTimes(block).at(0);
        double last = cue.first;
        for (auto it = wordTime.globalMatch(block); it.hasNext(); ++timedWords) {
            const double at = secondsOf(it.next(), 1);
            EXPECT_GT(at, last) << block.toStdString();
            EXPECT_LT(at, cue.second) << block.toStdString();
            last = at;
        }
    }
    EXPECT_GT(timedWords, sentences * 3);
    // Enhanced LRC: a line per cue whose first word carries the line's own time.
    const QStringList lrc = readAll(dir.filePath(QStringLiteral("one.lrc"))).split('\n');
    static const QRegularExpression lrcLine(
        QStringLiteral("^\\[(\\d\\d:\\d\\d\\.\\d\\d)\\]<(\\d\\d:\\d\\d\\.\\d\\d)>\\w"));
    EXPECT_EQ(lrc.filter(lrcLine).size(), sentences);
    for (const QString &l : lrc.filter(lrcLine)) {
        const auto m = lrcLine.match(l);
        EXPECT_EQ(m.captured(1), m.captured(2));
    }
}

// Subtitles go beside every file the book is written to: each chapter's with its own cues,
// or the whole book's, its second chapter's cues after the first's audio.
TEST(ReadAlongTest, SubtitlesBesideEachChapterFileAndTheWholeBook)
{
    QTemporaryDir dir;
    const QString book = QStringLiteral(PARLANCE_TEST_DATA "/documents/readalong.epub");
    const QString folder = dir.filePath(QStringLiteral("chapters"));
    ASSERT_EQ(
        run({QStringLiteral("--split"), QStringLiteral("chapters"), QStringLiteral("--subtitles"),
             QStringLiteral("srt"), QStringLiteral("-o"), folder, book}),
        0);
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.srt")}, QDir::Files);
    ASSERT_EQ(files.size(), 2);
    std::vector<size_t> counts;
    for (const QString &file : files) {
        const auto cues = cueTimes(readAll(QDir(folder).filePath(file)));
        counts.push_back(cues.size());
        const Audio audio = decode(
            QDir(folder).filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".wav")));
        ASSERT_FALSE(cues.empty());
        EXPECT_NEAR(cues.back().second, audio.seconds(), 0.5);
    }
    EXPECT_EQ(counts, (std::vector<size_t>{14, 5}));

    const QString whole = dir.filePath(QStringLiteral("whole.wav"));
    ASSERT_EQ(run({QStringLiteral("--subtitles"), QStringLiteral("srt"), QStringLiteral("-o"),
                   whole, book}),
              0);
    const auto cues = cueTimes(readAll(dir.filePath(QStringLiteral("whole.srt"))));
    const std::vector<double> heard = onsets(decode(whole));
    ASSERT_EQ(cues.size(), 19u);
    // Every cue starts where speech starts; the voice also pauses inside some (after a list
    // item's number, after "Picture:").
    ASSERT_GE(heard.size(), cues.size());
    for (size_t i = 0; i < cues.size(); ++i) {
        const auto distance = [&](double onset) { return std::abs(onset - cues[i].first); };
        EXPECT_LE(distance(*std::min_element(
                      heard.begin(), heard.end(),
                      [&](double a, double b) { return distance(a) < distance(b); })),
                  0.060)
            << "cue " << i + 1;
    }
}

// Cues are sentences; a long one is cut at words the voice timed, about 80 characters
// apart. A voice that only marks sentences keeps them whole, and a sentence nothing was heard
// of has no cue.
TEST(ReadAlongTest, CuesFollowSentencesAndTheWordsTheVoiceTimed)
{
    const QString longSentence = QStringLiteral(
        "This sentence goes on and on through many words so that nobody could read it in one "
        "glance and it has to be shown in parts of a comfortable length for every viewer.");
    const QString text = QStringLiteral("Short one. ") + longSentence + QStringLiteral("\n* * *");
    SpeechTimeline words;
    words.samples = 100000;
    static const QRegularExpression word(QStringLiteral("\\w+"));
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        words.marks.push_back(
            {qint64(words.marks.size()) * 1000, m.capturedStart(), m.capturedLength()});
    }
    const QList<ReadAlongCue> cues = ReadAlongCues::build(text, words, 80);
    ASSERT_EQ(cues.size(), 4);
    EXPECT_EQ(cues.at(0).text(), QStringLiteral("Short one."));
    QStringList parts;
    for (qsizetype i = 1; i < cues.size(); ++i) {
        EXPECT_LE(cues.at(i).length, 80);
        EXPECT_GT(cues.at(i).length, 40);
        EXPECT_EQ(cues.at(i).start, cues.at(i).words.first().sample);
        EXPECT_EQ(cues.at(i - 1).end, cues.at(i).start);
        parts.append(cues.at(i).text());
    }
    EXPECT_EQ(parts.join(QLatin1Char(' ')), longSentence);
    EXPECT_EQ(cues.last().end, words.samples);

    SpeechTimeline sentences;
    sentences.samples = 5000;
    sentences.bySentence = true;
    sentences.marks = {{0, 0, 10}, {3000, 11, longSentence.size()}};
    const QList<ReadAlongCue> whole = ReadAlongCues::build(text, sentences, 80);
    ASSERT_EQ(whole.size(), 2);
    EXPECT_EQ(whole.at(1).text(), longSentence);
    EXPECT_EQ(whole.at(1).start, 3000);
    EXPECT_EQ(whole.at(1).end, 5000);
}

// A pandoc e-book (headings, lists, a table, a picture) as a narrated book, word by word: it
// passes epubcheck, every clip lies inside its audio and names text that exists, and each
// sentence's first clip starts where the sentence is heard.
TEST(ReadAlongTest, NarratedBookPassesEpubcheckAndFollowsItsAudio)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("harbour.epub"));
    ASSERT_EQ(run({QStringLiteral("--format"), QStringLiteral("epub"), QStringLiteral("--sync"),
                   QStringLiteral("words"), QStringLiteral("-o"), path,
                   QStringLiteral(PARLANCE_TEST_DATA "/documents/readalong.epub")}),
              0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ZipArchive book;
    ASSERT_TRUE(book.open(file.readAll()));
    const auto part = [&book](const QString &name) {
        return QString::fromUtf8(book.read(QStringLiteral("OEBPS/") + name).value_or(""));
    };
    const QString package = part(QStringLiteral("content.opf"));
    EXPECT_TRUE(package.contains(QStringLiteral("<dc:title>The Harbour Book</dc:title>")));
    EXPECT_TRUE(package.contains(QStringLiteral("<dc:language>en-GB</dc:language>")));
    EXPECT_TRUE(package.contains(QStringLiteral("media:active-class")));

    static const QRegularExpression clip(
        QStringLiteral("<text src=\"([^\"#]+)#([^\"]+)\"/><audio src=\"([^\"]+)\" "
                       "clipBegin=\"(\\d+):(\\d\\d):(\\d\\d)\\.(\\d{3})\" "
                       "clipEnd=\"(\\d+):(\\d\\d):(\\d\\d)\\.(\\d{3})\"/>"));
    static const QRegularExpression sentence(QStringLiteral("<seq epub:textref=[^>]*>\\s*<par>"));
    int chapters = 0;
    int sentences = 0;
    for (int n = 1; book.contains(QStringLiteral("OEBPS/chapter%1.smil").arg(n)); ++n, ++chapters) {
        const QString overlay = part(QStringLiteral("chapter%1.smil").arg(n));
        const QString page = part(QStringLiteral("chapter%1.xhtml").arg(n));
        const QString audioFile = dir.filePath(QStringLiteral("chapter.mp3"));
        QFile audioOut(audioFile);
        ASSERT_TRUE(audioOut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        audioOut.write(book.read(QStringLiteral("OEBPS/chapter%1.mp3").arg(n)).value_or(""));
        audioOut.close();
        const Audio audio = decode(audioFile);
        ASSERT_GT(audio.seconds(), 5.0);

        std::vector<double> firstClips;
        int clips = 0;
        for (auto it = clip.globalMatch(overlay); it.hasNext(); ++clips) {
            const auto m = it.next();
            EXPECT_EQ(m.captured(1), QStringLiteral("chapter%1.xhtml").arg(n));
            EXPECT_TRUE(page.contains(QStringLiteral("id=\"%1\"").arg(m.captured(2))))
                << m.captured(2).toStdString();
            EXPECT_EQ(m.captured(3), QStringLiteral("chapter%1.mp3").arg(n));
            const double begin = secondsOf(m, 4);
            const double end = secondsOf(m, 8);
            EXPECT_LT(begin, end);
            EXPECT_LE(end, audio.seconds());
        }
        for (auto it = sentence.globalMatch(overlay); it.hasNext();) {
            const auto m = clip.match(overlay, it.next().capturedEnd() - 5);
            firstClips.push_back(secondsOf(m, 4));
        }
        EXPECT_GT(clips, int(firstClips.size()) * 2);
        const std::vector<double> heard = onsets(audio);
        EXPECT_EQ(firstClips.size(), heard.size());
        const auto [median, worst] = offsets(firstClips, heard);
        std::cout << "chapter " << n << ": " << firstClips.size()
                  << " sentences, first clips against the audio: median " << median * 1000
                  << " ms, worst " << worst * 1000 << " ms\n";
        EXPECT_LE(worst, 0.060);
        sentences += int(firstClips.size());
    }
    EXPECT_GE(chapters, 1);
    EXPECT_EQ(sentences, 18); // the picture is shown on its page, not narrated
    EXPECT_TRUE(book.contains(QStringLiteral("OEBPS/picture1.png")));

    // epubcheck is slow to start (Java): one run, on this book, compiled for a short life.
    const QString epubcheck = QStandardPaths::findExecutable(QStringLiteral("epubcheck"));
    if (epubcheck.isEmpty())
        GTEST_SKIP() << "epubcheck is not installed";
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QStringLiteral("java"),
                {QStringLiteral("-XX:TieredStopAtLevel=1"), QStringLiteral("-jar"),
                 QFileInfo(epubcheck).canonicalFilePath(), path});
    ASSERT_TRUE(check.waitForFinished(300000));
    const QString report = QString::fromUtf8(check.readAll());
    EXPECT_EQ(check.exitCode(), 0) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("No errors or warnings detected")))
        << report.toStdString();
}
