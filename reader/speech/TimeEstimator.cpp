#include "TimeEstimator.h"

#include "IgnoreErrors.h"

#include <QLabel>
#include <QProgressBar>
#include <QTime>
#include <QTimer>
#include <cmath>

namespace {
constexpr qint64 SecondsPerDay = 24 * 60 * 60;

qint64 timeOfDay(qint64 seconds)
{
    return ((seconds % SecondsPerDay) + SecondsPerDay) % SecondsPerDay;
}
} // namespace

TimeEstimator::TimeEstimator(QLabel *elapsed, QLabel *total, QLabel *remaining,
                             QProgressBar *playPosition, QTimer *timer, QObject *parent)
    : QObject(parent), m_elapsed(elapsed), m_total(total), m_remaining(remaining),
      m_playPosition(playPosition), m_timer(timer), m_clock(&QDateTime::currentDateTime)
{
    connect(m_timer, &QTimer::timeout, this, &TimeEstimator::updateTimes);
}

void TimeEstimator::setClock(std::function<QDateTime()> clock)
{
    m_clock = clock ? std::move(clock) : std::function<QDateTime()>(&QDateTime::currentDateTime);
}

QString TimeEstimator::formatDuration(qint64 seconds)
{
    return QTime(0, 0).addSecs(int(timeOfDay(seconds))).toString(QStringLiteral("hh:mm:ss"));
}

qint64 TimeEstimator::elapsedSeconds() const
{
    return m_startTime.secsTo(m_clock());
}

void TimeEstimator::startTimeEstimate()
{
    ignoreErrors([&] { m_startTime = m_clock(); });
    // A new reading restarts the clock even while the estimate of the last one still runs.
    ignoreErrors([&] { m_timer->start(); });
    ignoreErrors([&] {
        m_remaining->setText(QStringLiteral("??:??:??"));
        m_total->setText(QStringLiteral("??:??:??"));
        m_elapsed->setText(QStringLiteral("00:00:00"));
    });
}

void TimeEstimator::updateTimes()
{
    qint64 elapsed = 0;
    ignoreErrors([&] { elapsed = elapsedSeconds(); });
    ignoreErrors([&] { m_elapsed->setText(formatDuration(elapsed)); });
    const int percent = m_playPosition->value();
    if (percent <= 0)
        return;
    ignoreErrors([&] {
        const qint64 total = std::llround(double(elapsed) * 100.0 / percent);
        m_total->setText(formatDuration(total));
        // The difference of the two shown times, the elapsed one read afresh; both are times
        // of day, so past 24 hours the remaining time is that of the wrapped figures.
        const qint64 remaining = qAbs(timeOfDay(total) - timeOfDay(elapsedSeconds()));
        m_remaining->setText(formatDuration(remaining));
    });
}

void TimeEstimator::stopTimeEstimate()
{
    // With no estimate running (a stop while idle) the last reading's figures stay.
    if (!m_timer->isActive())
        return;
    ignoreErrors([&] { m_remaining->setText(QStringLiteral("00:00:00")); });
    ignoreErrors([&] { m_total->setText(formatDuration(elapsedSeconds())); });
    ignoreErrors([&] { m_elapsed->setText(m_total->text()); });
    m_timer->stop();
}
