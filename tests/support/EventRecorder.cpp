#include "EventRecorder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

EventRecorder::EventRecorder(SpeechControl &control, bool enableAll) : m_control(control)
{
    if (enableAll) {
        control.enableEvent(SpeechControl::EventSpeechStarted);
        control.enableEvent(SpeechControl::EventSpeechEnded);
        control.enableEvent(SpeechControl::EventWordReached);
    }
    QObject::connect(&control, &SpeechControl::HasEvent, &control, [this](int) {
        const SpeechResource record = m_control.getResource(SpeechControl::ResourceEvent, 0);
        m_control.removeResource(SpeechControl::ResourceEvent, 0);
        const Event event{record.eventKind, record.position};
        m_events.append(event);
        if (onEvent)
            onEvent(event);
    });
}

QList<int> EventRecorder::kinds() const
{
    QList<int> result;
    for (const auto &e : m_events)
        result.append(e.kind);
    return result;
}

QList<int> EventRecorder::wordPositions() const
{
    QList<int> result;
    for (const auto &e : m_events)
        if (e.kind == SpeechControl::EventWordReached)
            result.append(e.position);
    return result;
}

int EventRecorder::count(int kind) const
{
    int n = 0;
    for (const auto &e : m_events)
        n += e.kind == kind;
    return n;
}

bool EventRecorder::waitForEnd(int ends, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (count(SpeechControl::EventSpeechEnded) < ends && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return count(SpeechControl::EventSpeechEnded) >= ends;
}
