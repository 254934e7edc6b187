// Speak-to-file throughput against the espeak-ng command line: the same ~80 KB English text,
// the same voice (espeak-ng's English default) and rate (175 words per minute), written as
// 22 050 Hz 16-bit mono WAV. Each side runs twice, alternating, and the faster run counts.
// Prints both times and the ratio command line / ours (ours faster: ratio >= 1.0), plus the
// direct engine + writer path without the control around it.
#include "EspeakEngine.h"
#include "SpeechControl.h"
#include "WavFileWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sndfile.h>

namespace {

constexpr int TargetBytes = 80 * 1024;

// A reproducible text of varied sentences: the same on every run and machine.
QByteArray benchText()
{
    const char *subjects[] = {"The old miller",     "A tired traveller", "Our neighbour",
                              "The youngest child", "Every fisherman",   "The schoolteacher",
                              "A stranger in grey", "The baker's wife",  "My grandfather",
                              "The night watchman"};
    const char *verbs[] = {"carried",  "noticed", "repaired", "painted", "forgot",
                           "measured", "sold",    "borrowed", "found",   "described"};
    const char *objects[] = {"a basket of pears",       "the broken lantern",
                             "forty-two wooden crates", "a letter from the city",
                             "the map of the valley",   "three silver spoons",
                             "the bell above the door", "a coat with brass buttons",
                             "the last bag of flour",   "an umbrella nobody wanted"};
    const char *endings[] = {"before the rain began.",
                             "while the others were asleep.",
                             "and said nothing about it for a week.",
                             "on the morning of the 14th of March.",
                             "because the market closed early.",
                             "although it cost nearly 7 pounds.",
                             "and then, quite suddenly, laughed.",
                             "as the clock struck half past nine.",
                             "without asking anyone's permission!",
                             "-- or so the story goes?"};
    QByteArray text;
    quint32 state = 12345;
    const auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 16) % quint32(range));
    };
    int sentences = 0;
    while (text.size() < TargetBytes) {
        text += subjects[next(10)];
        text += ' ';
        text += verbs[next(10)];
        text += ' ';
        text += objects[next(10)];
        text += ' ';
        text += endings[next(10)];
        text += ++sentences % 6 == 0 ? "\n\n" : " ";
    }
    return text;
}

qint64 wavFrames(const QString &path, int *rate)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return -1;
    sf_close(file);
    *rate = info.samplerate;
    return info.frames;
}

double runCommandLine(const QString &espeak, const QString &textPath, const QString &wavPath)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(espeak, {QStringLiteral("-v"), QStringLiteral("gmw/en"), QStringLiteral("-s"),
                           QStringLiteral("175"), QStringLiteral("-w"), wavPath,
                           QStringLiteral("-f"), textPath});
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "espeak-ng failed: %s\n", process.readAllStandardError().constData());
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

double runControl(const QString &textPath, const QString &wavPath)
{
    SpeechControl control;
    QElapsedTimer timer;
    timer.start();
    control.speakToFile(textPath, 0, 2, 1, wavPath, 3, SpeechControl::Format22kHz16BitMono, 1);
    return double(timer.nsecsElapsed()) / 1e9;
}

double runDirect(const QString &text, const QString &wavPath)
{
    QElapsedTimer timer;
    timer.start();
    EspeakEngine engine;
    WavFileWriter writer(wavPath, 22050, engine.sampleRate());
    engine.synthesize(
        text, {},
        [&](const qint16 *samples, int count) {
            writer.write(samples, count);
            return true;
        },
        [](qint64, int, int) {});
    writer.finish();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    // Writing a file needs no sound device; do not let the control go looking for one.
    if (qEnvironmentVariableIsEmpty("PARLANCE_AUDIO"))
        qputenv("PARLANCE_AUDIO", "null");
    QCoreApplication app(argc, argv);
    const QString espeak = QStandardPaths::findExecutable(QStringLiteral("espeak-ng"));
    if (espeak.isEmpty()) {
        std::fprintf(stderr, "espeak-ng command line not found\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString textPath = dir.filePath(QStringLiteral("text.txt"));
    const QByteArray text = benchText();
    {
        QFile file(textPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return 1;
    }
    const QString cliWav = dir.filePath(QStringLiteral("cli.wav"));
    const QString controlWav = dir.filePath(QStringLiteral("control.wav"));
    const QString directWav = dir.filePath(QStringLiteral("direct.wav"));
    std::printf("text: %lld bytes\n", qint64(text.size()));

    double cli = 1e9, control = 1e9, direct = 1e9;
    try {
        for (int round = 0; round < 2; ++round) {
            const double c = runCommandLine(espeak, textPath, cliWav);
            if (c < 0)
                return 1;
            const double s = runControl(textPath, controlWav);
            const double d = runDirect(QString::fromUtf8(text), directWav);
            cli = std::min(cli, c);
            control = std::min(control, s);
            direct = std::min(direct, d);
            std::printf("round %d: command line %.2f s, speakToFile %.2f s, engine+writer %.2f s\n",
                        round + 1, c, s, d);
            std::fflush(stdout);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }

    int cliRate = 0, controlRate = 0, directRate = 0;
    const qint64 cliFrames = wavFrames(cliWav, &cliRate);
    const qint64 controlFrames = wavFrames(controlWav, &controlRate);
    const qint64 directFrames = wavFrames(directWav, &directRate);
    std::printf("audio: command line %lld frames at %d Hz (%.1f min), speakToFile %lld at %d Hz, "
                "engine+writer %lld at %d Hz\n",
                cliFrames, cliRate, double(cliFrames) / std::max(cliRate, 1) / 60.0, controlFrames,
                controlRate, directFrames, directRate);
    std::printf("espeak-ng -w: %.2f s\n", cli);
    std::printf("speakToFile:  %.2f s  ratio %.2f\n", control, cli / control);
    std::printf("engine+writer: %.2f s  ratio %.2f\n", direct, cli / direct);
    return 0;
}
