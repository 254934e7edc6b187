// Latency figures of the speech component on the real espeak-ng engine and whatever output
// AudioOutput::create() picks (run it with a sound server for device figures):
//   - speak() to the first audio frame handed to the output, for a 4096-character chunk;
//   - lateness of word events against the played position (median, 95th percentile);
//   - stop() to silence (the output is flushed inside stop()).
#include "AudioOutput.h"
#include "SpeechControl.h"
#include "SpeechHub.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
QString chunkText()
{
    const QStringList sentences = {
        QStringLiteral("The river rose slowly through the night, and by morning the lower fields "
                       "were under water."),
        QStringLiteral("Nobody in the village could remember a spring as wet as this one."),
        QStringLiteral(
            "She folded the letter twice, put it in her coat, and walked to the station."),
        QStringLiteral("Forty-two crates of apples were loaded onto the cart before noon."),
    };
    QString text;
    for (int i = 0; text.size() < 4096; ++i)
        text += sentences[i % sentences.size()] + QLatin1Char(' ');
    return text.left(4096);
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1))];
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SpeechControl control(0);
    control.enableEvent(SpeechControl::EventWordReached);
    control.enableEvent(SpeechControl::EventSpeechEnded);
    AudioOutput *output = SpeechHub::instance().output();
    std::printf("output: %s\n", qPrintable(output->description()));

    const QString text = chunkText();
    std::vector<double> firstAudio;
    std::vector<double> lateness;
    std::vector<double> stopTimes;
    QElapsedTimer clock;
    bool gotFirst = false;
    QObject::connect(output, &AudioOutput::firstFrames, [&] {
        if (!gotFirst) {
            gotFirst = true;
            firstAudio.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
    });
    QObject::connect(&control, &SpeechControl::HasEvent, [&] {
        const auto record = control.getResource(SpeechControl::ResourceEvent, 0);
        control.removeResource(SpeechControl::ResourceEvent, 0);
        if (record.eventKind == SpeechControl::EventWordReached)
            lateness.push_back(double(SpeechHub::instance().lastWordLateness()) * 1000.0 / 22050.0);
    });

    // Warm the engine once so the figures show steady state, as in a running reader.
    control.speak(QStringLiteral("ready"));
    waitMs(1500);
    control.stop();

    const int rounds = 5;
    for (int i = 0; i < rounds; ++i) {
        gotFirst = false;
        clock.start();
        control.speak(text);
        waitMs(4000); // listen to a few seconds of words
        QElapsedTimer stopClock;
        stopClock.start();
        control.stop();
        stopTimes.push_back(double(stopClock.nsecsElapsed()) / 1e6);
        waitMs(200);
    }

    std::printf(
        "speak -> first audio frame (4096 chars): median %.1f ms, max %.1f ms (aim <= 50)\n",
        percentile(firstAudio, 0.5), percentile(firstAudio, 1.0));
    std::printf("word event lateness: median %.1f ms, p95 %.1f ms over %zu words (aim p95 <= 30)\n",
                percentile(lateness, 0.5), percentile(lateness, 0.95), lateness.size());
    std::printf("stop -> silence: median %.2f ms, max %.2f ms (aim <= 50)\n",
                percentile(stopTimes, 0.5), percentile(stopTimes, 1.0));
    return 0;
}
