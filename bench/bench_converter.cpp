// The converter against the espeak-ng command line on the same ~80 KB English text, the same
// voice (espeak-ng's English default) and rate (175 words per minute), both writing a
// 22 050 Hz 16-bit mono WAV. The converter's side runs from its command line to the finished
// WAV file in this process, the save dialog and the closing message answered here; the text
// file it deletes is written again before each run, outside the timing. Each side runs three
// times, alternating; the best run counts. Prints both times and the ratio command line /
// converter (converter faster: ratio >= 1.0).
#include "ConverterWindow.h"
#include "MessageBoxService.h"
#include "SaveDialogService.h"
#include "SpeechControl.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sndfile.h>
#include <sys/resource.h>

namespace {

constexpr int Rounds = 3;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bench::Timing runConverter(const QString &commandLine)
{
    return bench::measure(RUSAGE_SELF, [&] {
        ConverterWindow window;
        const ConverterWindow::Outcome outcome = window.run(commandLine);
        if (outcome != ConverterWindow::Created)
            std::fprintf(stderr, "the converter ended with outcome %d\n", int(outcome));
        return outcome == ConverterWindow::Created;
    });
}

} // namespace

int main(int argc, char **argv)
{
    // Writing a file needs neither a screen nor a sound device.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("PARLANCE_AUDIO"))
        qputenv("PARLANCE_AUDIO", "null");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wavewright"));
    const QString espeak = bench::espeakCommand();
    if (espeak.isEmpty())
        return 1;

    // The voice the converter starts with is espeak-ng's own English default.
    QString voice;
    {
        SpeechControl probe;
        voice = probe.voiceName();
    }
    QTemporaryDir dir;
    const QByteArray text = bench::benchText(true);
    const QString textPath = dir.filePath(QStringLiteral("temp1-bench.txt"));
    const QString cliWav = dir.filePath(QStringLiteral("cli.wav"));
    const QString converterWav = dir.filePath(QStringLiteral("converter.wav"));
    const QString commandLine = QStringLiteral("%1*%2*0*100").arg(voice, textPath);
    SaveDialogService::setHandler([&](const SaveDialogService::Request &) { return converterWav; });
    MessageBoxService::setHandler(
        [](const MessageBoxService::Request &) { return MessageBoxService::ResultOk; });
    std::printf("text: %lld bytes, voice \"%s\"\n", qint64(text.size()), qPrintable(voice));

    bench::Timing cli, converter;
    for (int round = 0; round < Rounds; ++round) {
        if (!writeFile(textPath, text))
            return 1;
        const bench::Timing c = bench::runCommandLine(espeak, textPath, cliWav);
        if (c.wall < 0)
            return 1;
        const bench::Timing w = runConverter(commandLine);
        if (w.wall < 0)
            return 1;
        if (QFile::exists(textPath)) {
            std::fprintf(stderr, "the converter left its text file behind\n");
            return 1;
        }
        cli.keepBest(c);
        converter.keepBest(w);
        std::printf("round %d (wall/cpu s): command line %.2f/%.2f, converter %.2f/%.2f\n",
                    round + 1, c.wall, c.cpu, w.wall, w.cpu);
        std::fflush(stdout);
    }

    int cliRate = 0, converterRate = 0;
    const qint64 cliFrames = bench::wavFrames(cliWav, &cliRate);
    const qint64 converterFrames = bench::wavFrames(converterWav, &converterRate);
    std::printf("audio: command line %lld frames at %d Hz (%.1f min), converter %lld at %d Hz "
                "(%.1f min)\n",
                cliFrames, cliRate, double(cliFrames) / std::max(cliRate, 1) / 60.0,
                converterFrames, converterRate,
                double(converterFrames) / std::max(converterRate, 1) / 60.0);
    std::printf("best of %d, wall (cpu):\n", Rounds);
    std::printf("  espeak-ng -w   %6.2f s (%.2f s)\n", cli.wall, cli.cpu);
    std::printf("  converter      %6.2f s (%.2f s)  ratio %.2f (cpu %.2f)\n", converter.wall,
                converter.cpu, cli.wall / converter.wall, cli.cpu / converter.cpu);
    return 0;
}
