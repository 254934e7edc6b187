// A long reading in the main window on the real espeak-ng engine with the silent
// virtual-clock output: how long the event loop is ever kept from running while the
// document is read word by word, and how much memory the reader needs for it.
//   bench_reading [kilobytes of text, default 1024]
// PARLANCE_AUDIO defaults to "null:1000" here so that playback is not what limits the run.
#include "ReadingState.h"
#include "SpeechControl.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
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

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("PARLANCE_AUDIO"))
        qputenv("PARLANCE_AUDIO", "null:1000");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlance"));
    const qsizetype kilobytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;

    auto element = std::make_unique<SpeechControl>(0);
    SpeechControl *control = element.get();
    int chunks = 0;
    qint64 words = 0;
    QElapsedTimer handlerClock;
    handlerClock.start();
    qint64 handlerStart = 0, longestHandler = 0, longestAt = 0;
    int lastKind = 0;
    QObject::connect(control, &SpeechControl::HasEvent, control, [&](int) {
        handlerStart = handlerClock.nsecsElapsed();
        const int kind = control->getResource(SpeechControl::ResourceEvent, 0).eventKind;
        lastKind = kind;
        chunks += kind == SpeechControl::EventSpeechStarted;
        words += kind == SpeechControl::EventWordReached;
    });
    frmMain window(std::move(element));
    QObject::connect(control, &SpeechControl::HasEvent, control, [&](int) {
        const qint64 took = handlerClock.nsecsElapsed() - handlerStart;
        // The end of a chunk includes the deliberate wait before the next one.
        if (lastKind == SpeechControl::EventWordReached && took > longestHandler) {
            longestHandler = took;
            longestAt = words;
        }
    });
    window.show();
    window.Slider1->setValue(10);
    window.Rt->setPlainText(plainText(kilobytes * 1024));
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
    window.Command1->click();
    const qint64 clickNs = click.nsecsElapsed();
    QEventLoop loop;
    QTimer finished;
    QObject::connect(&finished, &QTimer::timeout, [&] {
        if (chunks > 0 && !window.reading().Speaking && !window.Command2->isEnabled())
            loop.quit();
    });
    finished.start(50);
    loop.exec();
    probe.stop();

    std::sort(gaps.begin(), gaps.end());
    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    std::printf("document            %lld characters\n",
                (long long)window.Rt->toPlainText().size());
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
