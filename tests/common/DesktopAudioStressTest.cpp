#include "EventRecorder.h"
#include "SpeechControl.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

namespace {
constexpr int Rate = 22050;

QStringList monitorArguments()
{
    return {"-d", "nullsink.monitor", "--raw", "--format=s16le", "--rate=22050", "--channels=1"};
}

// Stretches of sound in a recording, split where it stays silent for longer than the
// pauses a voice makes inside a sentence. Each is (first, last) voiced sample.
QList<QPair<qsizetype, qsizetype>> voicedSpans(const QByteArray &raw)
{
    const auto *samples = reinterpret_cast<const qint16 *>(raw.constData());
    const qsizetype count = raw.size() / 2;
    constexpr qsizetype Window = Rate / 100;
    constexpr qsizetype Gap = Rate / 2;
    QList<QPair<qsizetype, qsizetype>> spans;
    for (qsizetype start = 0; start + Window <= count; start += Window) {
        int peak = 0;
        for (qsizetype i = start; i < start + Window; ++i)
            peak = std::max(peak, std::abs(int(samples[i])));
        if (peak < 300)
            continue;
        if (!spans.isEmpty() && start - spans.last().second <= Gap)
            spans.last().second = start + Window;
        else
            spans.append({start, start + Window});
    }
    return spans;
}
} // namespace

// Reading after reading into the sound server while other clients connect and disconnect,
// as on a busy desktop: every reading must end, and none may be stretched by gaps or
// slowed down compared to a reading on a quiet server.
TEST(DesktopAudio, ReadingsStayWholeWhileOtherClientsComeAndGo)
{
    QTemporaryDir dir;
    QProcess recorder;
    recorder.setStandardOutputFile(dir.filePath("monitor.raw"));
    recorder.start("parec", monitorArguments() << "--latency-msec=20");
    ASSERT_TRUE(recorder.waitForStarted());
    QThread::msleep(300);

    SpeechControl control(0);
    EventRecorder events(control);
    const QString text = QStringLiteral("Reading aloud in a busy room, again and again.");
    constexpr int Readings = 30;

    std::deque<std::unique_ptr<QProcess>> clients;
    QTimer churn;
    churn.setInterval(200);
    QObject::connect(&churn, &QTimer::timeout, [&] {
        auto client = std::make_unique<QProcess>();
        client->setStandardOutputFile(QProcess::nullDevice());
        client->start("parec", monitorArguments());
        clients.push_back(std::move(client));
        if (clients.size() > 6) {
            clients.front()->kill();
            clients.front()->waitForFinished(1000);
            clients.pop_front();
        }
    });

    int unfinished = 0;
    for (int i = 0; i <= Readings; ++i) {
        // The first reading is the quiet reference; the others run with the churn.
        if (i == 1)
            churn.start();
        control.speak(text);
        if (!events.waitForEnd(i + 1, 20000)) {
            ++unfinished;
            control.stop();
        }
        QDeadlineTimer pause(800);
        while (!pause.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    churn.stop();
    for (auto &client : clients) {
        client->kill();
        client->waitForFinished(1000);
    }
    recorder.terminate();
    recorder.waitForFinished();

    EXPECT_EQ(unfinished, 0);
    QFile raw(dir.filePath("monitor.raw"));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const auto spans = voicedSpans(raw.readAll());
    QStringList seen;
    for (const auto &[first, last] : spans)
        seen << QStringLiteral("%1+%2")
                    .arg(double(first) / Rate, 0, 'f', 2)
                    .arg(double(last - first) / Rate, 0, 'f', 2);
    ASSERT_EQ(spans.size(), Readings + 1)
        << "voiced (start+length, s): " << seen.join(' ').toStdString();
    const double clean = double(spans.first().second - spans.first().first);
    ASSERT_GT(clean, Rate); // a sentence, not a click
    for (int i = 1; i < spans.size(); ++i) {
        const double span = double(spans[i].second - spans[i].first);
        EXPECT_LE(std::abs(span - clean), clean * 0.1)
            << "reading " << i << " voiced for " << span / Rate << " s against " << clean / Rate;
    }
}
