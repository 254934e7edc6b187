// A long reading in the main window on the real espeak-ng engine with the silent
// virtual-clock output: how long the event loop is ever kept from running while the
// document is read word by word, and how much memory the reader needs for it.
//   bench_reading [kilobytes of text, default 1024] [chunks at the default rate, default 3]
// Two runs, each in a process of its own so that each has its own peak memory:
// - the fastest rate with the clock at 1000x, reading the whole document, so that playback
//   is not what limits the run;
// - the default rate with the clock at 50x, as a listener would hear it only faster, for
//   the first few chunks: the audio synthesised ahead of the listener is largest here.
#include "MainWindow.h"
#include "ReadingState.h"
#include "SpeechControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {
QString plainText(qsizetype length)
{
    const QStringList sentences = {
        QStringLiteral("The river rose slowly through the night, and by morning the lower "
                       "fields were under water."),
        QStringLiteral("Nobody in the village could remember a spring as wet as this one."),
        QStringLiteral("She folded the letter twice, put it in her coat, and walked to the "
                       "station."),
        QStringLiteral("Forty-two crates of apples were loaded onto the cart before noon."),
    };
    QString text;
    text.reserve(length + 200);
    for (int i = 0; text.size() < length; ++i)
        text += sentences[i % sentences.size()] +
                (i % 6 == 5 ? QStringLiteral("\n") : QStringLiteral(" "));
    text.truncate(length);
    return text;
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
} // namespace

// Runs this program again for one reading and passes its figures on.
int runChild(const char *self, const QByteArray &audio, const QStringList &arguments)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PARLANCE_AUDIO"), QString::fromLatin1(audio));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QString::fromLocal8Bit(self), arguments);
    child.waitForFinished(-1);
    return child.exitCode();
}

int main(int argc, char **argv)
{
    if (argc < 4 || QByteArray(argv[1]) != "--run") {
        const QString kilobytes = QString::fromLatin1(argc > 1 ? argv[1] : "1024");
        const QString chunks = QString::fromLatin1(argc > 2 ? argv[2] : "3");
        std::printf("== fastest rate, clock at 1000x, whole document ==\n");
        std::fflush(stdout);
        int status = runChild(argv[0], "null:1000", {"--run", kilobytes, "10", "0"});
        std::printf("\n== default rate, clock at 50x, first %s chunks ==\n", qPrintable(chunks));
        std::fflush(stdout);
        status |= runChild(argv[0], "null:50", {"--run", kilobytes, "0", chunks});
        return status;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlance"));
    const qsizetype kilobytes = QByteArray(argv[2]).toLongLong();
    const int rate = QByteArray(argv[3]).toInt();
    const int chunkLimit = argc > 4 ? QByteArray(argv[4]).toInt() : 0;

    auto element = std::make_unique<SpeechControl>(0);
    SpeechControl *control = element.get();
    int chunks = 0;
    qint64 words = 0;
    QElapsedTimer handlerClock;
    handlerClock.start();
    qint64 handlerStart = 0, longestHandler = 0, longestAt = 0;
    QObject::connect(control, &SpeechControl::speechStarted, control, [&] { ++chunks; });
    QObject::connect(control, &SpeechControl::wordReached, control, [&] {
        handlerStart = handlerClock.nsecsElapsed();
        ++words;
    });
    MainWindow window(std::move(element));
    // Only words are timed: the end of a chunk includes the deliberate wait before the next.
    QObject::connect(control, &SpeechControl::wordReached, control, [&] {
        const qint64 took = handlerClock.nsecsElapsed() - handlerStart;
        if (took > longestHandler) {
            longestHandler = took;
            longestAt = words;
        }
    });
    window.show();
    window.speedSlider->setValue(rate);
    window.documentEdit->setPlainText(plainText(kilobytes * 1024));
    QApplication::processEvents();
    const long loadedKb = peakKilobytes();

    // A fine timer: the gaps between its ticks are the stalls of the event loop, nested
    // loops included (the wait between chunks runs one, so it is no stall).
    std::vector<qint64> gaps;
    std::vector<std::pair<qint64, qint64>> longGaps; // (when, how long) for gaps over 50 ms
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(2);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(now - last);
        if (now - last > 50'000'000)
            longGaps.emplace_back(now, now - last);
        last = now;
    });

    QElapsedTimer total;
    total.start();
    clock.start();
    probe.start();
    QElapsedTimer click;
    click.start();
    window.readAllButton->click();
    const qint64 clickNs = click.nsecsElapsed();
    QEventLoop loop;
    QTimer finished;
    QObject::connect(&finished, &QTimer::timeout, [&] {
        if (chunkLimit > 0 && chunks > chunkLimit && window.stopPauseButton->isEnabled())
            window.stopPauseButton->click();
        if (chunks > 0 && !window.reading().speaking && !window.stopPauseButton->isEnabled())
            loop.quit();
    });
    finished.start(50);
    loop.exec();
    probe.stop();

    std::sort(gaps.begin(), gaps.end());
    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    std::printf("document            %lld characters\n",
                (long long)window.documentEdit->toPlainText().size());
    std::printf("chunks spoken       %d\n", chunks);
    std::printf("words reported      %lld\n", (long long)words);
    std::printf("reading took        %.1f s\n", double(total.elapsed()) / 1000.0);
    std::printf("longest word event  %.1f ms (after word %lld)\n", ms(longestHandler),
                (long long)longestAt);
    std::printf("Read All click      %.1f ms\n", ms(clickNs));
    std::printf("longest stall       %.1f ms\n", gaps.empty() ? 0.0 : ms(gaps.back()));
    std::printf("99.9th percentile   %.1f ms\n",
                gaps.empty() ? 0.0 : ms(gaps[size_t(double(gaps.size() - 1) * 0.999)]));
    for (const auto &[when, length] : longGaps)
        std::printf("stall of %.1f ms at %.1f s\n", ms(length), double(when) / 1e9);
    std::printf("peak memory         %.1f MB (%.1f MB with the document loaded, before reading)\n",
                double(peakKilobytes()) / 1024.0, double(loadedKb) / 1024.0);
    return 0;
}
