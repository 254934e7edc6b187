#include "EventRecorder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

EventRecorder::EventRecorder(SpeechControl &control)
{
    QObject::connect(&control, &SpeechControl::speechStarted, &control,
                     [this](int position) { record(SpeechEvent::Started, position); });
    QObject::connect(&control, &SpeechControl::wordReached, &control,
                     [this](int position) { record(SpeechEvent::WordReached, position); });
    QObject::connect(&control, &SpeechControl::speechEnded, &control,
                     [this](int position) { record(SpeechEvent::Ended, position); });
}

void EventRecorder::record(SpeechEvent kind, int position)
{
    const Event event{kind, position};
    m_events.append(event);
    if (onEvent)
        onEvent(event);
}

QList<SpeechEvent> EventRecorder::kinds() const
{
    QList<SpeechEvent> result;
    for (const auto &e : m_events)
        result.append(e.kind);
    return result;
}

QList<int> EventRecorder::wordPositions() const
{
    QList<int> result;
    for (const auto &e : m_events)
        if (e.kind == SpeechEvent::WordReached)
            result.append(e.position);
    return result;
}

int EventRecorder::count(SpeechEvent kind) const
{
    int n = 0;
    for (const auto &e : m_events)
        n += e.kind == kind;
    return n;
}

bool EventRecorder::waitForEnd(int ends, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (count(SpeechEvent::Ended) < ends && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return count(SpeechEvent::Ended) >= ends;
}
