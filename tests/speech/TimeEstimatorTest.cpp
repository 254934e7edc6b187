#include "TimeEstimator.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
struct Labels
{
    QLabel elapsed{QStringLiteral("00:00:00")};
    QLabel total{QStringLiteral("00:00:00")};
    QLabel remaining{QStringLiteral("00:00:00")};
    QProgressBar progress;
    QTimer timer;
    QDateTime now = QDateTime(QDate(2024, 5, 1), QTime(9, 0));
    TimeEstimator estimator{&elapsed, &total, &remaining, &progress, &timer};

    Labels()
    {
        progress.setRange(0, 100);
        estimator.setClock([this] { return now; });
    }
    QStringList shown() const { return {elapsed.text(), total.text(), remaining.text()}; }
};
} // namespace

TEST(TimeEstimator, ExtrapolatesFromTheProgress)
{
    Labels l;
    l.estimator.startTimeEstimate();
    EXPECT_TRUE(l.timer.isActive());
    EXPECT_EQ(l.shown(), (QStringList{"00:00:00", "??:??:??", "??:??:??"}));

    // No word heard yet: the clock counts, the estimate waits.
    l.now = l.now.addSecs(7);
    l.estimator.updateTimes();
    EXPECT_EQ(l.shown(), (QStringList{"00:00:07", "??:??:??", "??:??:??"}));

    l.now = l.now.addSecs(53);
    l.progress.setValue(25);
    l.estimator.updateTimes();
    EXPECT_EQ(l.shown(), (QStringList{"00:01:00", "00:04:00", "00:03:00"}));

    // 100 / 30 of 61 seconds is 203.33: rounded to whole seconds.
    l.now = l.now.addSecs(1);
    l.progress.setValue(30);
    l.estimator.updateTimes();
    EXPECT_EQ(l.shown(), (QStringList{"00:01:01", "00:03:23", "00:02:22"}));
}

TEST(TimeEstimator, HoursWrapAtADayAndStopFreezesTheReadingTime)
{
    Labels l;
    l.estimator.startTimeEstimate();
    l.now = l.now.addSecs(25 * 3600);
    l.progress.setValue(50);
    l.estimator.updateTimes();
    // 25 h elapsed, 50 h total: both shown as times of day, and the difference of those.
    EXPECT_EQ(l.shown(), (QStringList{"01:00:00", "02:00:00", "01:00:00"}));

    // A second start during a reading restarts the clock.
    l.estimator.startTimeEstimate();
    l.now = l.now.addSecs(90);
    l.estimator.stopTimeEstimate();
    EXPECT_FALSE(l.timer.isActive());
    EXPECT_EQ(l.shown(), (QStringList{"00:01:30", "00:01:30", "00:00:00"}));
    // A stop while idle leaves the figures of the last reading.
    l.now = l.now.addSecs(500);
    l.estimator.stopTimeEstimate();
    EXPECT_EQ(l.shown(), (QStringList{"00:01:30", "00:01:30", "00:00:00"}));
}
