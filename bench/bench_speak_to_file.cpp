// Speak-to-file throughput against the engines' own command lines.
//
// espeak-ng: the same ~80 KB English text, the same voice (espeak-ng's English default) and
// rate (175 words per minute), written as 22 050 Hz 16-bit mono WAV. Prints both times and the
// ratio command line / ours (ours faster: ratio >= 1.0), plus the direct engine + writer path
// without the control around it.
//
// Festival: the first ~8 KB of that text spoken by its HTS voice slt, our converter (its
// synthesis workers on every core) against Festival's own text2wave.
//
// The runs alternate (three of each unless a count is given) and the median of each side
// counts. Each section says plainly when the audio is not as long as the peer's: a fast run
// that drops speech is no success.
#include "EspeakEngine.h"
#include "SpeechControl.h"
#include "WavFileWriter.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sndfile.h>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int DefaultRounds = 3;
// Beyond this the audio is not the same reading: espeak-ng's own runs agree to the sample.
constexpr double LengthTolerance = 0.01;
// Festival cuts a text into utterances its own way, and pauses between them.
constexpr double FestivalLengthTolerance = 0.02;
constexpr int FestivalTextBytes = 8 * 1024;
const char *const FestivalVoice = "festival slt (US English, female, HTS)";

bench::Timing runProgram(const QString &program, const QStringList &arguments)
{
    return bench::measure(RUSAGE_CHILDREN, [&] {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                         process.readAllStandardError().constData());
            return false;
        }
        return true;
    });
}

double wavSeconds(const QString &path)
{
    int rate = 0;
    const qint64 frames = bench::wavFrames(path, &rate);
    return frames > 0 && rate > 0 ? double(frames) / rate : 0.0;
}

// Our converter against text2wave, both with slt. Returns false when the audio differs.
bool compareFestival(const QTemporaryDir &dir, const QByteArray &text, int rounds)
{
    const QString text2wave = QStandardPaths::findExecutable(QStringLiteral("text2wave"));
    if (text2wave.isEmpty()) {
        std::printf("Festival: text2wave not found, nothing compared\n");
        return true;
    }
    // Whole sentences only: both sides then speak the same words.
    QByteArray part = text.left(FestivalTextBytes);
    part.truncate(part.lastIndexOf(". ") + 1);
    const QString textPath = dir.filePath(QStringLiteral("festival.txt"));
    QFile file(textPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(part) != part.size())
        return false;
    file.close();
    const QString peerWav = dir.filePath(QStringLiteral("text2wave.wav"));
    const QString oursWav = dir.filePath(QStringLiteral("wavewright.wav"));
    std::printf("\nFestival (slt), text: %lld bytes\n", qint64(part.size()));
    std::vector<double> peerWall, peerCpu, oursWall, oursCpu;
    for (int round = 0; round < rounds; ++round) {
        const bench::Timing p =
            runProgram(text2wave, {QStringLiteral("-o"), peerWav, QStringLiteral("-eval"),
                                   QStringLiteral("(voice_cmu_us_slt_arctic_hts)"), textPath});
        const bench::Timing o =
            runProgram(QStringLiteral(WAVEWRIGHT_PROGRAM),
                       {QStringLiteral("--voice"), QString::fromLatin1(FestivalVoice),
                        QStringLiteral("-o"), oursWav, textPath});
        if (p.wall < 0 || o.wall < 0)
            return false;
        peerWall.push_back(p.wall);
        peerCpu.push_back(p.cpu);
        oursWall.push_back(o.wall);
        oursCpu.push_back(o.cpu);
        std::printf("round %d (wall/cpu s): text2wave %.2f/%.2f, wavewright %.2f/%.2f\n", round + 1,
                    p.wall, p.cpu, o.wall, o.cpu);
        std::fflush(stdout);
    }
    const bench::Timing peer{bench::median(peerWall), bench::median(peerCpu)};
    const bench::Timing ours{bench::median(oursWall), bench::median(oursCpu)};
    std::printf("median of %d, wall (cpu of all processes):\n", rounds);
    std::printf("  text2wave      %6.2f s (%.2f s)\n", peer.wall, peer.cpu);
    std::printf("  wavewright     %6.2f s (%.2f s)  ratio %.2f (cpu %.2f)\n", ours.wall, ours.cpu,
                peer.wall / ours.wall, peer.cpu / ours.cpu);
    const double peerSeconds = wavSeconds(peerWav);
    const double oursSeconds = wavSeconds(oursWav);
    const double difference = peerSeconds > 0 ? oursSeconds / peerSeconds - 1 : 1;
    std::printf("audio: text2wave %.1f s, wavewright %.1f s (%+.2f %%)\n", peerSeconds, oursSeconds,
                difference * 100);
    if (std::abs(difference) > FestivalLengthTolerance) {
        std::printf("LENGTH MISMATCH: the times are not comparable\n");
        return false;
    }
    std::printf("audio length: within %.0f %% of text2wave's\n", FestivalLengthTolerance * 100);
    return true;
}

