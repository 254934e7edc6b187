// Latency figures of the speech component on the real espeak-ng engine and whatever output
// AudioOutput::create() picks, medians over the trials:
//   - speak() to the first frames handed over to the audio sink (a 4096-character chunk):
//     when the output has the sound, not when it is heard;
//   - lateness of word events against the played position (median, 95th percentile);
//   - how long the stop() call itself takes;
//   - with a PulseAudio server whose null sink plays the output (its monitor is recorded with
//     parec; PARLANCE_BENCH_MONITOR names another source), when the sound is actually
//     rendered: speak() to the first sound, and stop() to the last sound. The null sink
//     renders a block ahead of its clock, so these are good to about one block (the lowest
//     latency its clients ask for; parec here asks for 10 ms): figures under that mean
//     "within a block".
#include "AudioOutput.h"
#include "SpeechControl.h"
#include "SpeechHub.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <optional>
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

// The sink's monitor, recorded while the trials run. Samples arrive in blocks; the earliest
// arrival relative to the sample count places sample 0 on the bench's clock (a block can
// only arrive after its samples were rendered).
class MonitorRecording
{
public:
    static constexpr int Rate = 22050;

    explicit MonitorRecording(const QElapsedTimer &clock) : m_clock(clock)
    {
        const QString source = qEnvironmentVariable("PARLANCE_BENCH_MONITOR", "nullsink.monitor");
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, [this] { collect(); });
        m_parec.start("parec", {"-d", source, "--raw", "--format=s16le", "--rate=22050",
                                "--channels=1", "--latency-msec=10"});
        m_parec.waitForStarted(3000);
    }
    ~MonitorRecording()
    {
        m_parec.kill();
        m_parec.waitForFinished(1000);
    }

    bool recording() const { return m_samples.size() > Rate / 10; }

    // The first voiced 10 ms window at or after `fromMs`, as a time on the bench's clock.
    std::optional<double> firstSoundAfter(double fromMs) const
    {
        for (qsizetype w = windowAt(fromMs); w + Window <= qsizetype(m_samples.size()); w += Window)
            if (voiced(w))
                return timeOf(w);
        return {};
    }
    // The end of the last voiced window in [fromMs, toMs], or fromMs when none is voiced.
    double lastSoundBetween(double fromMs, double toMs) const
    {
        double last = fromMs;
        for (qsizetype w = windowAt(fromMs);
             w + Window <= qsizetype(m_samples.size()) && timeOf(w) < toMs; w += Window)
            if (voiced(w))
                last = timeOf(w + Window);
        return last;
    }

private:
    static constexpr qsizetype Window = Rate / 100;

    void collect()
    {
        const QByteArray bytes = m_parec.readAllStandardOutput();
        m_pendingByte += bytes;
        const qsizetype count = m_pendingByte.size() / 2;
        const auto *data = reinterpret_cast<const qint16 *>(m_pendingByte.constData());
        m_samples.insert(m_samples.end(), data, data + count);
        m_pendingByte = m_pendingByte.mid(count * 2);
        const double arrived = double(m_clock.nsecsElapsed()) / 1e6;
        const double origin = arrived - double(m_samples.size()) * 1000.0 / Rate;
        m_originMs = m_haveOrigin ? std::min(m_originMs, origin) : origin;
        m_haveOrigin = true;
    }
    qsizetype windowAt(double ms) const
    {
        const auto sample = qsizetype((ms - m_originMs) * Rate / 1000.0);
        return std::max<qsizetype>(0, sample - sample % Window);
    }
    double timeOf(qsizetype sample) const { return m_originMs + double(sample) * 1000.0 / Rate; }
    bool voiced(qsizetype start) const
    {
        for (qsizetype i = start; i < start + Window; ++i)
            if (std::abs(int(m_samples[size_t(i)])) > 300)
                return true;
        return false;
    }

    const QElapsedTimer &m_clock;
    QProcess m_parec;
    QByteArray m_pendingByte;
    std::vector<qint16> m_samples;
    double m_originMs = 0;
    bool m_haveOrigin = false;
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SpeechControl control(0);
    AudioOutput *output = SpeechHub::instance().output();
    std::printf("output: %s\n", qPrintable(output->description()));

    const QString text = chunkText();
    std::vector<double> handOver;
    std::vector<double> lateness;
    std::vector<double> stopCalls;
    std::vector<double> firstSound;
    std::vector<double> lastSound;
    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return double(clock.nsecsElapsed()) / 1e6; };
    MonitorRecording monitor(clock);
    double spokeAt = 0;
    bool gotFirst = false;
    QObject::connect(output, &AudioOutput::firstFrames, [&] {
        if (!gotFirst) {
            gotFirst = true;
            handOver.push_back(now() - spokeAt);
        }
    });
    QObject::connect(&control, &SpeechControl::wordReached, [&] {
        lateness.push_back(double(SpeechHub::instance().lastWordLateness()) * 1000.0 / 22050.0);
    });

    // Warm the engine once so the figures show steady state, as in a running reader.
    control.speak(QStringLiteral("ready"));
    waitMs(1500);
    control.stop();
    waitMs(500);
    const bool heard = monitor.recording();

    const int rounds = 11;
    for (int i = 0; i < rounds; ++i) {
        gotFirst = false;
        spokeAt = now();
        control.speak(text);
        waitMs(2500); // listen to a few seconds of words
        const double stopAt = now();
        control.stop();
        stopCalls.push_back(now() - stopAt);
        waitMs(1000); // the silence that follows, before the next trial
        if (heard) {
            if (const auto first = monitor.firstSoundAfter(spokeAt))
                firstSound.push_back(*first - spokeAt);
            lastSound.push_back(monitor.lastSoundBetween(stopAt, stopAt + 900) - stopAt);
        }
    }

    std::printf("speak -> hand-over to the audio sink (4096 chars): median %.1f ms, max %.1f ms "
                "over %zu trials\n",
                percentile(handOver, 0.5), percentile(handOver, 1.0), handOver.size());
    std::printf("word event lateness: median %.1f ms, p95 %.1f ms over %zu words (aim p95 <= 30)\n",
                percentile(lateness, 0.5), percentile(lateness, 0.95), lateness.size());
    std::printf("stop() call time: median %.2f ms, max %.2f ms\n", percentile(stopCalls, 0.5),
                percentile(stopCalls, 1.0));
    if (!heard) {
        std::printf("sound at the sink: not measured (no PulseAudio monitor to record)\n");
        return 0;
    }
    std::printf("speak -> first sound at the sink: median %.1f ms, max %.1f ms over %zu trials "
                "(aim <= 50)\n",
                percentile(firstSound, 0.5), percentile(firstSound, 1.0), firstSound.size());
    std::printf("stop -> silence at the sink: median %.1f ms, max %.1f ms over %zu trials "
                "(aim <= 50)\n",
                percentile(lastSound, 0.5), percentile(lastSound, 1.0), lastSound.size());
    return 0;
}
