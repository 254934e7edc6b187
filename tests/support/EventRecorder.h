#pragma once

#include "SpeechControl.h"

#include <QList>
#include <functional>

// Collects the events of a SpeechControl the way the reader's handler does: fetch the
// pending record, then release it. An optional hook runs inside the handler.
class EventRecorder
{
public:
    struct Event
    {
        int kind;
        int position;
    };

    explicit EventRecorder(SpeechControl &control, bool enableAll = true);

    const QList<Event> &events() const { return m_events; }
    QList<int> kinds() const;
    QList<int> wordPositions() const;
    int count(int kind) const;
    // Runs the event loop until an end event has been seen `ends` times or the wait is over.
    bool waitForEnd(int ends = 1, int timeoutMs = 30000);

    std::function<void(const Event &)> onEvent;

private:
    SpeechControl &m_control;
    QList<Event> m_events;
};
