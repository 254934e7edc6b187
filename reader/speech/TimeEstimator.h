#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>

class QLabel;
class QProgressBar;
class QTimer;

// The elapsed, total and remaining reading time on the main window, extrapolated once a
// second from the progress bar. Durations are whole seconds shown as a time of day, so the
// hours wrap at 24.
class TimeEstimator : public QObject
{
    Q_OBJECT
public:
    TimeEstimator(QLabel *elapsed, QLabel *total, QLabel *remaining, QProgressBar *playPosition,
                  QTimer *timer, QObject *parent = nullptr);

    void startTimeEstimate();
    void stopTimeEstimate();
    void updateTimes();

    // The clock the estimate reads; the wall clock unless replaced.
    void setClock(std::function<QDateTime()> clock);

    static QString formatDuration(qint64 seconds);

private:
    qint64 elapsedSeconds() const;

    QLabel *m_elapsed;
    QLabel *m_total;
    QLabel *m_remaining;
    QProgressBar *m_playPosition;
    QTimer *m_timer;
    std::function<QDateTime()> m_clock;
    QDateTime m_startTime;
};
