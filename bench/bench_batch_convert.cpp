// The converter's command line against espeak-ng's: the same ~80 KB English text, the same
// voice and speed, spoken to a 22 050 Hz WAV file, runs interleaved, median of each. Also each
// compressed format's time against the WAV's of the same rounds, and espeak-ng on the two
// halves at once as the ceiling of what the machine's cores give at the time. What is timed is the
// whole program, as a script would start it: from the start of the process until it has ended, its
// file complete under its name.
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int Rounds = 5;

bench::Timing runConverter(const QStringList &arguments)
{
    return bench::measure(RUSAGE_CHILDREN, [&] {
        QProcess process;
        process.start(QStringLiteral(WAVEWRIGHT_PROGRAM), arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "wavewright failed: %s\n",
                         process.readAllStandardError().constData());
            return false;
        }
        return true;
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString espeak = bench::espeakCommand();
    if (espeak.isEmpty())
        return 1;
    QTemporaryDir dir;
    const QString textPath = dir.filePath(QStringLiteral("text.txt"));
    const QByteArray text = bench::writeBenchText(textPath);
    if (text.isEmpty())
        return 1;
    // espeak-ng's English voice at its default speed, which is the converter's rate 0.
    const QString voice =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("English (Great Britain)");
    const auto ours = [&](const char *name) {
        return QStringList{QStringLiteral("--voice"), voice, QStringLiteral("-o"),
                           dir.filePath(QLatin1String(name)), textPath};
    };
    std::printf("text: %lld bytes, %d cores, voice \"%s\"\n", qint64(text.size()),
                QThread::idealThreadCount(), qPrintable(voice));
    std::fflush(stdout);

    // The most two cores can give here: espeak-ng itself on the two halves of the text at
    // once. On a busy machine this is no faster than one run, and no converter can be.
    const qsizetype middle = text.indexOf(". ", text.size() / 2) + 2;
    const QString halves[] = {dir.filePath(QStringLiteral("half1.txt")),
                              dir.filePath(QStringLiteral("half2.txt"))};
    for (int i = 0; i < 2; ++i) {
        QFile half(halves[i]);
        if (!half.open(QIODevice::WriteOnly) ||
            half.write(i == 0 ? text.left(middle) : text.mid(middle)) < 0)
            return 1;
    }
    const auto bothHalves = [&] {
        return bench::measure(RUSAGE_CHILDREN, [&] {
            QProcess first, second;
            QProcess *both[] = {&first, &second};
            for (int i = 0; i < 2; ++i)
                both[i]->start(espeak,
                               {QStringLiteral("-v"), QStringLiteral("gmw/en"),
                                QStringLiteral("-s"), QStringLiteral("175"), QStringLiteral("-w"),
                                dir.filePath(QStringLiteral("half%1.wav").arg(i + 1)),
                                QStringLiteral("-f"), halves[i]});
            return first.waitForFinished(-1) && second.waitForFinished(-1) &&
                   first.exitCode() == 0 && second.exitCode() == 0;
        });
    };

    // Each format in every round, beside the WAV of the same round.
    const char *const formats[] = {"mp3", "opus", "ogg", "flac"};
    constexpr int FormatCount = int(std::size(formats));
    std::vector<double> peer, peerHalves, wav, wavSingle, wavCpu;
    std::vector<double> encoded[FormatCount], encodedCpu[FormatCount];
    for (int round = 0; round < Rounds; ++round) {
        const bench::Timing p =
            bench::runCommandLine(espeak, textPath, dir.filePath(QStringLiteral("peer.wav")));
        const bench::Timing w = runConverter(ours("ours.wav"));
        const bench::Timing s = runConverter(
            QStringList{QStringLiteral("--jobs"), QStringLiteral("1")} + ours("single.wav"));
        if (p.wall < 0 || w.wall < 0 || s.wall < 0)
            return 1;
        const bench::Timing h = bothHalves();
        if (h.wall < 0)
            return 1;
        peer.push_back(p.wall);
        peerHalves.push_back(h.wall);
        wav.push_back(w.wall);
        wavCpu.push_back(w.cpu);
        wavSingle.push_back(s.wall);
        std::printf("round %d wall (cpu) s: espeak-ng -w %.2f, two halves at once %.2f, wav %.2f "
                    "(%.2f), wav --jobs 1 %.2f",
                    round + 1, p.wall, h.wall, w.wall, w.cpu, s.wall);
        for (int f = 0; f < FormatCount; ++f) {
            const bench::Timing e =
                runConverter(ours(qPrintable(QStringLiteral("ours.") + formats[f])));
            if (e.wall < 0)
                return 1;
            encoded[f].push_back(e.wall);
            encodedCpu[f].push_back(e.cpu);
            std::printf(", %s %.2f (%.2f)", formats[f], e.wall, e.cpu);
        }
        std::printf("\n");
        std::fflush(stdout);
    }

    int peerRate = 0, oursRate = 0, singleRate = 0;
    const qint64 peerFrames = bench::wavFrames(dir.filePath(QStringLiteral("peer.wav")), &peerRate);
    const qint64 oursFrames = bench::wavFrames(dir.filePath(QStringLiteral("ours.wav")), &oursRate);
    const qint64 singleFrames =
        bench::wavFrames(dir.filePath(QStringLiteral("single.wav")), &singleRate);
    const double peerSeconds = double(peerFrames) / std::max(peerRate, 1);
    const double oursSeconds = double(oursFrames) / std::max(oursRate, 1);
    const double singleSeconds = double(singleFrames) / std::max(singleRate, 1);
    std::printf("audio: espeak-ng %.1f s, ours %.1f s (%+.2f %%), ours --jobs 1 %.1f s "
                "(parallel vs single %+.3f %%)\n",
                peerSeconds, oursSeconds, (oursSeconds / peerSeconds - 1) * 100, singleSeconds,
                (oursSeconds / singleSeconds - 1) * 100);
    std::printf("median of %d, wall:\n", Rounds);
    std::printf("  espeak-ng -w         %6.2f s\n", bench::median(peer));
    std::printf("  espeak-ng, 2 halves  %6.2f s  speed-up %.2fx (what the machine allows)\n",
                bench::median(peerHalves), bench::median(peer) / bench::median(peerHalves));
    std::printf("  wavewright wav       %6.2f s  speed-up %.2fx\n", bench::median(wav),
                bench::median(peer) / bench::median(wav));
    std::printf("  wavewright --jobs 1  %6.2f s  speed-up %.2fx\n", bench::median(wavSingle),
                bench::median(peer) / bench::median(wavSingle));
    for (int f = 0; f < FormatCount; ++f)
        std::printf("  wavewright %-5s     %6.2f s  %.2fx the WAV time, cpu +%.2f s\n", formats[f],
                    bench::median(encoded[f]), bench::median(encoded[f]) / bench::median(wav),
                    bench::median(encodedCpu[f]) - bench::median(wavCpu));
    // A speed-up bought by dropping speech is no speed-up.
    if (std::abs(oursSeconds / peerSeconds - 1) > 0.01) {
        std::printf("LENGTH MISMATCH: wavewright's audio is %+.2f %% of espeak-ng's; the times "
                    "are not comparable\n",
                    (oursSeconds / peerSeconds - 1) * 100);
        return 2;
    }
    return 0;
}
