#include "AudioOutput.h"
#include "EventRecorder.h"
#include "SpeechControl.h"
#include "SpeechHub.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>

// Plays a sentence through the sound server (the test script's null sink) and listens to
// what the server played by recording the sink's monitor.
TEST(DesktopAudio, SentenceReachesTheSinkAndWordsFollowThePlayback)
{
    ASSERT_TRUE(SpeechHub::instance().output()->description().startsWith("audio device"))
        << "no sound server: " << SpeechHub::instance().output()->description().toStdString();

    QTemporaryDir dir;
    const QString rawPath = dir.filePath("monitor.raw");
    QProcess recorder;
    recorder.setStandardOutputFile(rawPath);
    recorder.start("parec", {"-d", "nullsink.monitor", "--raw", "--format=s16le", "--rate=22050",
                             "--channels=1", "--latency-msec=20"});
    ASSERT_TRUE(recorder.waitForStarted());
    QThread::msleep(300);

    SpeechControl control(0);
    EventRecorder events(control);
    QList<qint64> wordTimes;
    QElapsedTimer clock;
    events.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SpeechEvent::WordReached)
            wordTimes.append(clock.elapsed());
    };
    clock.start();
    control.speak(QStringLiteral("The quick brown fox jumps over the lazy dog, twice in a row."));
    ASSERT_TRUE(events.waitForEnd(1, 30000));
    const qint64 total = clock.elapsed();
    QThread::msleep(300);
    recorder.terminate();
    recorder.waitForFinished();

    // Twelve words, heard one after another over the whole sentence rather than at once.
    ASSERT_EQ(wordTimes.size(), 12);
    EXPECT_GT(total, 2000);
    EXPECT_GT(wordTimes.last() - wordTimes.first(), total / 2);
    for (int i = 1; i < wordTimes.size(); ++i)
        EXPECT_GE(wordTimes[i], wordTimes[i - 1]);

    // The server played real sound: a second or more of samples well above silence.
    QFile raw(rawPath);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    const auto *samples = reinterpret_cast<const qint16 *>(bytes.constData());
    const qsizetype count = bytes.size() / 2;
    qsizetype loud = 0;
    for (qsizetype i = 0; i < count; ++i)
        loud += std::abs(samples[i]) > 500;
    EXPECT_GT(loud, 22050 / 2) << "samples recorded: " << count;
}