bench::Timing runControl(const QString &textPath, const QString &wavPath)
{
    return bench::measure(RUSAGE_SELF, [&] {
        SpeechControl control;
        control.speakToFile(textPath, wavPath, SpeechControl::Format22kHz16BitMono);
        return true;
    });
}

bench::Timing runDirect(const QString &text, const QString &wavPath)
{
    return bench::measure(RUSAGE_SELF, [&] {
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
        return true;
    });
}

} // namespace

int main(int argc, char **argv)
{
    // Writing a file needs no sound device; do not let the control go looking for one.
    if (qEnvironmentVariableIsEmpty("PARLANCE_AUDIO"))
        qputenv("PARLANCE_AUDIO", "null");
    QCoreApplication app(argc, argv);
    const QString espeak = bench::espeakCommand();
    if (espeak.isEmpty())
        return 1;
    QTemporaryDir dir;
    const QString textPath = dir.filePath(QStringLiteral("text.txt"));
    const QByteArray text = bench::writeBenchText(textPath);
    if (text.isEmpty())
        return 1;
    const QString cliWav = dir.filePath(QStringLiteral("cli.wav"));
    const QString controlWav = dir.filePath(QStringLiteral("control.wav"));
    const QString directWav = dir.filePath(QStringLiteral("direct.wav"));
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultRounds;
    std::printf("text: %lld bytes\n", qint64(text.size()));

    std::vector<double> cliWall, cliCpu, controlWall, controlCpu, directWall, directCpu;
    try {
        for (int round = 0; round < rounds; ++round) {
            const bench::Timing c = bench::runCommandLine(espeak, textPath, cliWav);
            if (c.wall < 0)
                return 1;
            const bench::Timing s = runControl(textPath, controlWav);
            const bench::Timing d = runDirect(QString::fromUtf8(text), directWav);
            cliWall.push_back(c.wall);
            cliCpu.push_back(c.cpu);
            controlWall.push_back(s.wall);
            controlCpu.push_back(s.cpu);
            directWall.push_back(d.wall);
            directCpu.push_back(d.cpu);
            std::printf("round %d (wall/cpu s): command line %.2f/%.2f, speakToFile %.2f/%.2f, "
                        "engine+writer %.2f/%.2f\n",
                        round + 1, c.wall, c.cpu, s.wall, s.cpu, d.wall, d.cpu);
            std::fflush(stdout);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }

    int cliRate = 0, controlRate = 0, directRate = 0;
    const qint64 cliFrames = bench::wavFrames(cliWav, &cliRate);
    const qint64 controlFrames = bench::wavFrames(controlWav, &controlRate);
    const qint64 directFrames = bench::wavFrames(directWav, &directRate);
    std::printf("audio: command line %lld frames at %d Hz (%.1f min), speakToFile %lld at %d Hz, "
                "engine+writer %lld at %d Hz\n",
                cliFrames, cliRate, double(cliFrames) / std::max(cliRate, 1) / 60.0, controlFrames,
                controlRate, directFrames, directRate);
    const bench::Timing cli{bench::median(cliWall), bench::median(cliCpu)};
    const bench::Timing control{bench::median(controlWall), bench::median(controlCpu)};
    const bench::Timing direct{bench::median(directWall), bench::median(directCpu)};
    std::printf("median of %d, wall (cpu):\n", rounds);
    std::printf("  espeak-ng -w   %6.2f s (%.2f s)\n", cli.wall, cli.cpu);
    std::printf("  speakToFile    %6.2f s (%.2f s)  ratio %.2f (cpu %.2f)\n", control.wall,
                control.cpu, cli.wall / control.wall, cli.cpu / control.cpu);
    std::printf("  engine+writer  %6.2f s (%.2f s)  ratio %.2f (cpu %.2f)\n", direct.wall,
                direct.cpu, cli.wall / direct.wall, cli.cpu / direct.cpu);
    bool sameLength = true;
    const auto checkLength = [&](const char *name, qint64 frames, int rate) {
        const double seconds = double(frames) / std::max(rate, 1);
        const double reference = double(cliFrames) / std::max(cliRate, 1);
        const double difference = reference > 0 ? seconds / reference - 1 : 1;
        if (std::abs(difference) > LengthTolerance) {
            sameLength = false;
            std::printf("LENGTH MISMATCH: %s audio is %+.2f %% of espeak-ng's (%.1f s against "
                        "%.1f s); its time is not comparable\n",
                        name, difference * 100, seconds, reference);
        }
    };
    checkLength("speakToFile", controlFrames, controlRate);
    checkLength("engine+writer", directFrames, directRate);
    if (sameLength)
        std::printf("audio length: within %.0f %% of espeak-ng's\n", LengthTolerance * 100);
    if (!compareFestival(dir, text, rounds))
        sameLength = false;
    return sameLength ? 0 : 2;
}
